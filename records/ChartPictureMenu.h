#pragma once
// The chart's context menu: "Zapisz wykres jako PNG…" at the chart's size, or twice it.
#include <QImage>

#include <functional>

class QWidget;

// Makes the chart's picture at a scale (1 or 2).
using ChartPictureMaker = std::function<QImage(int scale)>;

// Asks for a name (records/ChartPicture.h) and writes the picture; a file that cannot be written
// is told (kWriteErrorText). False when nothing was written.
bool SaveChartPicture(QWidget* parent, const ChartPictureMaker& picture, int scale);
// A right click on chart offers both sizes, in the language of the moment.
void AddChartPictureMenu(QWidget* chart, ChartPictureMaker picture);
