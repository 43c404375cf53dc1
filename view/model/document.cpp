#include "view/model/document.h"

#include "view/model/charts.h"
#include "view/model/history.h"
#include "view/model/words.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <numeric>

namespace view {
inline namespace model {

namespace {

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// What was left out of the readings read, a line each.
QStringList leftOut(const Report& r) {
    QStringList out;
    if (r.untimed > 0)
        out.append(counted(r.untimed, "reading", "readings") +
                   QStringLiteral(" without a valid date and time, not charted"));
    if (r.skippedLines > 0)
        out.append(counted(r.skippedLines, "line", "lines") +
                   (r.skippedLines == 1 ? QStringLiteral(" that is not a reading")
                                        : QStringLiteral(" that are not readings")));
    if (r.partialBytes > 0)
        out.append(counted(r.partialBytes, "byte", "bytes") +
                   QStringLiteral(" after the last whole record"));
    return out;
}

} // namespace

void Document::setSettings(SensorSettings s) {
    settings = std::move(s);
    shown = shownSensors(report, settings);
    const QList<Quantity> all = quantities(report, shown);
    statistics = statisticsOf(report, all, settings.activationEnergy());
    charts.clear();
    bool any = false;
    for (const Quantity& q : all) {
        TimeRange r;
        if (!timeSpan(q, r.x0, r.x1))
            continue; // nothing to draw against time; the statistics still list it
        span = any ? TimeRange{std::min(span.x0, r.x0), std::max(span.x1, r.x1)} : r;
        any = true;
        charts.append(q);
    }
}

QList<int> Document::byReadings() const {
    QList<int> order(perSensor.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return perSensor[a] > perSensor[b]; });
    return order;
}

QList<int> Document::byIdentifier() const {
    QList<int> order(report.sensors.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const Sensor &x = report.sensors[a], &y = report.sensors[b];
        return std::tie(x.kind, x.id) < std::tie(y.kind, y.id);
    });
    return order;
}

QList<bool> Document::drawnOf(QList<bool> ticked) const {
    if (ticked.isEmpty())
        ticked.fill(true, report.sensors.size());
    QList<bool> drawn(report.sensors.size(), false);
    int n = 0;
    for (const int sensor : byReadings())
        if (ticked.value(sensor) && n < kMaxDrawn)
            drawn[sensor] = true, ++n;
    return drawn;
}

QString Document::period() const {
    std::uint32_t first = kNoTime, last = 0;
    for (const Reading& r : report.readings)
        if (r.time != kNoTime)
            first = std::min(first, r.time), last = std::max(last, r.time);
    return first == kNoTime ? QStringLiteral("no reading with a valid date and time")
                            : QStringLiteral("%1 to %2").arg(timeText(first), timeText(last));
}

Document documentOf(Report report, const QString& title, SensorSettings settings) {
    Document d;
    d.report = std::move(report);
    d.title = title;
    d.perSensor.fill(0, d.report.sensors.size());
    for (const Reading& r : std::as_const(d.report.readings))
        ++d.perSensor[r.sensor];
    d.setSettings(std::move(settings));
    return d;
}

bool readFiles(const QStringList& paths, Report& report, QString& title, QString& error) {
    report = readHistory(paths);
    return titleOf(paths, report, title, error);
}

bool titleOf(const QStringList& paths, const Report& report, QString& title, QString& error) {
    QStringList named;
    for (const QString& p : paths)
        named.append(native(p));
    if (report.readings.isEmpty()) {
        QStringList why;
        for (const SkippedFile& s : std::as_const(report.skipped))
            why.append(native(s.path) + QStringLiteral(": ") + s.reason);
        error = QStringLiteral("no readings in %1 (%2 read%3%4)")
                    .arg(named.join(QStringLiteral(", ")),
                         counted(report.files.size(), "file", "files"),
                         why.isEmpty() ? QString() : QStringLiteral("; "),
                         why.join(QStringLiteral("; ")));
        return false;
    }
    title = paths.size() == 1 ? QFileInfo(paths.first()).fileName()
                              : counted(report.files.size(), "file", "files");
    if (title.isEmpty()) // a folder named with a slash at its end
        title = named.first();
    return true;
}

QString summaryOf(const Report& r) {
    QString text =
        QStringList{counted(r.files.size(), "file", "files") + QStringLiteral(" read"),
                    counted(r.read, "record", "records") + QStringLiteral(" read"),
                    counted(r.readings.size(), "unique reading", "unique readings"),
                    QStringLiteral("%1 repeated left out").arg(r.repeated),
                    counted(r.skipped.size(), "file", "files") + QStringLiteral(" skipped")}
            .join(QStringLiteral(", "));
    for (const QString& more : leftOut(r))
        text += QStringLiteral("; ") + more;
    return text;
}

QStringList remarksOf(const Report& r) {
    QStringList out;
    for (const SkippedFile& s : r.skipped)
        out.append(QStringLiteral("skipped %1: %2").arg(native(s.path), s.reason));
    for (const QString& path : r.partial)
        out.append(QStringLiteral("%1 is partial: a read-out cut short, its whole records read")
                       .arg(native(path)));
    return out + leftOut(r);
}

} // namespace model
} // namespace view
