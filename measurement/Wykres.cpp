#include "measurement/Wykres.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr int GridStep = 20;
constexpr double MinimumHalfRange = 0.0001;

void FillRect(QImage& image, int x, int y, int w, int h, QRgb color)
{
    const int x0 = std::max(x, 0);
    const int y0 = std::max(y, 0);
    const int x1 = std::min(x + w, image.width());
    const int y1 = std::min(y + h, image.height());
    for (int row = y0; row < y1 && x0 < x1; ++row)
        std::fill_n(reinterpret_cast<QRgb*>(image.scanLine(row)) + x0, x1 - x0, color);
}

// The full-width band of rows that holds the given pixels (indices row * width + column).
QRect RowsOf(const std::vector<int>& pixels, int width)
{
    const auto [lowest, highest] = std::minmax_element(pixels.begin(), pixels.end());
    const int top = *lowest / width;
    const int bottom = *highest / width;
    return QRect(0, top, width, bottom - top + 1);
}

}  // namespace

TWykres::TWykres(int width, int height)
    : width_(std::clamp(width, MinimumSize, MaximumWidth)),
      height_(std::max(height, MinimumSize))
{
    drawn_.reserve(BufferSize);
    DrawGridPixels();
}

std::vector<double> TWykres::Values() const
{
    std::vector<double> ordered;
    ordered.reserve(ilosc_);
    for (int i = writePosition_ + 1; i <= ilosc_; ++i)
        ordered.push_back(values_[i - 1]);
    for (int i = 1; i <= writePosition_; ++i)
        ordered.push_back(values_[i - 1]);
    return ordered;
}

void TWykres::AddValue(double value)
{
    // An empty chart starts writing from the first position; the redraw below draws the grid.
    if (ilosc_ == 0)
        writePosition_ = 0;
    if (writePosition_ > 0 && writePosition_ < StripLength())
        ++writePosition_;
    else
        writePosition_ = 1;
    values_[writePosition_ - 1] = value;
    if (writePosition_ > ilosc_)
        ++ilosc_;
    // The range follows at once; the pixels are drawn when the picture is next looked at, so a
    // burst of values costs one drawing, not one each.
    TrackExtremes(value);
    if (autoSkala_) {
        RangeFromExtremes();
        const double margin = (max_ - min_) * skala_ / 100;
        pending_ = Bounds{max_ + margin, min_ - margin, false};
    } else {
        pending_ = CurrentBounds();
    }
    Changed();
}

template <typename Beyond>
void TWykres::SlidingExtreme::Add(quint64 number, double value, Beyond beyond)
{
    if (std::isnan(value))
        return;
    while (!candidates.empty() && !beyond(candidates.back().second, value))
        candidates.pop_back();
    candidates.emplace_back(number, value);
}

void TWykres::SlidingExtreme::DropUpTo(quint64 number)
{
    while (!candidates.empty() && candidates.front().first <= number)
        candidates.pop_front();
}

// The buffer holds the latest Ilosc values: the one added last and those before it.
void TWykres::TrackExtremes(double value)
{
    ++added_;
    highest_.Add(added_, value, [](double kept, double v) { return kept > v; });
    lowest_.Add(added_, value, [](double kept, double v) { return kept < v; });
    highest_.DropUpTo(added_ - ilosc_);
    lowest_.DropUpTo(added_ - ilosc_);
}

// As FindRange: the first position's value +- the least half range, widened by the extremes.
void TWykres::RangeFromExtremes()
{
    const double first = values_[0];
    max_ = first + MinimumHalfRange;
    min_ = first - MinimumHalfRange;
    if (std::isnan(first))
        return;
    if (!highest_.candidates.empty() && highest_.candidates.front().second > max_)
        max_ = highest_.candidates.front().second;
    if (!lowest_.candidates.empty() && lowest_.candidates.front().second < min_)
        min_ = lowest_.candidates.front().second;
}

// The queues hold the buffer again, oldest first (after Clear or Resize).
void TWykres::RestartExtremes()
{
    highest_.candidates.clear();
    lowest_.candidates.clear();
    added_ = 0;
    for (const double value : Values()) {
        ++added_;
        highest_.Add(added_, value, [](double kept, double v) { return kept > v; });
        lowest_.Add(added_, value, [](double kept, double v) { return kept < v; });
    }
}

QRect TWykres::TakeChangedArea()
{
    Picture();
    return std::exchange(changed_, QRect());
}

const QImage& TWykres::Picture() const
{
    if (pending_)
        const_cast<TWykres*>(this)->DrawPending();
    return image_;
}

