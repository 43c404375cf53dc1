#include "readout/readout.h"

#include "link/capture.h"
#include "link/primitives.h"
#include "report/journal.h"
#include "report/record.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace readout {

using devicelink::Context;
using devicelink::kBootMenu;
using devicelink::kClearCommand;
using devicelink::kLeaveMenu;
using devicelink::kPrompt;
using devicelink::kPromptSeconds;
using devicelink::kReportCommand;

namespace {

// Closes the port when the read-out ends, whichever way it ends once the port is open.
class PortCloser {
public:
    explicit PortCloser(devicelink::Comm& comm) : comm_(comm) {}
    ~PortCloser() {
        if (dismissed_)
            return;
        try {
            comm_.setPortOpen(false);
        } catch (...) {
            // Nothing more can be done with a port that will not close.
        }
    }
    PortCloser(const PortCloser&) = delete;
    PortCloser& operator=(const PortCloser&) = delete;
    /// Leaves the port open.
    void dismiss() { dismissed_ = true; }

private:
    devicelink::Comm& comm_;
    bool dismissed_ = false;
};

// A step that did not go through ends the read-out; why is in the result.
struct Ended {
    End end;
};

// The line failed outside the steps that tell their own failure (discarding input): told once,
// under the dialogue's name.
struct LineError {
    QString why;
};

void discard(Context& ctx) {
    QString why;
    if (devicelink::DiscardInput(ctx, why) != devicelink::DiscardResult::Discarded)
        throw LineError{why};
}

void waitFor(Context& ctx, const QByteArray& text, std::int32_t seconds,
             devicelink::LineGone gone = devicelink::LineGone::Failure) {
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

// Writes a line of this read-out into the journal of the kept reports, and the file's SHA-256
// into sha; why it could not, or nothing.
QString journal(Session& session, const Request& request, const QDateTime& when,
                const QString& event, qint64 bytes, const QString& state, const QString& file,
                QString& sha) {
    const QString device = session.ctx.MSComm1.deviceName();
    report::JournalLine line{when,
                             event,
                             session.program + u' ' + QStringLiteral(ZURORUVE_VERSION),
                             device.isEmpty() ? QStringLiteral("port %1").arg(request.port)
                                              : device,
                             bytes,
                             state,
                             file,
                             sha};
    QString why;
    if (!report::writeJournal(session.folder.file(settings::kDataFolder), line, why))
        return why;
    sha = line.sha256;
    return {};
}

void tellNotJournaled(Context& ctx, const QString& why, bool clearAsked) {
    ctx.log.LogLine(
        QStringLiteral("ERROR: %1the read-out could not be written into its journal: %2")
            .arg(clearAsked ? QStringLiteral("the logger was NOT cleared: ") : QString(), why),
        core::Severity::Error);
}

void download(Session& session, const Request& request, Result& out) {
    Context& ctx = session.ctx;
    settle(ctx);
    send(ctx, kReportCommand);
    devicelink::ReportEnd end;
    if (const auto code = devicelink::Capture(ctx, out.report, &end);
        code != devicelink::CaptureResult::Captured) {
        if (!end.received.isEmpty()) { // every byte received is kept, the logger never cleared
            const QDateTime when = session.wallClock();
            out.partialPath = report::keepPartial(session.folder, end.received, when, ctx.log);
            const QString why =
                journal(session, request, when, QStringLiteral("read"), end.received.size(),
                        QStringLiteral("cut-short"), out.partialPath, out.sha256);
            if (!why.isEmpty())
                tellNotJournaled(ctx, why, false);
        }
        throw Ended{captureFailed(ctx, code)};
    }
    out.reached = Stage::Captured;
    const QString why = notWhole(out.report, end);
    out.whole = why.isEmpty();
    const QDateTime when = session.wallClock();
    out.kept = request.openWith ? report::ProcessData(session.folder, out.report, when, ctx.log,
                                                      ctx.ask, request.openWith)
                                : report::keepReport(session.folder, out.report, when, ctx.log);
    // Written and flushed before anything may clear the logger.
    const QString unjournaled =
        journal(session, request, when, QStringLiteral("read"), out.report.size(),
                out.whole ? QStringLiteral("whole") : QStringLiteral("not-proved-whole"),
                out.kept.copyPath, out.sha256);
    if (!out.kept.safe) {
        if (!unjournaled.isEmpty())
            tellNotJournaled(ctx, unjournaled, false);
        throw Ended{End::NotKept};
    }
    out.reached = Stage::Kept;
    if (!unjournaled.isEmpty()) {
        tellNotJournaled(ctx, unjournaled, request.clear);
        throw Ended{End::NotJournaled};
    }
    if (out.report.isEmpty() && request.closingLines)
        ctx.log.LogLine("The logger held no records", core::Severity::Notice);
    if (request.clear && !out.whole) {
        ctx.log.LogLine("ERROR: the logger was NOT cleared: the report is not proved whole: " + why,
                        core::Severity::Error);
        throw Ended{End::NotProved};
    }
}

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

// Why a read-out ended, for its closing line.
QString reasonOf(End end) {
    const char* reason = traitsOf(end).reason;
    return reason ? QString::fromLatin1(reason) : QString();
}

// The line that tells an outcome the steps' own lines leave untold.
void tellEnd(Context& ctx, const Request& request, const Result& out) {
    // A station waiting for its next logger has none to clear.
    const bool logger = out.reached >= Stage::BootMenu || !request.keepOpen;
    const bool notCleared = request.clear && out.reached != Stage::Cleared && logger;
    if (out.end == End::Stopped) {
        const QString cleared = out.clearSent ? QStringLiteral("; the clear is not confirmed")
                                : notCleared  ? QStringLiteral("; the logger was NOT cleared")
                                              : QString();
        ctx.log.LogLine(ctx.events.stopReason() + cleared, traitsOf(out.end).severity);
        return;
    }
    if (out.end == End::NotConfirmed) {
        ctx.log.LogLine("ERROR: the clear is not confirmed: " + reasonOf(out.unconfirmed),
                        traitsOf(out.end).severity);
        return;
    }
    if (!notCleared && request.closingLines && out.end == End::NotKept) {
        ctx.log.LogLine(QStringLiteral("ERROR: the report is not kept: a file of it could not be "
                                       "written"),
                        traitsOf(out.end).severity);
        return;
    }
    // Those were told with their reason.
    if (!notCleared || out.end == End::NotProved || out.end == End::NotJournaled)
        return;
    ctx.log.LogLine("ERROR: the logger was NOT cleared: " + reasonOf(out.end),
                    traitsOf(out.end).severity);
}

// A line that failed outside the steps ends the read-out in one line.
void lineFailed(Context& ctx, const Request& request, Result& out, const QString& why) {
    ctx.log.failed(request.procedure, why);
    // Once the report is kept only the clear can have failed.
    out.end = out.clearSent                ? End::NotConfirmed
              : out.reached >= Stage::Kept ? End::NotCleared
                                           : End::LineFailed;
    out.unconfirmed = End::LineFailed;
}

} // namespace

Result readOut(Session& session, const Request& request) {
    Context& ctx = session.ctx;
    Result out;
    std::optional<PortCloser> closer;
    try {
        walkToPrompt(ctx, request, out, closer);
        download(session, request, out);
        if (request.clear) {
            try {
                clear(ctx, out);
            } catch (const Ended& e) { // the report is safe: only the clear failed
                throw Ended{e.end == End::LineFailed ? End::NotCleared : e.end};
            }
        }
        out.end = End::Done;
    } catch (const Ended& e) {
        out.end = e.end;
    } catch (const LineError& e) {
        lineFailed(ctx, request, out, e.why);
    } catch (const std::exception& e) { // an error nothing below expected
        lineFailed(ctx, request, out, QString::fromUtf8(e.what()));
    }
    if (out.clearSent) { // what came of it, for the record
        const QString state = out.end == End::Done         ? QStringLiteral("cleared")
                              : out.end == End::StillHolds ? QStringLiteral("not-cleared")
                                                           : QStringLiteral("not-confirmed");
        const QString why = journal(session, request, session.wallClock(), QStringLiteral("clear"),
                                    out.report.size(), state, out.kept.copyPath, out.sha256);
        if (!why.isEmpty())
            ctx.log.LogLine("ERROR: the clear could not be written into the journal: " + why,
                            core::Severity::Error);
    }
    tellEnd(ctx, request, out);
    const bool lineFine = out.end == End::Done || out.end == End::NotKept ||
                          out.end == End::NotJournaled || out.end == End::NotProved ||
                          out.end == End::StillHolds;
    if (request.keepOpen && lineFine && closer)
        closer->dismiss(); // the next logger's boot menu comes on the same line
    return out;
}

} // namespace readout
