#pragma once
// TWykres: the scrolling strip chart of the main window. One value per pixel column, drawn as a
// single dot on a fixed 20-pixel grid, against an automatic range (with a margin of Skala percent)
// or a range set from outside; a small triangle marks a latest value above or below the range.
//
// The chart draws into its own persistent image (Width x Height, RGB32). The widget that shows it
// only paints Picture() when OnChanged fires: it must keep a reference, not a copy, or every redraw
// here would detach and copy the whole image.
//
// Geometry (W = Width, H = Height, left margin 0):
//   - frame: black 1-pixel outline on the image border, ColorIn inside;
//   - grid: columns 20k (k = 1 .. (W - 4) / 20), rows 1 .. H - 2; rows 20k (k = 1 .. (H - 4) / 20),
//     columns 1 .. W - 2;
//   - a value v against [lower, upper] has the height y = round((v - lower) (H - 3) / (upper - lower))
//     and is drawn at row H - 2 - y when 0 <= y < H - 2, else it is outside and not drawn;
//   - the oldest buffered value is at column 1, the latest at column Ilosc.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>
#include <QtGlobal>

#include <array>
#include <deque>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class QPainter;

class TWykres {
public:
    static constexpr int BufferSize = 2000;           // values kept; the chart is at most 2002 wide
    static constexpr int MaximumWidth = BufferSize + 2;
    static constexpr int MinimumSize = 3;

    explicit TWykres(int width = 529, int height = 217);

    // Published properties, with the defaults of a new control.
    double Max() const { return max_; }
    void SetMax(double max) { max_ = max; }
    double Min() const { return min_; }
    void SetMin(double min) { min_ = min; }
    quint16 Ilosc() const { return ilosc_; }
    bool AutoSkala() const { return autoSkala_; }
    void SetAutoSkala(bool on) { autoSkala_ = on; }
    double Skala() const { return skala_; }
    void SetSkala(double percent) { skala_ = percent; }
    QColor ColorIn() const { return QColor::fromRgb(colorIn_); }
    void SetColorIn(const QColor& color) { colorIn_ = color.rgb(); }
    QColor Color() const { return QColor::fromRgb(color_); }
    void SetColor(const QColor& color) { color_ = color.rgb(); }
    QColor SiatkaColor() const { return QColor::fromRgb(siatkaColor_); }
    void SetSiatkaColor(const QColor& color) { siatkaColor_ = color.rgb(); }

    int Width() const { return width_; }
    int Height() const { return height_; }
    int LeftMargin() const { return leftMargin_; }
    // Positions of the strip: Width - left margin - 2.
    int StripLength() const { return width_ - leftMargin_ - 2; }
    quint16 WritePosition() const { return writePosition_; }
    // Buffered values oldest first, as they appear from column 1 on.
    std::vector<double> Values() const;

    // Appends one value, rescales when AutoSkala is on, redraws everything.
    void AddValue(double value);
    // Empties the buffer and draws the empty grid.
    void Clear();
    // A fixed range, drawn at once; ignored entirely while AutoSkala is on.
    void SetRange(double upper, double lower);
    // Min and Max := the extremes of the buffer, never closer than 0.0002 around the first value.
    // AddValue finds the same range without going through the buffer.
    void FindRange();
    // The grid and every buffered value against the given range, plus the marker when needed.
    void Redraw(double upper, double lower);
    // Fills the plot area and draws the grid.
    void DrawGrid();

    // New size for the widget (clamped to 3 .. 2002 wide, at least 3 high). The latest values that
    // fit the new strip are kept, oldest first, and drawn again.
    void Resize(int width, int height);

    // The range the picture is drawn against (upper, lower), once a trace or a fixed range has
    // been drawn; nothing while it shows the empty grid.
    std::optional<std::pair<double, double>> ShownRange() const;
    // The rows of the horizontal grid lines, top first.
    std::vector<int> GridRows() const;

    // The picture as the operations so far have drawn it.
    const QImage& Picture() const;
    // The part of the picture that drawing changed since the last call (empty when nothing did),
    // so a view copies only those pixels. Draws what is pending first.
    QRect TakeChangedArea();
    // Called after every drawing; Revision() counts them.
    std::function<void()> OnChanged;
    quint64 Revision() const { return revision_; }

private:
    void PaintBackground();
    void DrawGridPixels();
    void RedrawPixels(double upper, double lower);
    struct Bounds {
        double upper;
        double lower;
        bool empty;
    };
    Bounds CurrentBounds();
    void DrawPending();
    void DrawMarker(bool over);
    void Changed();
    void TrackExtremes(double value);
    void RangeFromExtremes();
    void RestartExtremes();

