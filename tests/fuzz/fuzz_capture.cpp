// The capture fed arbitrary bytes in arbitrary reads: what it keeps is exactly the bytes
// strictly between the first start marker and the first end marker after it, however the
// stream is cut; without both markers it times out and keeps nothing.

#include "fakeline.h"

#include "link/capture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // The first bytes give the sizes of the reads, the rest is the stream.
    const std::size_t sizes = 1 + data[0] % 8;
    if (size < 1 + sizes)
        return 0;
    const QByteArray stream(reinterpret_cast<const char*>(data + 1 + sizes),
                            qsizetype(size - 1 - sizes));

    Rig rig;
    rig.line.open = true;
    rig.line.stepMs = 1000; // one read a second: never 30 s of silence while data flows
    qsizetype pos = 0;
    for (std::size_t i = 0; pos < stream.size(); ++i) {
        const qsizetype n = 1 + data[1 + i % sizes] % 64;
        rig.line.arrive(1000, stream.mid(pos, n));
        pos += n;
    }
    QByteArray captured = "before";
    const int result = devicelink::Capture(rig.ctx, captured);

    const qsizetype p = stream.indexOf("!@#$");
    const qsizetype q = p < 0 ? -1 : stream.indexOf("%^&*", p + 4);
    if (p >= 0 && q >= 0) {
        if (result != 0 || captured != stream.mid(p + 4, q - p - 4))
            fail("the bytes between the markers are kept");
        if (rig.log.lines.last() != QString("Download complete %1 bytes").arg(captured.size()))
            fail("the completion line counts them");
    } else {
        if (result != (p < 0 ? 1 : 2) || captured != "before")
            fail("no capture without both markers");
        if (rig.log.lines.last() != "Timeout!")
            fail("a time-out is told");
    }
    return 0;
}
