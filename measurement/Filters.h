#pragma once
// The main window's processing of live results after decoding: the digital filter of the value,
// the temperature filter, the maximum jump and the statistics, plus the stored series of a
// recording or an opened data file, its refiltering and its window on the chart.
//
// The window calls, for each result r (a MeasurementResult), in this order:
//   6  if filtr is ticked:     r.value = digitalFilter_.Apply(r.value, r.jumpThreshold, firstResult_);
//   7  if filtrTemp is ticked: r.temperature = temperatureFilter_.Apply(r.temperature);
//   8  always:                 SSkok->setText(maximumJump_.Apply(r.value, r.decimalClass, firstResult_));
//   9  if Dane is ticked:      if (auto t = statistics_.Apply(r.value, r.decimalClass)) show t's texts
// The first-result flag is shared: the filter only reads it, the jump sets it. Switching the filter
// on and going back to live data clear it (firstResult_.Clear()).
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QVector>
#include <QtGlobal>

#include <limits>
#include <optional>
#include <vector>

class TWykres;

// Clear until the first result after a restart of the filter or of the live view.
class FirstResultFlag {
public:
    bool IsSet() const { return set_; }
    void Set() { set_ = true; }
    void Clear() { set_ = false; }

private:
    bool set_ = false;
};

// First-order smoothing with time constant T; a change larger than the result's jump threshold
// passes at once, so only small noise is smoothed.
class DigitalFilter {
public:
    double TimeConstant() const { return timeConstant_; }
    void SetTimeConstant(double t) { timeConstant_ = t; }
    double State() const { return state_; }
    double Apply(double value, double jumpThreshold, const FirstResultFlag& firstResult);

private:
    double timeConstant_ = 1.0;
    double state_ = 0;
};

// The same filter on the raw temperature (0.1 degC) with its own start flag and a threshold of
// 100 degC.
class TemperatureFilter {
public:
    static constexpr double JumpThreshold = 1000;

    double TimeConstant() const { return timeConstant_; }
    void SetTimeConstant(double t) { timeConstant_ = t; }
    // Switching the filter on: the next temperature starts it afresh.
    void Restart() { started_ = false; }
    double Apply(double temperature);

private:
    double timeConstant_ = 0;
    double state_ = 0;
    bool started_ = false;
};

// Largest absolute difference between consecutive results since "Kasuj".
class MaximumJump {
public:
    double Value() const { return maximumJump_; }
    // "Kasuj": the label shows the change with the next result.
    void Reset() { maximumJump_ = 0; }
    // Returns the caption of SSkok. Sets the first-result flag on the first result.
    QString Apply(double value, int decimalClass, FirstResultFlag& firstResult);
    QString Text(int decimalClass) const;

private:
    double previous_ = 0;
    double maximumJump_ = 0;
    // The caption changes far less often than results come: formatted again only when it does.
    mutable QString text_;
    mutable double textValue_ = -1;
    mutable int textClass_ = -1;
};

struct StatisticsTexts {
    QString minimum;  // Min
    QString maximum;  // Max
    QString average;  // Avr
};

// Minimum, maximum and average since the last restart ("c" and at start).
class Statistics {
public:
    static constexpr qint32 FrozenCount = std::numeric_limits<qint32>::max();

    // "c": the next result restarts the statistics (the window empties the labels itself).
    void RequestRestart() { restartPending_ = true; }
    bool RestartPending() const { return restartPending_; }
    void ResetStatistics(double value);
    // Counts a result; false once the count is frozen at 2147483647 (the labels keep their texts).
    bool Add(double value);
    // Add, then the new label texts, or nothing once the count is frozen.
    std::optional<StatisticsTexts> Apply(double value, int decimalClass);
    StatisticsTexts Texts(int decimalClass) const;

    qint32 Count() const { return count_; }
    double Minimum() const { return minimum_; }
    double Maximum() const { return maximum_; }
    double Average() const { return average_; }
    // Reaching the freeze takes billions of results; tests start close to it.
    void SetCountForTest(qint32 count) { count_ = count; }

private:
    bool restartPending_ = true;
    qint32 count_ = 0;
    double minimum_ = 0;
    double maximum_ = 0;
    double average_ = 0;
};

// Tau and TauTemp: the first "," becomes "." and the whole text must be a finite number.
std::optional<double> ParseTimeConstant(QString text);

// A value text of a recording or data file (" - 1.50": a space follows the minus), every space
// removed; nothing when it is not a finite number.
std::optional<double> SeriesTextToNumber(QByteArrayView text);
std::optional<double> SeriesTextToNumber(const QString& text);

// Results of a recording or an opened data file, numbered from 1 to Count(). The texts are kept
// as their single-byte characters, one after another, so a 65535-line file is one allocation.
class StoredSeries {
public:
    static constexpr int MaximumCount = 65535;

    int Count() const { return int(values_.size()); }
    bool IsFull() const { return Count() >= MaximumCount; }
    // Empties the series; it keeps its room for the next one.
    void Clear();
    void Reserve(qsizetype textBytes, int count);
    // False, and nothing stored, when the series is full.
    bool Append(const QString& valueText, double value);
    bool AppendBytes(QByteArrayView valueText, double value);
    // Stores the text with its number (0 when it is not one); RefilterSeries recomputes it.
    bool AppendText(const QString& valueText);

    QString Text(int number) const { return QString::fromLatin1(TextBytes(number)); }
    QByteArrayView TextBytes(int number) const
    {
        const quint32 begin = number > 1 ? ends_[number - 2] : 0;
        return QByteArrayView(bytes_.constData() + begin, ends_[number - 1] - begin);
    }
    double Value(int number) const { return values_[number - 1]; }
    void SetValue(int number, double value) { values_[number - 1] = value; }

private:
    QByteArray bytes_;            // the texts, one after another
    std::vector<quint32> ends_;   // where each text ends in bytes_
    std::vector<double> values_;
};

// The stored doubles recomputed from the value texts through the digital filter with time
// constant t, starting from the first entry (no jump threshold here).
void RefilterSeries(StoredSeries& series, double timeConstant);

// Clears the chart and draws the window of the series that begins at entry start (kept within
// 1 .. Count()): start .. start + StripLength - 1, or to the last entry when that comes sooner. Automatic
// scaling is held off until the last entry, so the chart rescales once.
void RedrawSeries(const StoredSeries& series, int start, TWykres& chart);

// Largest position of TrackBar1 for a series of count entries on a strip of stripLength
// positions: the window that starts there ends exactly at the last entry. 1 for a series that fits
// at once.
int TrackBarMaximum(int count, int stripLength);

struct ChartRange {
    double upper = 0;
    double lower = 0;
};

// The manual range of the track bars W (1..100) and O (-4000..4000): O/10 +- W^2/100.
ChartRange ManualChartRange(int w, int o);

// Autoskalowanie: on lets the chart scale itself; off fixes the range of W and O.
void ApplyChartScaling(TWykres& chart, bool automatic, int w, int o);
