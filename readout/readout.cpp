#include "readout/readout.h"

#include "link/capture.h"
#include "link/primitives.h"
#include "report/journal.h"
#include "report/record.h"
#include "settings/ini.h"

#include <QMap>
#include <algorithm>
#include <optional>
#include <vector>

namespace readout {

using devicelink::Context;

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

// A failed wait: told to end, timed out, or the line failed (the wait logged which).
[[noreturn]] void waitFailed(Context& ctx, std::int32_t code) {
    if (ctx.events.cancelled())
        throw Ended{End::Stopped};
    throw Ended{code == 1 ? End::NoAnswer : End::LineFailed};
}

void waitFor(Context& ctx, const QByteArray& text, std::int32_t seconds,
             devicelink::LineGone gone = devicelink::LineGone::Failure) {
    if (const std::int32_t code = devicelink::WaitFor(ctx, text, seconds, gone); code != 0)
        waitFailed(ctx, code);
}

void send(Context& ctx, const QByteArray& text) {
    if (devicelink::SendText(ctx, text) != 0)
        throw Ended{End::LineFailed};
}

// Lets the rest of the device's output arrive after what was awaited, and drops it.
void settle(Context& ctx) {
    devicelink::Pause(ctx, 1);
    if (ctx.events.cancelled())
        throw Ended{End::Stopped};
    ctx.MSComm1.Input();
}

// Opens the port, asks for a reset and walks the boot menu to the prompt.
void walkToPrompt(Context& ctx, const Request& request, Result& out,
                  std::optional<PortCloser>& closer) {
    // A station's port, kept open for the next logger, is set up as it should be.
    const bool open = request.keepOpen && ctx.MSComm1.PortOpen();
    if (!open && devicelink::OpenPort(ctx, request.port) != 0)
        throw Ended{End::PortFailed};
    out.reached = Stage::Opened;
    closer.emplace(ctx.MSComm1);
    ctx.log.LogLine("");
    ctx.log.LogLine("Plug the PC into the ZELM device and");
    ctx.log.LogLine("press reset or cycle power on the ZELM");
    ctx.log.SetStatus("");
    ctx.MSComm1.Input();
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
End captureFailed(Context& ctx, std::int32_t code) {
    switch (code) {
    case 1:
    case 2:
        return End::NoAnswer;
    case 3:
        return ctx.events.cancelled() ? End::Stopped : End::LineFailed;
    default:
        return End::BeyondLimits;
    }
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
    if (const std::int32_t code = devicelink::Capture(ctx, out.report, &end); code != 0) {
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
    session.CapturedText = out.report;
    const QString why = notWhole(out.report, end);
    out.whole = why.isEmpty();
    const QDateTime when = session.wallClock();
    out.kept = request.showFile
                   ? report::ProcessData(session.folder, out.report, when, ctx.log, ctx.ask)
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
    if (out.report.isEmpty() && !request.window) // the window's editor shows it empty
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
        if (const std::int32_t code = devicelink::Capture(ctx, now, &end); code != 0)
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
    static const QMap<End, QString> why{
        {End::PortFailed, QStringLiteral("the port could not be opened")},
        {End::NoAnswer, QStringLiteral("the logger did not answer in time")},
        {End::LineFailed, QStringLiteral("the line failed")},
        {End::BeyondLimits, QStringLiteral("no whole report came")},
        {End::NotKept, QStringLiteral("a file of the report could not be written")},
        {End::NotCleared, QStringLiteral("the line failed")},
        {End::StillHolds, QStringLiteral("it still holds its report")},
        {End::NotProved, QStringLiteral("the report read back is not proved whole")},
    };
    return why.value(end);
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
        ctx.log.LogLine(ctx.events.stopReason() + cleared, core::Severity::Notice);
        return;
    }
    if (out.end == End::NotConfirmed) {
        ctx.log.LogLine("ERROR: the clear is not confirmed: " + reasonOf(out.unconfirmed),
                        core::Severity::Error);
        return;
    }
    if (!notCleared && !request.window && out.end == End::NotKept) {
        ctx.log.LogLine(QStringLiteral("ERROR: the report is not kept: a file of it could not be "
                                       "written"),
                        core::Severity::Error);
        return;
    }
    // Those were told with their reason.
    if (!notCleared || out.end == End::NotProved || out.end == End::NotJournaled)
        return;
    ctx.log.LogLine("ERROR: the logger was NOT cleared: " + reasonOf(out.end),
                    core::Severity::Error);
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
    } catch (const std::exception& e) {
        // A serial error outside the primitives (discarding input) ends it in one line.
        ctx.log.failed(request.clear && request.window ? "ClearData" : "DownloadData",
                       QString::fromUtf8(e.what()));
        // Once the report is kept only the clear can have failed.
        out.end = out.clearSent                ? End::NotConfirmed
                  : out.reached >= Stage::Kept ? End::NotCleared
                                               : End::LineFailed;
        out.unconfirmed = End::LineFailed;
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

namespace {

// The port of the list's selected position, stored for the next start.
std::int32_t storePort(Session& session, int listIndex) {
    const std::int32_t port = std::int16_t(listIndex + 1);
    settings::WriteIni(session.folder, settings::kSection, settings::kPortKey,
                       QString::number(port), session.ctx.log);
    return port;
}

} // namespace

Result DownloadData(Session& session, int listIndex) {
    Request request;
    request.port = storePort(session, listIndex);
    request.window = true;
    request.showFile = true;
    return readOut(session, request);
}

Result ClearData(Session& session, int listIndex) {
    if (!session.ctx.ask.confirm(kClearQuestion))
        return {};
    Request request;
    request.port = storePort(session, listIndex);
    request.window = true;
    request.clear = true; // kept first: what the logger holds is on the disk before it goes
    return readOut(session, request);
}

int exitStatus(const Result& result, int signal) {
    switch (result.end) {
    case End::Done:
        return 0;
    case End::PortFailed:
        return 2;
    case End::NotKept:
    case End::NotJournaled:
        return 3;
    case End::NotProved:
    case End::NotCleared:
    case End::StillHolds:
    case End::NotConfirmed:
        return 4;
    case End::Stopped:
        return signal > 0 ? 128 + signal : 1;
    case End::NoAnswer:
    case End::LineFailed:
    case End::BeyondLimits:
        break;
    }
    return 1;
}

} // namespace readout
