#pragma once
// The readings of a report, for charts, statistics and export: read from a decoded report
// (the tab-separated lines the program writes) or from a raw report, decoded with the program's
// own decoder. Kept compact: a year of history is millions of readings, 24 bytes each.

#include "report/record.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <cstdint>
#include <limits>

class QIODevice;

namespace view {

/// Time of a reading whose stamp is not a valid date and time.
inline constexpr std::uint32_t kNoTime = std::numeric_limits<std::uint32_t>::max();

// The kinds of sensor are the kinds of record.
using report::Kind;
using report::TX, report::BT, report::RX, report::BV;

/// What a sensor's value measures, in the order zelm-view charts them.
enum Measure { TemperatureMeasure, HumidityMeasure, RxMeasure, BatteryMeasure, kMeasures };
/// The measure of a sensor's first value, or of its second (BT humidity, the second RX reading).
Measure measureOf(Kind kind, bool second);

/// One decoded line.
struct Reading {
    std::uint32_t time = kNoTime; // local date and time of the stamp, seconds since the epoch
    std::int32_t value = 0;       // tenths, as written with one decimal
    std::int32_t value2 = 0;      // tenths; BT humidity or the second RX reading, else 0
    std::uint32_t sensor = 0;
    std::uint8_t stamp[6] = {}; // the stamp's two-digit fields: year in the century .. second
    bool lowBat = false;
    bool hasValue2 = false;
    qint64 ms() const { return qint64(time) * 1000; }
};
static_assert(sizeof(Reading) == 24, "a year of history is held in memory");

/// A transmitter or station: kind and identifier text.
struct Sensor {
    Kind kind;
    QByteArray id;
    QString name() const;
};

/// How a sensor is shown: the name its owner gave it (or none), the calibration of its first and
/// second value (shown = gain x decoded + offset) and their limits, NaN where none is set.
struct Shown {
    QString name;
    double gain[2] = {1, 1};
    double offset[2] = {0, 0};
    double low[2] = {std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::quiet_NaN()};
    double high[2] = {std::numeric_limits<double>::quiet_NaN(),
                      std::numeric_limits<double>::quiet_NaN()};
    bool calibrated(int value) const { return gain[value] != 1 || offset[value] != 0; }
};

/// A file that was named but gave no readings, and why.
struct SkippedFile {
    QString path;
    QString reason;
};

/// The readings of one report or of a history of several, with what reading them met.
struct Report {
    QList<Reading> readings; // report order; a history: time order, untimed last
    QList<Sensor> sensors;
    qint64 skippedLines = 0; // lines of a decoded report that are not a reading
    qint64 untimed = 0;      // readings whose stamp is not a valid date and time
    qint64 read = 0;         // readings read, repeated ones included
    qint64 repeated = 0;     // readings left out because an earlier file or record held them
    qint64 partialBytes = 0; // bytes of raw reports after their last whole record
    QStringList files;       // files that gave readings, in the order read
    QList<SkippedFile> skipped;
    bool raw = false;
};

/// True when the bytes look like a raw report rather than a decoded one: decoded reports are
/// lines of printable text, raw reports are binary records.
bool looksRaw(QByteArrayView head);

/// The readings of a decoded report (point or comma decimals, CR LF or LF) or of a raw one,
/// told apart by content, in report order and with nothing left out.
Report readReport(const QByteArray& contents);

/// Calls each(reading, record) for every shown record of a raw report (record: its 19 bytes)
/// or each(reading, {}) for every reading line of a decoded one; counts the rest in report.
/// New sensors are added to report.sensors.
template <typename Each> void eachReading(const QByteArray& contents, Report& report, Each each);

/// The stamp as the decoded file writes it: "20yy-MM-dd-hh-mm-ss".
QByteArray stampText(const Reading& reading);

/// The readings as CSV: header "time,status,kind,id,value,value2,name", one row per reading,
/// values calibrated and names given as shown says (by sensor number; empty: none).
void writeCsv(const Report& report, QIODevice& out, const QList<Shown>& shown = {});

namespace detail {
/// Reads contents, calling back through a plain function so the template stays small.
void eachReading(const QByteArray& contents, Report& report,
                 void (*each)(void*, const Reading&, QByteArrayView), void* context);
} // namespace detail

template <typename Each> void eachReading(const QByteArray& contents, Report& report, Each each) {
    detail::eachReading(
        contents, report,
        [](void* f, const Reading& r, QByteArrayView record) {
            (*static_cast<Each*>(f))(r, record);
        },
        &each);
}

} // namespace view
