#pragma once
// Shared by the main window's form and behaviour.
#include <QColor>

class QWidget;

inline constexpr int kClientWidth = 665;
inline constexpr int kClientHeight = 411;

void SetTextColour(QWidget* widget, const QColor& colour);
