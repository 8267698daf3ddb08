#include "common/PrintCanvas.h"

#include <QFont>
#include <QFontMetrics>
#include <QPagedPaintDevice>
#include <QPen>

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

void PainterCanvas::Line(int x1, int y1, int x2, int y2) { painter_.drawLine(x1, y1, x2, y2); }

void PainterCanvas::NewPage() {
  if (!device_.newPage()) pagesOk_ = false;
  ++page_;
}

bool PrintDocument(QPagedPaintDevice& device, const PrintLayout& layout) {
  PainterCanvas canvas(device);
  if (!canvas.Begin()) return false;
  layout(canvas);
  return canvas.End();
}