void TWykres::DrawPending()
{
    const Bounds bounds = *pending_;
    pending_.reset();
    if (bounds.empty)
        DrawGridPixels();
    else
        RedrawPixels(bounds.upper, bounds.lower);
}

std::optional<std::pair<double, double>> TWykres::ShownRange() const
{
    Picture();
    return shown_;
}

std::vector<int> TWykres::GridRows() const
{
    std::vector<int> rows;
    for (int k = 1; k <= (height_ - 4) / GridStep; ++k)
        rows.push_back(GridStep * k);
    return rows;
}

void TWykres::Clear()
{
    writePosition_ = 0;
    ilosc_ = 0;
    RestartExtremes();
    DrawGrid();
}

void TWykres::SetRange(double upper, double lower)
{
    if (autoSkala_)
        return;
    min_ = lower;
    max_ = upper;
    Redraw(upper, lower);
}

void TWykres::FindRange()
{
    if (ilosc_ == 0)
        return;
    max_ = values_[0] + MinimumHalfRange;
    min_ = values_[0] - MinimumHalfRange;
    for (int i = 0; i < ilosc_; ++i) {
        const double v = values_[i];
        if (v > max_)
            max_ = v;
        else if (v < min_)
            min_ = v;
    }
}

void TWykres::Redraw(double upper, double lower)
{
    pending_.reset();
    RedrawPixels(upper, lower);
    Changed();
}

void TWykres::DrawGrid()
{
    pending_.reset();
    DrawGridPixels();
    Changed();
}

void TWykres::Resize(int width, int height)
{
    width = std::clamp(width, MinimumSize, MaximumWidth);
    height = std::max(height, MinimumSize);
    if (width == width_ && height == height_)
        return;
    std::vector<double> ordered = Values();
    width_ = width;
    height_ = height;
    const auto kept = std::min<std::size_t>(ordered.size(), std::size_t(StripLength()));
    std::copy(ordered.end() - qsizetype(kept), ordered.end(), values_.begin());
    ilosc_ = quint16(kept);
    writePosition_ = quint16(kept);
    RestartExtremes();
    overlayKnown_ = false;
    pending_ = CurrentBounds();
    Changed();
}

// What AddValue draws for the buffer as it stands; with AutoSkala on this rescales first.
TWykres::Bounds TWykres::CurrentBounds()
{
    if (ilosc_ == 0)
        return {0, 0, true};
    if (autoSkala_) {
        FindRange();
        const double margin = (max_ - min_) * skala_ / 100;
        return {max_ + margin, min_ - margin, false};
    }
    return {max_, min_, false};
}

// Drawn as GDI draws it on the users' Windows machines: the frame's outline and fill exclude its
// right and bottom edges, and each grid line excludes its end point.
void TWykres::PaintBackground()
{
    background_ = QImage(width_, height_, QImage::Format_RGB32);
    const int left = leftMargin_;
    FillRect(background_, left, 0, width_ - left, height_, qRgb(0, 0, 0));
    FillRect(background_, left + 1, 1, width_ - left - 2, height_ - 2, colorIn_);
    for (int k = 1; k <= (width_ - left - 4) / GridStep; ++k)
        FillRect(background_, left + GridStep * k, 1, 1, height_ - 2, siatkaColor_);
    for (int k = 1; k <= (height_ - 4) / GridStep; ++k)
        FillRect(background_, left + 1, GridStep * k, width_ - left - 2, 1, siatkaColor_);
    backgroundColorIn_ = colorIn_;
    backgroundSiatkaColor_ = siatkaColor_;
}

void TWykres::DrawGridPixels()
{
    shown_.reset();
    if (background_.width() != width_ || background_.height() != height_ ||
        backgroundColorIn_ != colorIn_ || backgroundSiatkaColor_ != siatkaColor_) {
        PaintBackground();
        overlayKnown_ = false;
    }
    if (!overlayKnown_ || image_.size() != background_.size()) {
        image_ = background_.copy();
        overlayKnown_ = true;
        NoteChanged(image_.rect());
    } else {
        auto* pixels = reinterpret_cast<QRgb*>(image_.bits());
        const auto* grid = reinterpret_cast<const QRgb*>(background_.constBits());
        if (!drawn_.empty())
            NoteChanged(RowsOf(drawn_, width_));
        NoteChanged(markerArea_);
        for (const int index : drawn_)
            pixels[index] = grid[index];
        for (int row = markerArea_.top(); row <= markerArea_.bottom(); ++row) {
            const int first = row * width_ + markerArea_.left();
            std::copy_n(grid + first, markerArea_.width(), pixels + first);
        }
    }
    drawn_.clear();
    markerArea_ = QRect();
}

