#include "readout/steps.h"

#include "link/primitives.h"
#include "report/record.h"

#include <algorithm>
#include <vector>

namespace readout::steps {

using devicelink::kBootMenu;
using devicelink::kClearCommand;
using devicelink::kLeaveMenu;
using devicelink::kPrompt;
using devicelink::kPromptSeconds;
using devicelink::kReportCommand;

void discard(Context& ctx) {
    QString why;
    if (devicelink::DiscardInput(ctx, why) != devicelink::DiscardResult::Discarded)
        throw LineError{why};
}

void waitFor(Context& ctx, const QByteArray& text, std::int32_t seconds,
             devicelink::LineGone gone) {
    const devicelink::WaitResult result = devicelink::WaitFor(ctx, text, seconds, gone);
    if (result == devicelink::WaitResult::Seen)
        return;
    if (ctx.events.cancelled()) // told to end while it failed
        throw Ended{End::Stopped};
    switch (result) {
    case devicelink::WaitResult::Seen:
        return;
    case devicelink::WaitResult::TimedOut:
        throw Ended{End::NoAnswer};
    case devicelink::WaitResult::Failed:
    case devicelink::WaitResult::Stopped:
        throw Ended{End::LineFailed};
    }
}

void send(Context& ctx, const QByteArray& text) {
    if (devicelink::SendText(ctx, text) != devicelink::SendResult::Sent)
        throw Ended{End::LineFailed};
}

// Lets the rest of the device's output arrive after what was awaited, and drops it.
void settle(Context& ctx) {
    devicelink::Pause(ctx, 1);
    if (ctx.events.cancelled())
        throw Ended{End::Stopped};
    discard(ctx);
}

// Opens the port, asks for a reset and walks the boot menu to the prompt.
void walkToPrompt(Context& ctx, const Request& request, Result& out,
                  std::optional<PortCloser>& closer) {
    // A station's port, kept open for the next logger, is set up as it should be.
    const bool open = request.keepOpen && ctx.MSComm1.PortOpen();
    if (!open && devicelink::OpenPort(ctx, request.port) != devicelink::OpenResult::Open)
        throw Ended{End::PortFailed};
    out.reached = Stage::Opened;
    closer.emplace(ctx.MSComm1);
    ctx.log.LogLine("");
    ctx.log.LogLine("Plug the PC into the ZELM device and");
    ctx.log.LogLine("press reset or cycle power on the ZELM");
    ctx.log.SetStatus("");
    discard(ctx);
    ctx.log.LogLine("Waiting for boot menu");
    // A station's adapter may be unplugged while it waits for a logger.
    waitFor(ctx, kBootMenu, request.bootSeconds,
            request.keepOpen ? devicelink::LineGone::Routine : devicelink::LineGone::Failure);
    out.reached = Stage::BootMenu;
    settle(ctx);
    send(ctx, kLeaveMenu);
    waitFor(ctx, kPrompt, kPromptSeconds);
    out.reached = Stage::Prompt;
}

// Why a captured report is not proved whole, or nothing.
QString notWhole(const QByteArray& report, const devicelink::ReportEnd& end) {
    if (report.size() % report::kRecordSize != 0)
        return QStringLiteral("its %1 bytes are not a whole number of %2-byte records")
            .arg(report.size())
            .arg(report::kRecordSize);
    if (!end.promptFollowed)
        return QStringLiteral("its end marker was not followed by the logger's prompt");
    return {};
}

// Why a capture that did not succeed ended.
End captureFailed(Context& ctx, devicelink::CaptureResult result) {
    switch (result) {
    case devicelink::CaptureResult::NoStart:
    case devicelink::CaptureResult::Silence:
        return End::NoAnswer;
    case devicelink::CaptureResult::Captured: // not a failure; never asked
    case devicelink::CaptureResult::Failed:
    case devicelink::CaptureResult::Stopped:
        return ctx.events.cancelled() ? End::Stopped : End::LineFailed;
    case devicelink::CaptureResult::TooLong:
    case devicelink::CaptureResult::TooSlow:
        return End::BeyondLimits;
    }
    return End::LineFailed;
}

namespace {

// True when a record in use (not an empty slot) of kept is among the records of now. A logger
// records on after its clear, so new records prove nothing either way.
bool holdsAny(const QByteArray& now, const QByteArray& kept) {
    constexpr qsizetype n = report::kRecordSize;
    std::vector<QByteArrayView> records;
    records.reserve(size_t(now.size() / n));
    for (qsizetype at = 0; at + n <= now.size(); at += n)
        records.push_back(QByteArrayView(now).sliced(at, n));
    std::sort(records.begin(), records.end());
    for (qsizetype at = 0; at + n <= kept.size(); at += n) {
        const QByteArrayView record = QByteArrayView(kept).sliced(at, n);
        const bool empty = uchar(record[0]) == 0xFF && uchar(record[1]) == 0xFF;
        if (!empty && std::binary_search(records.begin(), records.end(), record))
            return true;
    }
    return false;
}

} // namespace

// At the prompt: the clear command, then the report asked for again to prove that the records
// just kept are gone. A logger that answers the command with anything but what it does, or not
// at all, is never told cleared.
void clear(Context& ctx, Result& out) {
    settle(ctx);
    send(ctx, kClearCommand);
    out.clearSent = true;
    try {
        waitFor(ctx, kPrompt, kPromptSeconds);
        ctx.log.LogLine("Reading the report back to prove the clear");
        settle(ctx);
        send(ctx, kReportCommand);
        QByteArray now;
        devicelink::ReportEnd end;
        if (const auto code = devicelink::Capture(ctx, now, &end);
            code != devicelink::CaptureResult::Captured)
            throw Ended{captureFailed(ctx, code)};
        if (!notWhole(now, end).isEmpty())
            throw Ended{End::NotProved};
        if (holdsAny(now, out.report))
            throw Ended{End::StillHolds};
    } catch (const Ended& e) {
        if (e.end == End::Stopped || e.end == End::StillHolds)
            throw;
        out.unconfirmed = e.end;
        throw Ended{End::NotConfirmed};
    }
    ctx.log.LogLine("Clear complete");
    out.reached = Stage::Cleared;
}

} // namespace readout::steps