    // The buffer's extremes while values come and go, each a queue of the values that may yet be
    // the extreme (newer than and beyond every later one), by the count of values added: a value
    // costs no scan of the buffer. NaN is never an extreme, as in FindRange.
    struct SlidingExtreme {
        std::deque<std::pair<quint64, double>> candidates;
        template <typename Beyond> void Add(quint64 number, double value, Beyond beyond);
        void DropUpTo(quint64 number);
    };
    SlidingExtreme highest_;
    SlidingExtreme lowest_;
    quint64 added_ = 0;

    int width_;
    int height_;
    int leftMargin_ = 0;
    double min_ = 0;
    double max_ = 0;
    quint16 ilosc_ = 0;
    quint16 writePosition_ = 0;
    bool autoSkala_ = true;
    double skala_ = 0;
    QRgb colorIn_ = qRgb(128, 128, 128);
    QRgb color_ = qRgb(255, 255, 0);
    QRgb siatkaColor_ = qRgb(147, 147, 147);
    std::array<double, BufferSize> values_{};  // positions 1..2000 at indices 0..1999
    QImage image_;
    quint64 revision_ = 0;

    // Every redraw starts from the empty grid. Rather than paint the whole image again, the image
    // is kept as the grid picture plus what was drawn over it since, and only those pixels are put
    // back: the same pixels at a fraction of the cost.
    QImage background_;
    QRgb backgroundColorIn_ = 0;
    QRgb backgroundSiatkaColor_ = 0;
    bool overlayKnown_ = false;     // image_ == background_ + drawn_ + markerArea_
    std::vector<int> drawn_;        // pixel indices of the dots
    QRect markerArea_;
    std::optional<Bounds> pending_;  // drawing owed to the picture by AddValue or Resize
    std::optional<std::pair<double, double>> shown_;  // the range of the last drawing
    QRect changed_;                  // pixels changed since TakeChangedArea
    void NoteChanged(const QRect& area) { changed_ |= area; }
};

// ---- The scale beside the chart ----

// What the scale of a chart shows: the range its picture is drawn against (none while it shows
// the empty grid), its height, and the factor from the chart's numbers to the unit shown (0.1 for
// a temperature in tenths of a degree). Cheap to take and to compare, so a view takes it before
// every paint and works the marks out only when it changed.
struct ChartScaleRange {
    std::optional<std::pair<double, double>> shown;  // upper, lower
    int height = 0;
    double factor = 1;
    bool operator==(const ChartScaleRange&) const = default;
};
ChartScaleRange ChartScale(const TWykres& chart, double factor = 1);

// A value of the scale in the unit shown, at the row where the chart draws it.
struct ScaleMark {
    int row = 0;
    QString text;
    bool operator==(const ScaleMark&) const = default;
};

// The marks of a range, top first: the multiples of a step of 1, 2 or 5 x 10^n that the chart
// draws, each at the row where it draws that value (so 0 is a mark whenever the chart shows it).
// The step is the smallest that leaves at most 8 marks (and no more than one for every 20 rows
// of a low chart), unless that leaves fewer than 4: then the step before it, which leaves 9 or 10. A mark has
// the decimals of the step ("0.05", "12.35" for a step of 0.05), exponents past 10^12 and below
// 10^-9; an empty range, or one too narrow for its numbers, has none.
std::vector<ScaleMark> ScaleMarks(const ChartScaleRange& range);

// The scale's look, shared by the widget beside the chart and the chart's picture. In area: the
// unit right-aligned in a band ScaleUnitHeight high on top; below it the chart's rows, row 0
// first, with a 3-pixel tick at each mark's row and its text right-aligned beside it, moved in
// where it would pass the area's edge (the tick stays). The painter's pen draws it; its font is
// set smaller, down to 6 pt, when a text would not fit.
inline constexpr int ScaleUnitHeight = 14;
void DrawChartScale(QPainter& painter, const QRect& area, const std::vector<ScaleMark>& marks,
                    const QString& unit);
// The font DrawChartScale sets: font, smaller while a mark's text is wider than the room beside
// the ticks. It depends on the texts only, not on their rows, so a view that redraws the marks at
// new rows keeps it and draws with DrawFittedChartScale, in the painter's font as it is.
QFont ChartScaleFont(const std::vector<ScaleMark>& marks, const QFont& font, const QPaintDevice* device,
                     int areaWidth);
void DrawFittedChartScale(QPainter& painter, const QRect& area, const std::vector<ScaleMark>& marks,
                          const QString& unit);
// The width that holds every text of a scale in a font.
int ChartScaleWidth(const std::vector<ScaleMark>& marks, const QString& unit, const QFont& font);

// A colour stored as a Windows COLORREF integer (0x00BBGGRR): 9671571 is RGB(147, 147, 147).
QColor ColorFromWindows(quint32 bgr);

// The main window's Wykres1: 529 x 217, Max 0.1, AutoSkala on, Skala 20, grey, yellow, 9671571.
void SetUpMainWindowChart(TWykres& chart);
