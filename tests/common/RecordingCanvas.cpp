#include "tests/common/RecordingCanvas.h"

void RecordingCanvas::SetFont(const QString& family, int pointSize) {
  family_ = family;
  pointSize_ = pointSize;
}

void RecordingCanvas::TextOut(int x, int y, const QString& text) {
  texts.append({page_, x, y, text, family_, pointSize_});
}

void RecordingCanvas::Line(int x1, int y1, int x2, int y2) {
  lines.append({page_, x1, y1, x2, y2, penWidth_});
}

QList<CanvasText> RecordingCanvas::TextsOnPage(int page) const {
  QList<CanvasText> out;
  for (const CanvasText& t : texts)
    if (t.page == page) out.append(t);
  return out;
}

QList<CanvasLine> RecordingCanvas::LinesOnPage(int page) const {
  QList<CanvasLine> out;
  for (const CanvasLine& l : lines)
    if (l.page == page) out.append(l);
  return out;
}

CanvasText RecordingCanvas::Find(const QString& text) const {
  for (const CanvasText& t : texts)
    if (t.text == text) return t;
  return {0, 0, 0, QString(), QString(), 0};
}
