// zelm-view's reader on arbitrary bytes: it never fails, every line is a reading or is counted
// as skipped, and each reading written back as a decoded line reads back the same.

#include "rig.h"
#include "view/readings.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    view::Report report = view::ReadReport(bytes);
    if (report.raw != view::LooksRaw(bytes))
        fail("raw or decoded, not by content");
    if (!report.raw && report.readings.size() + report.skippedLines > bytes.count('\n') + 1)
        fail("more readings and skipped lines than lines");
    qint64 untimed = 0;
    for (const view::Reading& r : report.readings) {
        untimed += r.time == view::kNoTime;
        const view::Sensor& s = report.sensors.value(qsizetype(r.sensor));
        const char* kinds[] = {"TX", "BT", "RX", "BV"};
        QByteArray line = (r.lowBat ? "LOWBAT\t" : "OK\t") + view::StampText(r) + '\t' +
                          kinds[s.kind] + '\t' + s.id + '\t' + view::TenthsText(r.value);
        if (r.hasValue2)
            line += ' ' + view::TenthsText(r.value2);
        view::Reading again;
        if (!view::ParseLine(line, report, again))
            fail("a reading does not read back");
        if (again.time != r.time || again.value != r.value || again.value2 != r.value2 ||
            again.sensor != r.sensor || again.lowBat != r.lowBat ||
            again.hasValue2 != r.hasValue2 || std::memcmp(again.stamp, r.stamp, 6) != 0)
            fail("a reading reads back different");
    }
    if (untimed != report.untimed)
        fail("untimed readings miscounted");
    return 0;
}
