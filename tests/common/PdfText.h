#pragma once
// Reads a PDF back with poppler's pdftotext, as a person would see its text.
#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>

// The text of each page (pdftotext -layout, UTF-8, ligatures spelt out); empty when the file
// cannot be read.
QStringList PdfPageTexts(const QString& pdfPath);
// One page's text with every run of spaces made one space, for finding a row's texts in order.
QString Squeezed(const QString& pageText);

// A word as pdftotext -bbox places it: its page (from 1) and box in points from the page's
// top-left corner.
struct PdfWord {
  int page = 0;
  QRectF box;
  QString text;
};
// Every word of the file; empty when the file cannot be read.
QList<PdfWord> PdfWords(const QString& pdfPath);
// Pairs of words on one page whose boxes share both some height and some width: texts that run
// into each other. Each pair once, as "first | second".
QStringList OverlappingWords(const QList<PdfWord>& words);