void TWykres::RedrawPixels(double upper, double lower)
{
    DrawGridPixels();
    shown_ = std::make_pair(upper, lower);
    bool outside = false;
    auto* pixels = reinterpret_cast<QRgb*>(image_.bits());
    const double rows = height_ - 3;
    const double span = upper - lower;
    const double firstOutside = height_ - 2;
    auto plot = [&](double value, int column) {
        // Halves round to even, like the program's other float-to-integer conversions. The comparison
        // is made on the double, so NaN and infinities count as outside instead of overflowing.
        const double y = std::nearbyint((value - lower) * rows / span);
        if (!(y >= 0 && y < firstOutside)) {
            outside = true;
            return;
        }
        // RGB32 rows hold exactly Width pixels, so a pixel's index is row * Width + column.
        const int index = (height_ - 2 - int(y)) * width_ + column;
        pixels[index] = color_;
        drawn_.push_back(index);
    };
    // Older values first (only once the buffer has wrapped), then the newer ones.
    for (int i = writePosition_ + 1; i <= ilosc_; ++i)
        plot(values_[i - 1], leftMargin_ + i - writePosition_);
    for (int i = 1; i <= writePosition_; ++i)
        plot(values_[i - 1], leftMargin_ + i + (ilosc_ - writePosition_));
    if (!drawn_.empty())
        NoteChanged(RowsOf(drawn_, width_));

    // Only the latest value decides the marker, whatever older values did.
    if (outside && writePosition_ > 0) {
        const double latest = values_[writePosition_ - 1];
        if (latest > upper)
            DrawMarker(true);
        else if (latest < lower)
            DrawMarker(false);
    }
}

void TWykres::DrawMarker(bool over)
{
    const int w = width_;
    const int h = height_;
    const QPoint overCorners[3] = {{w - 18, 12}, {w - 6, 12}, {w - 12, 6}};
    const QPoint underCorners[3] = {{w - 18, h - 12}, {w - 6, h - 12}, {w - 12, h - 6}};
    QPainter painter(&image_);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(QColor(Qt::black), 0));
    painter.setBrush(QColor::fromRgb(color_));
    painter.drawPolygon(over ? overCorners : underCorners, 3);
    const QRect corners = over ? QRect(w - 18, 6, 13, 7) : QRect(w - 18, h - 12, 13, 7);
    markerArea_ = corners.adjusted(-1, -1, 1, 1).intersected(image_.rect());
    NoteChanged(markerArea_);
}

void TWykres::Changed()
{
    ++revision_;
    if (OnChanged)
        OnChanged();
}

ChartScaleRange ChartScale(const TWykres& chart, double factor)
{
    return {chart.ShownRange(), chart.Height(), factor};
}

namespace {

// A step of the scale: mantissa x 10^exponent.
struct ScaleStep {
    int mantissa = 1;
    int exponent = 0;
};

// Multiples of the step, exactly as their decimal texts read: 10^n is exact up to 10^22, and a
// division by it rounds once, as reading the text would.
double StepMultiple(double multiple, const ScaleStep& step)
{
    const double units = multiple * step.mantissa;
    return step.exponent >= 0 ? units * std::pow(10.0, step.exponent)
                              : units / std::pow(10.0, -step.exponent);
}

// Beyond 2^53 whole steps apart the multiples are no longer told apart.
constexpr double MaximumMultiple = 9.0e15;

}  // namespace

