#pragma once
// Shared by the main window's form and behaviour.
#include <QColor>

class QAbstractButton;
class QWidget;

inline constexpr int kClientWidth = 665;
inline constexpr int kClientHeight = 411;

void SetTextColour(QWidget* widget, const QColor& colour);
// Shrinks the button's font (never below 6 pt) until its caption fits; the form is fixed, the
// captions change with the language.
void FitText(QAbstractButton* button);
