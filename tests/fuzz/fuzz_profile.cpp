// The settings file reader and writer on arbitrary file contents: the reader reads back what
// the writer wrote, writing twice changes nothing more, and other sections stay as they were.

#include "rig.h"
#include "settings/profile.h"

namespace {
// The file's lines without their line ends.
QList<QByteArray> lines(const QByteArray& contents) {
    QList<QByteArray> out = contents.split('\n');
    if (out.last().isEmpty())
        out.removeLast();
    for (QByteArray& line : out)
        if (line.endsWith('\r'))
            line.chop(1);
    return out;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    // The first two bytes make the value; the rest is the file.
    const QString value = QString::number(data[0] * 256 + data[1]);
    const QByteArray contents(reinterpret_cast<const char*>(data + 2), qsizetype(size - 2));

    const QString otherBefore = settings::ProfileValue(contents, "Other", "Key", "none");
    settings::ProfileValue(contents, "ZuroRuve", "Port", "");

    const QByteArray written = settings::WithProfileValue(contents, "ZuroRuve", "Port", value);
    if (settings::ProfileValue(written, "ZuroRuve", "Port", "") != value)
        fail("the reader reads back what the writer wrote");
    if (settings::ProfileValue(written, "zuroruve", "PORT", "") != value)
        fail("names match without regard to case");
    if (settings::WithProfileValue(written, "ZuroRuve", "Port", value) != written)
        fail("writing the same value again changes nothing");
    if (settings::ProfileValue(written, "Other", "Key", "none") != otherBefore)
        fail("other sections keep their values");
    // Every line but the one replaced stays, and at most a section line and the entry are new.
    QList<QByteArray> left = lines(written);
    const QList<QByteArray> before = lines(contents);
    qsizetype missing = 0;
    for (const QByteArray& line : before) {
        const qsizetype at = left.indexOf(line);
        if (at >= 0)
            left.removeAt(at);
        else
            ++missing;
    }
    if (missing > 1 || left.size() > 2)
        fail("other lines are kept as they were");
    return 0;
}
