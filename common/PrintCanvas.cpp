#include "common/PrintCanvas.h"

#include <QFont>
#include <QFontMetrics>
#include <QPagedPaintDevice>
#include <QPen>

#include <algorithm>

PainterCanvas::PainterCanvas(QPagedPaintDevice& device) : device_(device) {
  static const bool substituted = [] {
    QFont::insertSubstitutions(kPrintFont, {QStringLiteral("DejaVu Sans Condensed"),
                                            QStringLiteral("Liberation Sans"),
                                            QStringLiteral("Arial")});
    return true;
  }();
  Q_UNUSED(substituted);
}

bool PainterCanvas::Begin() {
  if (!painter_.begin(&device_)) return false;
  SetPenWidth(1);
  return true;
}

bool PainterCanvas::End() {
  if (!painter_.isActive()) return false;
  return painter_.end() && pagesOk_;
}

int PainterCanvas::PageWidth() const { return device_.width(); }

int PainterCanvas::PageHeight() const { return device_.height(); }

void PainterCanvas::SetFont(const QString& family, int pointSize) {
  QFont font(family);
  // Failing its substitutes too, the platform's own sans-serif face.
  font.setStyleHint(QFont::SansSerif);
  font.setPointSize(pointSize);
  painter_.setFont(font);
}

void PainterCanvas::SetPenWidth(int width) {
  QPen pen(Qt::black);
  pen.setWidth(width);
  // A line ends where it is told to: no cap reaching past its end points.
  pen.setCapStyle(Qt::FlatCap);
  painter_.setPen(pen);
}

void PainterCanvas::TextOut(int x, int y, const QString& text) {
  if (text.isEmpty()) return;
  // QPainter places the baseline; the canvas places the top of the line.
  painter_.drawText(x, y + painter_.fontMetrics().ascent(), text);
}

int PainterCanvas::TextWidth(const QString& text) {
  return painter_.fontMetrics().horizontalAdvance(text);
}

int PainterCanvas::Ascent() { return painter_.fontMetrics().ascent(); }

void PainterCanvas::Line(int x1, int y1, int x2, int y2) { painter_.drawLine(x1, y1, x2, y2); }

void PainterCanvas::NewPage() {
  if (!device_.newPage()) pagesOk_ = false;
  ++page_;
}

FittedText FitPrintedText(PrintCanvas& canvas, const QString& family, int pointSize, int room,
                   const QString& text) {
  canvas.SetFont(family, pointSize);
  if (canvas.TextWidth(text) <= room) return {text, pointSize};
  for (int size = pointSize - 1; size >= kSmallestFittedSize; --size) {
    canvas.SetFont(family, size);
    if (canvas.TextWidth(text) <= room) return {text, size};
  }
  const int size = std::min(pointSize, kSmallestFittedSize);
  canvas.SetFont(family, size);
  // The longest beginning that fits with the mark; widths grow with the length, so halving
  // finds it.
  const QString mark = QStringLiteral("…");
  qsizetype fits = 0, tooLong = text.size();
  while (tooLong - fits > 1) {
    const qsizetype middle = (fits + tooLong) / 2;
    if (canvas.TextWidth(text.left(middle).trimmed() + mark) <= room)
      fits = middle;
    else
      tooLong = middle;
  }
  QString cut = text.left(fits).trimmed();
  // A surrogate pair is never split in two.
  if (!cut.isEmpty() && cut.back().isHighSurrogate()) cut.chop(1);
  return {cut + mark, size};
}

void FittedTextOut(PrintCanvas& canvas, const QString& family, int pointSize, TextAnchor anchor,
                   int x, int y, int room, const QString& text) {
  canvas.SetFont(family, pointSize);
  const int baseline = y + canvas.Ascent();
  const FittedText fitted = FitPrintedText(canvas, family, pointSize, room, text);
  const int width = canvas.TextWidth(fitted.text);
  const int left = anchor == TextAnchor::Left    ? x
                   : anchor == TextAnchor::Right ? x - width
                                                 : x - width / 2;
  canvas.TextOut(left, fitted.pointSize == pointSize ? y : baseline - canvas.Ascent(), fitted.text);
  canvas.SetFont(family, pointSize);
}

bool PrintDocument(QPagedPaintDevice& device, const PrintLayout& layout) {
  PainterCanvas canvas(device);
  if (!canvas.Begin()) return false;
  layout(canvas);
  return canvas.End();
}
