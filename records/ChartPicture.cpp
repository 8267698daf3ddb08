#include "records/ChartPicture.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

#include "settings/Jezyki.h"

namespace {
SaveFileNameAsker& Asker() {
  static SaveFileNameAsker ask;
  return ask;
}
}  // namespace

QImage ScaledPicture(const QImage& picture, int scale) {
  if (scale <= 1) return picture;
  return picture.scaled(picture.size() * scale, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

QImage ChartPictureWithScale(const QImage& chart, const std::vector<ScaleMark>& marks,
                             const QString& unit, const QFont& font, int scale) {
  scale = std::max(scale, 1);
  const int scaleWidth = ChartScaleWidth(marks, unit, font) + 4;  // measured on the screen
  const int below = QFontMetrics(font).height() / 2 + 1;
  QImage picture(QSize(chart.width() + scaleWidth, ScaleUnitHeight + chart.height() + below) * scale,
                 QImage::Format_RGB32);
  picture.fill(Qt::white);
  QPainter painter(&picture);
  painter.drawImage(QPoint(0, ScaleUnitHeight * scale), ScaledPicture(chart, scale));
  painter.scale(scale, scale);
  painter.setFont(font);
  painter.setPen(Qt::black);
  DrawChartScale(painter, QRect(chart.width(), 0, scaleWidth, picture.height() / scale), marks, unit);
  return picture;
}

bool WriteChartPicture(const QImage& picture, const QString& fileName) {
  return !picture.isNull() && picture.save(fileName, "PNG");
}

FileDialogSettings ChartPictureDialogSettings() {
  QString title = LookupText(76);
  title.remove(QStringLiteral("…"));
  return {title.trimmed(), LookupText(80), QStringLiteral("png")};
}

SaveFileNameAsker SetChartPictureSaveDialog(SaveFileNameAsker ask) {
  SaveFileNameAsker previous = std::move(Asker());
  Asker() = std::move(ask);
  return previous;
}

QString AskChartPictureName(QWidget* parent) {
  return Asker() ? Asker()(parent, ChartPictureDialogSettings()) : QString();
}
