#include "records/ChartPicture.h"

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
