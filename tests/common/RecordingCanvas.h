#pragma once
// A print canvas that records every text and line with its page, coordinates, font and pen, so
// a test checks a layout exactly. Its text width is easy to reckon with: charWidth device units
// per character and point of the font size.
#include <QList>
#include <QString>

#include "common/PrintCanvas.h"

struct CanvasText {
  int page = 0, x = 0, y = 0;  // page 0: not drawn
  QString text, family;
  int pointSize = 0;
};

struct CanvasLine {
  int page, x1, y1, x2, y2, penWidth;
};

class RecordingCanvas : public PrintCanvas {
 public:
  static constexpr int kCharWidth = 3;
  static int FakeWidth(const QString& text, int pointSize, int charWidth = kCharWidth) {
    return int(text.size()) * pointSize * charWidth;
  }

  RecordingCanvas(int width, int height, int charWidth = kCharWidth)
      : width_(width), height_(height), charWidth_(charWidth) {}

  int PageWidth() const override { return width_; }
  int PageHeight() const override { return height_; }
  void SetFont(const QString& family, int pointSize) override {
    family_ = family;
    pointSize_ = pointSize;
  }
  void SetPenWidth(int width) override { penWidth_ = width; }
  void TextOut(int x, int y, const QString& text) override {
    texts.append({page_, x, y, text, family_, pointSize_});
  }
  int TextWidth(const QString& text) override { return FakeWidth(text, pointSize_, charWidth_); }
  // As tall above the baseline as kAscent device units per point.
  static constexpr int kAscent = 4;
  int Ascent() override { return pointSize_ * kAscent; }
  void Line(int x1, int y1, int x2, int y2) override {
    lines.append({page_, x1, y1, x2, y2, penWidth_});
  }
  void NewPage() override { ++page_; }
  int PageNumber() const override { return page_; }

  // The first text drawn exactly so.
  CanvasText Find(const QString& text) const {
    for (const CanvasText& t : texts)
      if (t.text == text) return t;
    return {};
  }

  QList<CanvasText> texts;
  QList<CanvasLine> lines;

 private:
  int width_, height_, charWidth_;
  int page_ = 1;
  QString family_;
  int pointSize_ = 0;
  int penWidth_ = 0;
};
