#include "link/capture.h"

#include "link/primitives.h"

namespace devicelink {

std::int32_t Capture(Context& ctx, QByteArray& capturedText) {
    try {
        QByteArray buffer;
        ctx.log.LogLine("Waiting for data");
        const qsizetype p = searchInput(ctx, kStartMarker, timeLimitMs(kStartSeconds), buffer);
        if (p < 0) {
            ctx.log.LogLine("Timeout!");
            return 1;
        }
        buffer.remove(0, p + kStartMarker.size());

        qint64 start = ctx.clock.nowMs();
        qsizetype lastReported = 0;
        // The end marker may have come with the start marker: the first search covers it all.
        qsizetype from = 0;
        bool looked = false;
        qsizetype q = -1;
        for (;;) {
            if (elapsedMs(ctx, start) > timeLimitMs(kSilenceSeconds)) {
                ctx.log.LogLine("Timeout!");
                return 2;
            }
            // The first pass only looks: the end marker may be in the buffer already.
            runEventsOnce(ctx, looked ? leftMs(ctx, start, timeLimitMs(kSilenceSeconds)) : 0);
            looked = true;
            if (ctx.MSComm1.InBufferCount() > 0) {
                start = ctx.clock.nowMs();
                buffer += ctx.MSComm1.Input();
                if (buffer.size() > lastReported + 1000 || lastReported == 0) {
                    lastReported = buffer.size();
                    ctx.log.SetStatus("Received " + QString::number(lastReported) + " bytes");
                }
            }
            q = buffer.indexOf(kEndMarker, from);
            if (q >= 0)
                break;
            from = resumeSearchAt(buffer.size(), kEndMarker);
        }
        buffer.truncate(q);
        capturedText = buffer;
        const QString count = QString::number(buffer.size());
        ctx.log.SetStatus("Received " + count + " bytes");
        ctx.log.LogLine("Download complete " + count + " bytes");
        return 0;
    } catch (const std::exception& e) {
        ctx.log.LogLine("ERROR: Capture: " + QString::fromUtf8(e.what()));
        return 3;
    }
}

} // namespace devicelink
