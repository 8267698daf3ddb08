#pragma once
// A chart kept as a picture (PNG): the main window's strip chart and the wizard's chart, from
// their context menus and the main window's Plik menu, at the chart's size or twice it.
#include <QImage>
#include <QString>

#include <functional>
#include <vector>

#include "common/FileDialogSettings.h"
#include "measurement/Wykres.h"

class QWidget;

// The picture's pixels, each made scale × scale (1 keeps them as they are): a strip chart's
// dots stay sharp at twice the size.
QImage ScaledPicture(const QImage& picture, int scale);
// The chart's picture with its scale beside it, as the window shows them (DrawChartScale): the
// chart's pixels, each made scale x scale, with their top-left corner ScaleUnitHeight x scale
// below the picture's; to their right the unit and the marks, black on white, in font drawn
// scale times as large; below them room for the lowest mark's text.
QImage ChartPictureWithScale(const QImage& chart, const std::vector<ScaleMark>& marks,
                             const QString& unit, const QFont& font, int scale);
// False when the file cannot be written.
bool WriteChartPicture(const QImage& picture, const QString& fileName);
FileDialogSettings ChartPictureDialogSettings();

// The save dialog of a chart picture. A window below app/ cannot reach the program's file
// dialogs; the main window installs them here when it is made. Returns the previous one.
using SaveFileNameAsker = std::function<QString(QWidget* parent, const FileDialogSettings&)>;
SaveFileNameAsker SetChartPictureSaveDialog(SaveFileNameAsker ask);
// The chosen name, or "" when the dialog was cancelled or none is installed.
QString AskChartPictureName(QWidget* parent);
