#include "link/capture.h"

#include "link/primitives.h"

#include <algorithm>

namespace devicelink {

namespace {

constexpr qsizetype kTextTail = 64; // a message before the prompt is no longer than this

bool blank(char c) {
    return c == '\r' || c == '\n' || c == ' ' || c == '\t';
}
bool printable(char c) {
    return blank(c) || (c >= 0x20 && c < 0x7f);
}

// What the bytes after an end marker say of it.
enum class Tail {
    Prompt,    // blanks, then the prompt: the report's end, proved
    Text,      // text that ends in the prompt: its end, not proved
    Undecided, // too little has come to tell
    Data,      // the marker was four bytes of a record
};

Tail judge(QByteArrayView tail) {
    qsizetype i = 0;
    while (i < tail.size() && blank(tail[i]))
        ++i;
    const QByteArrayView rest = tail.sliced(i);
    if (rest.startsWith(kReportPrompt))
        return Tail::Prompt;
    if (QByteArrayView(kReportPrompt).startsWith(rest))
        return Tail::Undecided;
    if (!std::all_of(tail.begin(), tail.end(), printable))
        return Tail::Data;
    if (tail.indexOf(kReportPrompt) >= 0)
        return Tail::Text;
    return tail.size() < kTextTail ? Tail::Undecided : Tail::Data;
}

// Grows the buffer in place: Qt's append moves a full buffer into a new block, which would hold
// a long report twice for a moment.
void appendInPlace(QByteArray& buffer, const QByteArray& more) {
    const qsizetype needed = buffer.size() + more.size();
    if (needed > buffer.capacity())
        buffer.reserve(std::max(needed, buffer.capacity() + buffer.capacity() / 2));
    buffer.append(more);
}

QString limitReached(std::int32_t result) {
    return result == 4 ? QStringLiteral("no end marker in %1 bytes, more than a logger holds")
                             .arg(kMaxReportBytes)
                       : QStringLiteral("no end marker after %1 minutes").arg(kReportMinutes);
}

} // namespace

std::int32_t Capture(Context& ctx, QByteArray& capturedText, ReportEnd* end) {
    try {
        QByteArray buffer;
        ctx.log.LogLine("Waiting for data");
        const qsizetype p = searchInput(ctx, kStartMarker, timeLimitMs(kStartSeconds), buffer);
        if (p < 0) {
            ctx.log.LogLine("Timeout!", core::Severity::Error);
            return 1;
        }
        buffer.remove(0, p + kStartMarker.size());

        const qint64 begun = ctx.clock.nowMs();
        const qint64 totalMs = qint64(kReportMinutes) * 60 * 1000;
        qint64 start = begun;   // of the silence
        qint64 judgedSince = 0; // when the marker under judgement came
        qsizetype lastReported = 0;
        qsizetype from = 0;         // where the next search for an end marker begins
        qsizetype marker = -1;      // the end marker under judgement
        qsizetype firstMarker = -1; // the first one, should the rest never end
        bool look = true;           // look before sleeping: the end may be in the buffer already
        Tail tail = Tail::Undecided;
        for (;;) {
            if (marker < 0 && elapsedMs(ctx, start) > timeLimitMs(kSilenceSeconds)) {
                if (firstMarker < 0) {
                    ctx.log.LogLine("Timeout!", core::Severity::Error);
                    return 2;
                }
                marker = firstMarker; // what the logger sent after it never ended: take it
                break;
            }
            if (elapsedMs(ctx, begun) > totalMs) {
                ctx.log.LogLine("ERROR: Capture: " + limitReached(5), core::Severity::Error);
                return 5;
            }
            const qint64 left = marker >= 0 ? leftMs(ctx, judgedSince, kSettleMs)
                                            : leftMs(ctx, start, timeLimitMs(kSilenceSeconds));
            runEventsOnce(ctx, look ? 0 : std::min(left, leftMs(ctx, begun, totalMs)));
            look = false;
            if (ctx.MSComm1.InBufferCount() > 0) {
                start = ctx.clock.nowMs();
                appendInPlace(buffer, ctx.MSComm1.Input());
                if (buffer.size() > lastReported + 1000 || lastReported == 0) {
                    lastReported = buffer.size();
                    ctx.log.SetStatus("Received " + QString::number(lastReported) + " bytes");
                }
                if (buffer.size() > kMaxReportBytes + kEndMarker.size() + kTextTail) {
                    ctx.log.LogLine("ERROR: Capture: " + limitReached(4), core::Severity::Error);
                    return 4;
                }
            }
            if (marker < 0) {
                marker = buffer.indexOf(kEndMarker, from);
                from = resumeSearchAt(buffer.size(), kEndMarker);
                if (marker < 0)
                    continue;
                judgedSince = ctx.clock.nowMs();
            }
            tail = judge(QByteArrayView(buffer).sliced(marker + kEndMarker.size()));
            if (tail == Tail::Prompt || tail == Tail::Text)
                break;
            if (tail == Tail::Undecided && elapsedMs(ctx, judgedSince) > kSettleMs)
                break; // nothing more came: the end, as far as the line tells
            if (tail == Tail::Data) {
                if (firstMarker < 0)
                    firstMarker = marker;
                from = marker + 1;
                marker = -1;
                look = true;
            }
        }
        if (end)
            end->promptFollowed = tail == Tail::Prompt && marker != firstMarker;
        buffer.truncate(marker);
        capturedText = buffer;
        const QString count = QString::number(buffer.size());
        ctx.log.SetStatus("Received " + count + " bytes");
        ctx.log.LogLine("Download complete " + count + " bytes");
        return 0;
    } catch (const Stopped&) {
        return 3;
    } catch (const std::exception& e) {
        ctx.log.LogLine("ERROR: Capture: " + QString::fromUtf8(e.what()), core::Severity::Error);
        return 3;
    }
}

} // namespace devicelink
