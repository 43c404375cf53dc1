// Decoding a raw report of arbitrary bytes: every record is counted, every line is well formed
// (five fields, four tabs), and reads cut anywhere give the same lines.

#include "report/record.h"
#include "rig.h"

namespace {
// Hands out what it holds in reads of a few bytes at a time.
class ChoppyDevice : public QIODevice {
public:
    explicit ChoppyDevice(QByteArray data) : data_(std::move(data)) { open(ReadOnly); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* out, qint64 max) override {
        const qint64 n = std::min<qint64>({max, data_.size() - pos_, 1 + (pos_ * 7) % 23});
        std::memcpy(out, data_.constData() + pos_, n);
        pos_ += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray data_;
    qint64 pos_ = 0;
};

QByteArray decode(QIODevice& in, const report::NumberFormat& format, report::DecodeResult& result) {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    result = report::DecodeReport(in, out, format);
    if (!result.error.isEmpty())
        fail("decoding reported an error");
    return out.data();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray raw(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer in;
    in.setData(raw);
    in.open(QIODevice::ReadOnly);
    report::DecodeResult result;
    const QByteArray text = decode(in, {"."}, result);

    if (result.records != qint64(size / 19) || result.lines > result.records)
        fail("every whole record is counted, at most one line each");

    static const QRegularExpression lineShape("^(OK|LOWBAT)\\t20\\d\\d(-\\d\\d){5}\\t(TX|BT|RX|BV)"
                                              "\\t(\\d{5}|[0-9A-F]{2}(:[0-9A-F]{2}){5})"
                                              "\\t-?\\d+\\.\\d( -?\\d+\\.\\d)?\\z");
    const QList<QByteArray> lines = text.split('\n');
    if (lines.size() != result.lines + 1 || !lines.last().isEmpty())
        fail("lines end in LF");
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        if (!line.endsWith('\r') || line.count('\t') != 4)
            fail("CR LF line ends and exactly four tabs");
        if (!lineShape.match(QString::fromLatin1(line.chopped(1))).hasMatch())
            fail("the line's fields have their shape");
    }

    ChoppyDevice choppy(raw);
    report::DecodeResult again;
    if (decode(choppy, {"."}, again) != text)
        fail("reads cut anywhere give the same lines");

    // A decimal comma changes the values only.
    in.seek(0);
    QByteArray withComma = decode(in, {","}, again);
    withComma.replace(',', '.');
    if (withComma != text)
        fail("the separator only changes the separator");
    return 0;
}
