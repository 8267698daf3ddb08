#pragma once
// Reads a PDF back with poppler's pdftotext, as a person would see its text.
#include <QString>
#include <QStringList>

// The text of each page (pdftotext -layout, UTF-8, ligatures spelt out); empty when the file
// cannot be read.
QStringList PdfPageTexts(const QString& pdfPath);
// One page's text with every run of spaces made one space, for finding a row's texts in order.
QString Squeezed(const QString& pageText);
