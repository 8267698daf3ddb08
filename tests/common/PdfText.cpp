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

QList<PdfWord> PdfWords(const QString& pdfPath) {
  QProcess pdftotext;
  pdftotext.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-bbox"), QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdfPath,
                   QStringLiteral("-")});
  if (!pdftotext.waitForFinished(120000) || pdftotext.exitStatus() != QProcess::NormalExit ||
      pdftotext.exitCode() != 0)
    return {};
  static const QRegularExpression tag(QStringLiteral(
      "<page |<word xMin=\"([-0-9.]+)\" yMin=\"([-0-9.]+)\" xMax=\"([-0-9.]+)\" "
      "yMax=\"([-0-9.]+)\">([^<]*)</word>"));
  QList<PdfWord> words;
  int page = 0;
  const QString html = QString::fromUtf8(pdftotext.readAllStandardOutput());
  for (auto it = tag.globalMatch(html); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    if (m.captured(0).startsWith(QStringLiteral("<page"))) {
      ++page;
      continue;
    }
    const QPointF topLeft(m.captured(1).toDouble(), m.captured(2).toDouble());
    const QPointF bottomRight(m.captured(3).toDouble(), m.captured(4).toDouble());
    words.append({page, QRectF(topLeft, bottomRight), m.captured(5)});  // "&" stays "&amp;"
  }
  return words;
}

QStringList OverlappingWords(const QList<PdfWord>& words) {
  QStringList pairs;
  for (qsizetype i = 0; i < words.size(); ++i)
    for (qsizetype j = i + 1; j < words.size(); ++j) {
      const PdfWord& a = words[i];
      const PdfWord& b = words[j];
      // A hair of common edge is the same line's spacing, not a collision.
      if (a.page == b.page && a.box.adjusted(0.3, 0.3, -0.3, -0.3).intersects(b.box))
        pairs << a.text + QStringLiteral(" | ") + b.text;
    }
  return pairs;
}
