#include "link/capture.h"

#include "link/primitives.h"

#include <algorithm>
#include <utility>

namespace devicelink {

namespace {

bool printable(char c) {
    return c == '\r' || c == '\n' || c == '\t' || (c >= 0x20 && c < 0x7f);
}

// What the bytes after an end marker say of it.
enum class Tail {
    Prompt,    // text, then the prompt: the report's end, proved
    Undecided, // too little has come to tell
    Data,      // the marker was four bytes of a record
};

// A logger back at its prompt may say something first, in text; a record holds bytes no text
// has (its kind, 1 to 4, at the least).
Tail judge(QByteArrayView tail) {
    const qsizetype prompt = tail.indexOf(kPrompt);
    const QByteArrayView text = tail.first(prompt >= 0 ? prompt : tail.size());
    if (!std::all_of(text.begin(), text.end(), printable))
        return Tail::Data;
    if (prompt >= 0)
        return prompt <= kMaxTextBeforePrompt ? Tail::Prompt : Tail::Data;
    // The text still coming, and perhaps the start of the prompt.
    return tail.size() < kMaxTextBeforePrompt + kPrompt.size() ? Tail::Undecided : Tail::Data;
}

// Grows the buffer in place: Qt's append moves a full buffer into a new block, which would hold
// a long report twice for a moment.
void appendInPlace(QByteArray& buffer, const QByteArray& more) {
    const qsizetype needed = buffer.size() + more.size();
    if (needed > buffer.capacity())
        buffer.reserve(std::max(needed, buffer.capacity() + buffer.capacity() / 2));
    buffer.append(more);
}

QString limitReached(CaptureResult result) {
    return result == CaptureResult::TooLong
               ? QStringLiteral("no end marker in %1 bytes, more than a logger holds")
                     .arg(kMaxReportBytes)
               : QStringLiteral("no end marker after %1 minutes").arg(kReportMinutes);
}

// Takes what waits on the line into buffer, the count shown on the first data and after every
// further 1000 bytes; false once buffer holds more than any report with its end.
bool take(Context& ctx, QByteArray& buffer, qsizetype& lastReported) {
    appendInPlace(buffer, ctx.MSComm1.Input());
    if (buffer.size() > lastReported + 1000 || lastReported == 0) {
        lastReported = buffer.size();
        ctx.log.SetStatus("Received " + QString::number(lastReported) + " bytes");
    }
    return buffer.size() <=
           kMaxReportBytes + kEndMarker.size() + kMaxTextBeforePrompt + kPrompt.size();
}

// Phase 2: collects what follows the start marker into buffer until an end marker counts, and
// cuts buffer there (Captured); or gives up with the result and its line, buffer left whole.
CaptureResult collect(Context& ctx, QByteArray& buffer, ReportEnd* end) {
    const qint64 begun = ctx.clock.nowMs();
    const qint64 totalMs = qint64(kReportMinutes) * 60 * 1000;
    qint64 start = begun;   // of the silence
    qint64 judgedSince = 0; // when the marker under judgement, or the last text after it, came
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
                return CaptureResult::Silence;
            }
            marker = firstMarker; // what the logger sent after it never ended: take it
            break;
        }
        if (elapsedMs(ctx, begun) > totalMs) {
            ctx.log.failed("Capture", limitReached(CaptureResult::TooSlow));
            return CaptureResult::TooSlow;
        }
        const qint64 left = marker >= 0 ? leftMs(ctx, judgedSince, kSettleMs)
                                        : leftMs(ctx, start, timeLimitMs(kSilenceSeconds));
        runEventsOnce(ctx, look ? 0 : std::min(left, leftMs(ctx, begun, totalMs)));
        look = false;
        if (ctx.MSComm1.InBufferCount() > 0) {
            start = judgedSince = ctx.clock.nowMs();
            if (!take(ctx, buffer, lastReported)) {
                ctx.log.failed("Capture", limitReached(CaptureResult::TooLong));
                return CaptureResult::TooLong;
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
        if (tail == Tail::Prompt)
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
    return CaptureResult::Captured;
}

} // namespace

CaptureResult Capture(Context& ctx, QByteArray& capturedText, ReportEnd* end) {
    QByteArray buffer;
    bool started = false; // the start marker came: what follows it is kept should it end early
    CaptureResult result = CaptureResult::Captured;
    try {
        ctx.log.LogLine("Waiting for data");
        const qsizetype p = searchInput(ctx, kStartMarker, timeLimitMs(kStartSeconds), buffer);
        if (p < 0) {
            ctx.log.LogLine("Timeout!", core::Severity::Error);
            return CaptureResult::NoStart;
        }
        buffer.remove(0, p + kStartMarker.size());
        started = true;
        result = collect(ctx, buffer, end);
    } catch (const Stopped&) {
        result = CaptureResult::Stopped;
    } catch (const std::exception& e) {
        ctx.log.failed("Capture", QString::fromUtf8(e.what()));
        result = CaptureResult::Failed;
    }
    if (result != CaptureResult::Captured) {
        if (started && end)
            end->received = std::move(buffer);
        return result;
    }
    capturedText = buffer;
    const QString count = QString::number(buffer.size());
    ctx.log.SetStatus("Received " + count + " bytes");
    ctx.log.LogLine("Download complete " + count + " bytes");
    return CaptureResult::Captured;
}

} // namespace devicelink
