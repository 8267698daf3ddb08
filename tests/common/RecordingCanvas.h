#pragma once
// A print canvas that records every text and line with its page, coordinates, font and pen, so
// a test checks a layout exactly. Its text width is fixed and easy to reckon with: every
// character is charWidth (normally kCharWidth) device units per point of the font size.
#include <QList>
#include <QString>

#include "common/PrintCanvas.h"

struct CanvasText {
  int page, x, y;
  QString text;
  QString family;
  int pointSize;
};

struct CanvasLine {
  int page, x1, y1, x2, y2;
  int penWidth;
};

class RecordingCanvas : public PrintCanvas {
 public:
  static constexpr int kCharWidth = 3;

  RecordingCanvas(int width, int height, int charWidth = kCharWidth)
      : width_(width), height_(height), charWidth_(charWidth) {}

  static int FakeWidth(const QString& text, int pointSize, int charWidth = kCharWidth) {
    return int(text.size()) * pointSize * charWidth;
  }

  int PageWidth() const override { return width_; }
  int PageHeight() const override { return height_; }
  void SetFont(const QString& family, int pointSize) override;
  void SetPenWidth(int width) override { penWidth_ = width; }
  void TextOut(int x, int y, const QString& text) override;
  int TextWidth(const QString& text) override { return FakeWidth(text, pointSize_, charWidth_); }
  void Line(int x1, int y1, int x2, int y2) override;
  void NewPage() override { ++page_; }
  int PageNumber() const override { return page_; }

  QList<CanvasText> texts;
  QList<CanvasLine> lines;

  // The texts of one page, in drawing order.
  QList<CanvasText> TextsOnPage(int page) const;
  QList<CanvasLine> LinesOnPage(int page) const;
  // The first text drawn with exactly these contents; a null page (0) when there is none.
  CanvasText Find(const QString& text) const;

 private:
  int width_, height_, charWidth_;
  int page_ = 1;
  QString family_;
  int pointSize_ = 0;
  int penWidth_ = 0;
};
