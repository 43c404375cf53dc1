#include "link/primitives.h"

#include <cstdlib>
#include <limits>
#include <stdexcept>

namespace devicelink {

qint64 timeLimitMs(std::int32_t seconds) {
    const qint64 ms = qint64(seconds) * 1000;
    if (ms > std::numeric_limits<std::int32_t>::max() ||
        ms < std::numeric_limits<std::int32_t>::min())
        throw std::overflow_error("Overflow");
    return ms;
}

qint64 elapsedMs(Context& ctx, qint64 start) {
    return std::llabs(ctx.clock.nowMs() - start);
}

qint64 leftMs(Context& ctx, qint64 start, qint64 limitMs) {
    return std::max<qint64>(0, limitMs - elapsedMs(ctx, start) + 1);
}

void runEventsOnce(Context& ctx, qint64 leftMs) {
    // Bytes already waiting are the next thing to look at: no sleep then.
    const bool waiting = leftMs > 0 && ctx.MSComm1.InBufferCount() > 0;
    ctx.events.runPending(waiting ? 0 : ctx.clock.realMs(leftMs));
    if (ctx.events.cancelled())
        throw Stopped();
}

OpenResult OpenPort(Context& ctx, std::int32_t port) {
    try {
        if (port < std::numeric_limits<std::int16_t>::min() ||
            port > std::numeric_limits<std::int16_t>::max())
            throw CommError("Overflow");
        ctx.MSComm1.setCommPort(port);
        ctx.MSComm1.setSettings(kLineSettings);
        ctx.MSComm1.setRTSEnable(true);
        ctx.MSComm1.setHandshaking(0);
        ctx.MSComm1.setInputMode(0);
        if (!ctx.MSComm1.PortOpen()) {
            ctx.MSComm1.setPortOpen(true);
            ctx.log.LogLine("Port Opened");
        } else {
            ctx.log.LogLine("Port already open");
        }
        return OpenResult::Open;
    } catch (const std::exception& e) {
        ctx.log.LogLine("ERROR: " + QString::fromUtf8(e.what()), core::Severity::Error);
        return OpenResult::Failed;
    }
}

qsizetype searchInput(Context& ctx, const QByteArray& text, qint64 limitMs, QByteArray& seen) {
    const qint64 start = ctx.clock.nowMs();
    for (;;) {
        if (elapsedMs(ctx, start) > limitMs)
            return -1;
        runEventsOnce(ctx, leftMs(ctx, start, limitMs));
        // No match so far: only a tail shorter than text can still be the start of one.
        const qsizetype keep = text.size() - 1;
        if (seen.size() > keep)
            seen.remove(0, seen.size() - keep);
        if (ctx.MSComm1.InBufferCount() > 0)
            seen += ctx.MSComm1.Input();
        const qsizetype at = seen.indexOf(text);
        if (at >= 0)
            return at;
    }
}

WaitResult WaitFor(Context& ctx, const QByteArray& text, std::int32_t seconds, LineGone gone) {
    try {
        QByteArray seen;
        if (searchInput(ctx, text, timeLimitMs(seconds), seen) >= 0)
            return WaitResult::Seen;
        ctx.log.LogLine("Timeout!", core::Severity::Error);
        return WaitResult::TimedOut;
    } catch (const Stopped&) {
        return WaitResult::Stopped;
    } catch (const CommError& e) {
        if (gone == LineGone::Routine)
            ctx.log.LogLine("Waiting for the device to come back: " + QString::fromUtf8(e.what()),
                            core::Severity::Notice);
        else
            ctx.log.failed("WaitFor", QString::fromUtf8(e.what()));
        return WaitResult::Failed;
    } catch (const std::exception& e) {
        ctx.log.failed("WaitFor", QString::fromUtf8(e.what()));
        return WaitResult::Failed;
    }
}

void Pause(Context& ctx, std::int32_t seconds) {
    const qint64 limit = qint64(seconds) * 1000;
    const qint64 start = ctx.clock.nowMs();
    while (elapsedMs(ctx, start) < limit && !ctx.events.cancelled())
        ctx.events.runPending(ctx.clock.realMs(limit - elapsedMs(ctx, start)));
}

DiscardResult DiscardInput(Context& ctx, QString& why) {
    try {
        ctx.MSComm1.Input();
        return DiscardResult::Discarded;
    } catch (const std::exception& e) {
        why = QString::fromUtf8(e.what());
        return DiscardResult::Failed;
    }
}

SendResult SendText(Context& ctx, const QByteArray& text) {
    try {
        ctx.MSComm1.setOutput(text);
        return SendResult::Sent;
    } catch (const std::exception& e) {
        ctx.log.failed("SendText", QString::fromUtf8(e.what()));
        return SendResult::Failed;
    }
}

} // namespace devicelink
