#include "tests/common/PdfText.h"

#include <QProcess>
#include <QRegularExpression>

QStringList PdfPageTexts(const QString& pdfPath) {
  QProcess pdftotext;
  pdftotext.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8"),
                   pdfPath, QStringLiteral("-")});
  if (!pdftotext.waitForFinished(120000) || pdftotext.exitStatus() != QProcess::NormalExit ||
      pdftotext.exitCode() != 0)
    return {};
  // Compatibility forms made plain: a ligature such as "ﬁ" reads as "fi".
  QStringList pages = QString::fromUtf8(pdftotext.readAllStandardOutput())
                          .normalized(QString::NormalizationForm_KC)
                          .split(QChar('\f'));
  // Every page ends with a form feed, so the last piece is what follows the last page.
  if (!pages.isEmpty() && pages.last().trimmed().isEmpty()) pages.removeLast();
  return pages;
}

QString Squeezed(const QString& pageText) {
  static const QRegularExpression spaces(QStringLiteral("[ \\t]+"));
  return QString(pageText).replace(spaces, QStringLiteral(" "));
}
