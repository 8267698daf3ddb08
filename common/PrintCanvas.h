#pragma once
// The print canvas: what a printed page layout draws on. Coordinates are device units of the
// printable page; a text drawn at (x, y) has its top-left corner there. The layouts (report,
// calibration card) draw only through this interface, so one layout serves the printer, the
// preview and a PDF file alike, and a test can record every call.
#include <QPainter>
#include <QString>

#include <cmath>
#include <functional>

class QPagedPaintDevice;

class PrintCanvas {
 public:
  virtual ~PrintCanvas() = default;

  // The printable page in device units.
  virtual int PageWidth() const = 0;
  virtual int PageHeight() const = 0;
  virtual void SetFont(const QString& family, int pointSize) = 0;
  virtual void SetPenWidth(int width) = 0;
  virtual void TextOut(int x, int y, const QString& text) = 0;
  // Width of the text in the current font, in device units.
  virtual int TextWidth(const QString& text) = 0;
  // Height of the current font above its baseline, in device units.
  virtual int Ascent() = 0;
  virtual void Line(int x1, int y1, int x2, int y2) = 0;
  virtual void NewPage() = 0;
  // 1 on the first page.
  virtual int PageNumber() const = 0;
};

// The font of every printout. Where it is missing (it comes with Windows) the canvas takes a
// face of about its width: a wider one would push long fixed texts into the next column.
inline const QString kPrintFont = QStringLiteral("Tahoma");

// A layout: draws a whole document onto the canvas it is given.
using PrintLayout = std::function<void(PrintCanvas&)>;

// Nearest integer, a half going to the even neighbour (16.5 × 133 = 2194.5 gives 2194).
inline int NearestInt(double value) { return int(std::nearbyint(value)); }

// A text typed by the user has no length a page could hold: one that would pass its room (the
// page's edge or the next column) is set in a smaller size of the same font, down to
// kSmallestFittedSize, and beyond that cut with "…". A text that fits is drawn exactly as
// TextOut draws it. A smaller text keeps the baseline of its line. x is the text's left edge,
// its right edge or its centre; the canvas is left in family at pointSize.
inline constexpr int kSmallestFittedSize = 8;
enum class TextAnchor { Left, Right, Centre };
struct FittedText {
  QString text;  // as drawn: whole, or cut and ending in "…"
  int pointSize = 0;
};
FittedText FitPrintedText(PrintCanvas& canvas, const QString& family, int pointSize, int room,
                   const QString& text);
void FittedTextOut(PrintCanvas& canvas, const QString& family, int pointSize, TextAnchor anchor,
                   int x, int y, int room, const QString& text);

// The canvas over a printer, a PDF writer or any other paged device.
class PainterCanvas : public PrintCanvas {
 public:
  explicit PainterCanvas(QPagedPaintDevice& device);

  // Starts the document; false when the job cannot start (no printer, a file that cannot be
  // written). Nothing may be drawn then.
  bool Begin();
  // Ends the document, which sends it to the printer or writes the file; false on failure.
  bool End();

  int PageWidth() const override;
  int PageHeight() const override;
  void SetFont(const QString& family, int pointSize) override;
  void SetPenWidth(int width) override;
  void TextOut(int x, int y, const QString& text) override;
  int TextWidth(const QString& text) override;
  int Ascent() override;
  void Line(int x1, int y1, int x2, int y2) override;
  void NewPage() override;
  int PageNumber() const override { return page_; }

 private:
  QPagedPaintDevice& device_;
  QPainter painter_;
  int page_ = 1;
  bool pagesOk_ = true;
};

// Runs the layout on the device as one document: true when it started and ended well.
bool PrintDocument(QPagedPaintDevice& device, const PrintLayout& layout);
