#pragma once
// The readings of a report, for charts, statistics and export: read from a decoded report
// (the tab-separated lines the program writes) or from a raw report, whose records decode to the
// same readings as the lines the program writes for them. Kept compact: a year of history is
// millions of readings, 24 bytes each. Times are the logger's wall-clock times: it knows no
// zone and no summer time, so they are never converted through the PC's zone.

#include "report/record.h"
#include "view/model/decimal.h"
#include "view/model/kinds.h"
#include "view/model/wallclock.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

class QIODevice;

namespace view {
inline namespace model {

/// The largest value of a reading, in tenths (99999.9): beyond what any decoder writes, and far
/// from where tenths or a calibration would overflow. A decoded line beyond it is no reading.
inline constexpr std::int32_t kMaxTenths = 999999;

/// One decoded line.
struct Reading {
    std::uint32_t time = kNoTime; // the stamp's wall-clock time: seconds since 1970-01-01 00:00
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
/// second value, exact as the settings write them, and their limits, none where none is set.
struct Shown {
    QString name;
    Calibration calibration[2];
    std::optional<Decimal> low[2], high[2];
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
    QStringList partial;     // of those, read-outs cut short ("*.partial.dat")
    QList<SkippedFile> skipped;
    bool raw = false;
};

/// How many bytes of a report's start decide whether it is raw or decoded.
inline constexpr qsizetype kHeadBytes = 4096;

/// True when the start of a report (its first kHeadBytes) is a raw report rather than a decoded
/// one, by its structure: 19-byte records of a known kind or empty slots, against tab-separated
/// lines that are readings. Neither: binary bytes make it raw. A byte-order mark, a heading or
/// an odd byte among a decoded report's lines does not.
bool looksRaw(QByteArrayView head);
/// True when the start of a file of any name is a report: raw records nine in ten of which or
/// more are of a known kind or empty slots, or lines of which one at least is a reading.
bool looksLikeReport(QByteArrayView head);

/// The readings of a decoded report (point or comma decimals, CR LF or LF, a UTF-8 byte-order
/// mark or not) or of a raw one, told apart by content, in report order and with nothing left
/// out.
Report readReport(const QByteArray& contents);

/// Reads a report from in a piece at a time, never holding it whole: calls each(reading, record)
/// for every shown record of a raw report (record: its 19 bytes), decoded straight into the
/// reading, or each(reading, {}) for every reading line of a decoded one; counts the rest in
/// report. New sensors are added to report.sensors. False with why when in cannot be read.
template <typename Each> bool eachReading(QIODevice& in, Report& report, Each each, QString& why);

/// The stamp as the decoded file writes it: "20yy-MM-dd-hh-mm-ss".
QByteArray stampText(const Reading& reading);

namespace detail {
/// Reads in, calling back through a plain function so the template stays small.
bool eachReading(QIODevice& in, Report& report, void (*each)(void*, const Reading&, QByteArrayView),
                 void* context, QString& why);
} // namespace detail

template <typename Each> bool eachReading(QIODevice& in, Report& report, Each each, QString& why) {
    return detail::eachReading(
        in, report,
        [](void* f, const Reading& r, QByteArrayView record) {
            (*static_cast<Each*>(f))(r, record);
        },
        &each, why);
}

} // namespace model
} // namespace view
