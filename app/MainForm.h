#pragma once
// Shared by the main window's form and behaviour.
#include <QColor>
#include <QRect>
#include <QString>

#include "common/Named.h"

class QAbstractButton;
class QFontMetrics;
class QWidget;

// The chart's scale stands between the chart and the range panel; the window is that much wider.
inline constexpr int kChartScaleWidth = 52;
inline constexpr int kClientWidth = 665 + kChartScaleWidth;
inline constexpr int kClientHeight = 411;

void SetTextColour(QWidget* widget, const QColor& colour);
// Shrinks the button's font (never below 6 pt) until its caption fits; the form is fixed, the
// captions change with the language.
void FitText(QAbstractButton* button);

// text with %1 replaced by a file's path, its folder shortened in the middle ("/home/…/data")
// until the whole fits width: the file's own name stays whole while it can.
QString FitPath(const QString& text, const QString& path, const QFontMetrics& metrics, int width);

