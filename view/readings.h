#pragma once
// The readings of a report, for charts, statistics and export: read from a decoded report
// (the tab-separated lines the program writes) or from a raw report, decoded with the program's
// own decoder. Kept compact: a report of a million records is a few tens of megabytes.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <cstdint>
#include <limits>

class QIODevice;

namespace view {

/// Time of a reading whose stamp is not a valid date and time.
inline constexpr qint64 kNoTime = std::numeric_limits<qint64>::min();

enum Kind : std::uint8_t { TX, BT, RX, BV };

/// One decoded line.
struct Reading {
    qint64 time = kNoTime;   // local date and time of the stamp, ms since the epoch
    std::int32_t value = 0;  // tenths, as written with one decimal
    std::int32_t value2 = 0; // tenths; BT humidity or the second RX reading
    std::uint32_t sensor = 0;
    std::uint8_t stamp[6] = {}; // the stamp's two-digit fields: year in the century .. second
    bool lowBat = false;
    bool hasValue2 = false;
};

/// A transmitter or station: kind and identifier text.
struct Sensor {
    Kind kind;
    QByteArray id;
    QString name() const;
};

struct Report {
    QList<Reading> readings; // in report order
    QList<Sensor> sensors;
    qint64 skippedLines = 0; // lines of a decoded report that are not a reading
    qint64 untimed = 0;      // readings whose stamp is not a valid date and time
    bool raw = false;
};

/// True when the bytes look like a raw report rather than a decoded one: decoded reports are
/// lines of printable text, raw reports are binary records.
bool LooksRaw(QByteArrayView head);

/// The readings of a decoded report (point or comma decimals, CR LF or LF) or of a raw one,
/// told apart by content.
Report ReadReport(const QByteArray& contents);

/// Reads the report in the file at path. False, with error set to one line naming the file
/// and what was expected, when it cannot be read or holds no readings.
bool LoadReport(const QString& path, Report& report, QString& error);

/// Parses one decoded line (without its line end) into reading; false for any other line.
bool ParseLine(QByteArrayView line, Report& report, Reading& reading);

/// The stamp as the decoded file writes it: "20yy-mm-dd-hh-nn-ss".
QByteArray StampText(const Reading& reading);

/// The readings as CSV: header "time,status,kind,id,value,value2", one row per reading.
void WriteCsv(const Report& report, QIODevice& out);

/// A reading's value in tenths as text with a point and one decimal.
QByteArray TenthsText(std::int32_t tenths);

} // namespace view