std::vector<ScaleMark> ScaleMarks(const ChartScaleRange& range)
{
    if (!range.shown)
        return {};
    const auto [upper, lower] = *range.shown;
    const double factor = range.factor;
    // As the chart draws a value: the height round((v - lower) (H - 3) / (upper - lower)), drawn
    // when it is 0 .. H - 3, at row H - 2 - height.
    const double rows = range.height - 3;
    const double span = upper - lower;
    if (!(rows >= 1) || !(span > 0) || !std::isfinite(span) || !std::isfinite(lower) ||
        !(factor > 0) || !std::isfinite(factor))
        return {};
    const double halfRow = span / rows / 2;
    const double low = (lower - halfRow) * factor;
    const double high = (upper + halfRow) * factor;
    if (!std::isfinite(low) || !std::isfinite(high))
        return {};
    const int most = std::clamp(int(rows) / 20, 2, 8);
    const int fewest = std::min(4, most);
    auto count = [&](const ScaleStep& step) {
        const double size = StepMultiple(1, step);
        return std::floor(high / size) - std::ceil(low / size) + 1;
    };

    // From a step that leaves a hundred marks or more, up through 1, 2, 5, 10, 20, ...
    ScaleStep step{1, int(std::floor(std::log10(high - low))) - 2};
    ScaleStep before = step;
    for (int tries = 0; tries < 12 && count(step) > most; ++tries) {
        before = step;
        step = step.mantissa == 1 ? ScaleStep{2, step.exponent}
             : step.mantissa == 2 ? ScaleStep{5, step.exponent}
                                  : ScaleStep{1, step.exponent + 1};
    }
    if (count(step) > most)
        return {};
    if (count(step) < fewest && count(before) > most)
        step = before;

    const double size = StepMultiple(1, step);
    const double first = std::ceil(low / size);
    const double last = std::floor(high / size);
    if (std::max(std::fabs(first), std::fabs(last)) * step.mantissa > MaximumMultiple)
        return {};
    const double largest = std::max(std::fabs(StepMultiple(first, step)), std::fabs(StepMultiple(last, step)));
    const bool fixed = step.exponent >= -9 && largest < 1e12;
    const int decimals = std::max(0, -step.exponent);
    const int digits = std::clamp(int(std::floor(std::log10(std::max(largest, size)))) - step.exponent + 1, 1, 17);

    std::vector<ScaleMark> marks;
    for (double multiple = last; multiple >= first; --multiple) {
        const double value = StepMultiple(multiple, step) + 0.0;  // never "-0"
        const double y = std::nearbyint((value / factor - lower) * rows / span);
        if (!(y >= 0 && y < rows + 1))
            continue;
        marks.push_back({range.height - 2 - int(y),
                         fixed ? QString::number(value, 'f', decimals) : QString::number(value, 'g', digits)});
    }
    return marks;
}

namespace {
constexpr int ScaleTick = 3;
constexpr double SmallestScaleFont = 6;

int WidestText(const std::vector<ScaleMark>& marks, const QFontMetrics& metrics)
{
    int widest = 0;
    for (const ScaleMark& mark : marks)
        widest = std::max(widest, metrics.horizontalAdvance(mark.text));
    return widest;
}
}  // namespace

int ChartScaleWidth(const std::vector<ScaleMark>& marks, const QString& unit, const QFont& font)
{
    const QFontMetrics metrics(font);
    return std::max(ScaleTick + 2 + WidestText(marks, metrics), metrics.horizontalAdvance(unit)) + 2;
}

QFont ChartScaleFont(const std::vector<ScaleMark>& marks, const QFont& font, const QPaintDevice* device,
                    int areaWidth)
{
    const int room = areaWidth - ScaleTick - 2;
    QFont fitted = font;
    while (fitted.pointSizeF() > SmallestScaleFont && WidestText(marks, QFontMetrics(fitted, device)) > room)
        fitted.setPointSizeF(std::max(SmallestScaleFont, fitted.pointSizeF() - 0.5));
    return fitted;
}

void DrawChartScale(QPainter& painter, const QRect& area, const std::vector<ScaleMark>& marks,
                    const QString& unit)
{
    if (marks.empty())
        return;
    painter.setFont(ChartScaleFont(marks, painter.font(), painter.device(), area.width()));
    DrawFittedChartScale(painter, area, marks, unit);
}

void DrawFittedChartScale(QPainter& painter, const QRect& area, const std::vector<ScaleMark>& marks,
                          const QString& unit)
{
    if (marks.empty())
        return;
    const int lineHeight = QFontMetrics(painter.font(), painter.device()).height();
    const int textRight = area.right();
    painter.drawText(QRect(area.left(), area.top(), area.width() - 1, ScaleUnitHeight),
                     Qt::AlignRight | Qt::AlignVCenter, unit);
    const int chartTop = area.top() + ScaleUnitHeight;
    for (const ScaleMark& mark : marks) {
        const int y = chartTop + mark.row;
        painter.fillRect(QRect(area.left(), y, ScaleTick, 1), painter.pen().color());
        const int top = std::max(chartTop, std::min(y - lineHeight / 2, area.bottom() + 1 - lineHeight));
        painter.drawText(QRect(area.left() + ScaleTick + 1, top, textRight - area.left() - ScaleTick, lineHeight),
                         Qt::AlignRight | Qt::AlignVCenter, mark.text);
    }
}

QColor ColorFromWindows(quint32 bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

void SetUpMainWindowChart(TWykres& chart)
{
    chart.Resize(529, 217);
    chart.SetMax(0.1);
    chart.SetAutoSkala(true);
    chart.SetSkala(20.0);
    chart.SetColorIn(QColor(128, 128, 128));
    chart.SetColor(QColor(255, 255, 0));
    chart.SetSiatkaColor(ColorFromWindows(9671571));
}
