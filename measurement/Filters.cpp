#include "measurement/Filters.h"

#include "measurement/MeasurementResult.h"
#include "measurement/Wykres.h"

#include <QStringView>
#include <QVarLengthArray>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

const QString MaximumJumpCaption = QStringLiteral("Maksymalny skok: ");
constexpr double SuspendedRange = 0.0001;

// One step of the first-order filter; decay is e^-T, so the state moves 1 - e^-T of the way.
double FilterStep(double input, double state, double decay)
{
    return input - decay * (input - state);
}

std::optional<double> FiniteNumber(QStringView text)
{
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return std::nullopt;
    return number;
}

}  // namespace

double DigitalFilter::Apply(double value, double jumpThreshold, const FirstResultFlag& firstResult)
{
    if (!firstResult.IsSet())
        state_ = value;
    state_ = FilterStep(value, state_, std::exp(-timeConstant_));
    if (state_ != 0 && std::fabs(value - state_) > jumpThreshold)
        state_ = value;
    return state_;
}

double TemperatureFilter::Apply(double temperature)
{
    if (!started_) {
        state_ = temperature;
        started_ = true;
    }
    state_ = FilterStep(temperature, state_, std::exp(-timeConstant_));
    if (state_ != 0 && std::fabs(temperature - state_) > JumpThreshold)
        state_ = temperature;
    return state_;
}

QString MaximumJump::Apply(double value, int decimalClass, FirstResultFlag& firstResult)
{
    if (!firstResult.IsSet()) {
        firstResult.Set();
    } else {
        const double jump = std::fabs(value - previous_);
        if (jump > maximumJump_)
            maximumJump_ = jump;
    }
    previous_ = value;
    return Text(decimalClass);
}

QString MaximumJump::Text(int decimalClass) const
{
    if (maximumJump_ != textValue_ || decimalClass != textClass_) {
        text_ = MaximumJumpCaption + FormatFixed(decimalClass, maximumJump_);
        textValue_ = maximumJump_;
        textClass_ = decimalClass;
    }
    return text_;
}

void Statistics::ResetStatistics(double value)
{
    minimum_ = value;
    maximum_ = value;
    average_ = value;
}

bool Statistics::Add(double value)
{
    if (restartPending_) {
        ResetStatistics(value);
        count_ = 0;
        restartPending_ = false;
    }
    if (count_ >= FrozenCount)
        return false;
    ++count_;
    if (value > maximum_)
        maximum_ = value;
    else if (value < minimum_)
        minimum_ = value;
    const double n = count_;
    average_ = ((n - 1) / n) * average_ + value / n;
    return true;
}

std::optional<StatisticsTexts> Statistics::Apply(double value, int decimalClass)
{
    if (!Add(value))
        return std::nullopt;
    return Texts(decimalClass);
}

StatisticsTexts Statistics::Texts(int decimalClass) const
{
    return {FormatFixed(decimalClass, minimum_), FormatFixed(decimalClass, maximum_),
            FormatFixed(decimalClass, average_)};
}

std::optional<double> ParseTimeConstant(QString text)
{
    const auto comma = text.indexOf(QLatin1Char(','));
    if (comma >= 0)
        text[comma] = QLatin1Char('.');
    return FiniteNumber(text);
}

// A data file of 65535 lines is converted whenever the filter is switched, so this avoids the
// general (locale-aware, allocating) conversion: spaces are dropped into a local buffer and the
// rest read as a plain decimal number with a full stop. Only a leading "+" needs help, which
// std::from_chars does not take; anything else it does not read whole is not a number.
std::optional<double> SeriesTextToNumber(QByteArrayView text)
{
    QVarLengthArray<char, 32> compact;
    for (const char c : text) {
        if (c == ' ')
            continue;
        if (static_cast<unsigned char>(c) > 0x7F)
            return std::nullopt;
        compact.append(c);
    }
    const char* first = compact.constData();
    const char* last = first + compact.size();
    if (first != last && *first == '+' && last - first > 1 && first[1] != '-')
        ++first;
    double number = 0;
    const auto [end, error] = std::from_chars(first, last, number);
    if (error != std::errc() || end != last || !std::isfinite(number))
        return std::nullopt;
    return number;
}

std::optional<double> SeriesTextToNumber(const QString& text)
{
    for (const QChar c : text)
        if (c.unicode() > 0x7F)
            return std::nullopt;
    return SeriesTextToNumber(QByteArrayView(text.toLatin1()));
}

void StoredSeries::Clear()
{
    bytes_.resize(0);
    ends_.clear();
    values_.clear();
}

void StoredSeries::Reserve(qsizetype textBytes, int count)
{
    bytes_.reserve(textBytes);
    ends_.reserve(std::size_t(count));
    values_.reserve(std::size_t(count));
}

bool StoredSeries::Append(const QString& valueText, double value)
{
    return AppendBytes(QByteArrayView(valueText.toLatin1()), value);
}

bool StoredSeries::AppendBytes(QByteArrayView valueText, double value)
{
    if (IsFull())
        return false;
    bytes_.append(valueText);
    ends_.push_back(quint32(bytes_.size()));
    values_.push_back(value);
    return true;
}

bool StoredSeries::AppendText(const QString& valueText)
{
    return Append(valueText, SeriesTextToNumber(valueText).value_or(0));
}

// A line that is not a number (a hand-edited or damaged data file) is held at the filtered value so
// far and does not move the filter: reading it as 0 would pull the whole filtered series towards 0,
// and NaN would spread through every later entry. The filter starts from the first entry that is a
// number, so leading bad lines show that entry's value.
void RefilterSeries(StoredSeries& series, double timeConstant)
{
    const int count = series.Count();
    const double decay = std::exp(-timeConstant);
    double state = 0;
    for (int i = 1; i <= count; ++i) {
        if (const auto first = SeriesTextToNumber(series.TextBytes(i))) {
            state = *first;
            break;
        }
    }
    for (int i = 1; i <= count; ++i) {
        if (const auto x = SeriesTextToNumber(series.TextBytes(i)))
            state = FilterStep(*x, state, decay);
        series.SetValue(i, state);
    }
}

void RedrawSeries(const StoredSeries& series, int start, TWykres& chart)
{
    chart.Clear();
    const int count = series.Count();
    if (count == 0)
        return;
    const int p = std::clamp(start, 1, count);
    const bool automatic = chart.AutoSkala();
    if (automatic) {
        chart.SetAutoSkala(false);
        chart.SetMax(chart.Min() + SuspendedRange);
    }
    // No more entries than the strip holds, so the window's first entry stays on it.
    const int end = std::min(count, p + chart.StripLength() - 1);
    for (int i = p; i < end; ++i)
        chart.AddValue(series.Value(i));
    if (automatic)
        chart.SetAutoSkala(true);
    chart.AddValue(series.Value(end));
}

// The window from p holds p .. p + stripLength - 1, so the one from count - stripLength + 1 is
// the first to reach the last entry, and every entry is shown from some position.
int TrackBarMaximum(int count, int stripLength)
{
    return std::max(1, count - stripLength + 1);
}

ChartRange ManualChartRange(int w, int o)
{
    const double centre = o / 10.0;
    const double halfHeight = double(w) * w / 100.0;
    return {centre + halfHeight, centre - halfHeight};
}

void ApplyChartScaling(TWykres& chart, bool automatic, int w, int o)
{
    chart.SetAutoSkala(automatic);
    if (!automatic) {
        const ChartRange range = ManualChartRange(w, o);
        chart.SetRange(range.upper, range.lower);
    }
}
