#include "readout/readout.h"

#include "readout/steps.h"
#include "report/journal.h"

namespace readout {

using devicelink::Context;
using devicelink::kReportCommand;
using steps::Ended;
using steps::LineError;
using steps::PortCloser;

namespace {

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
    steps::settle(ctx);
    steps::send(ctx, kReportCommand);
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
        throw Ended{steps::captureFailed(ctx, code)};
    }
    out.reached = Stage::Captured;
    const QString why = steps::notWhole(out.report, end);
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
        steps::walkToPrompt(ctx, request, out, closer);
        download(session, request, out);
        if (request.clear) {
            try {
                steps::clear(ctx, out);
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
