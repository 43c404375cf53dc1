#include "link/dialogues.h"

#include "link/capture.h"
#include "link/primitives.h"
#include "report/processdata.h"
#include "settings/ini.h"

#include <cstdint>
#include <optional>

namespace devicelink {

namespace {

// Closes the port when the dialogue ends, whichever way it ends once the port is open.
class PortCloser {
public:
    explicit PortCloser(Comm& comm) : comm_(comm) {}
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
    Comm& comm_;
    bool dismissed_ = false;
};

void discardInput(Context& ctx) {
    ctx.MSComm1.Input();
}

// The port of the list's selected position, stored for the next start.
std::int32_t storePort(Context& ctx, int listIndex) {
    const std::int32_t port = std::int16_t(listIndex + 1);
    settings::WriteIni(settings::kSection, settings::kPortKey, QString::number(port), ctx.log);
    return port;
}

// Waits for text, marks how far the dialogue came, then lets the rest of the device's output
// arrive and drops it. False when the wait failed or the program is told to end.
bool waitAndSettle(Context& ctx, const QByteArray& text, std::int32_t seconds,
                   Reached* reached = nullptr, Reached at = Reached::Nothing) {
    if (WaitFor(ctx, text, seconds) != 0)
        return false;
    if (reached)
        *reached = at;
    Pause(ctx, 1);
    if (ctx.events.cancelled())
        return false;
    discardInput(ctx);
    return true;
}

// The shared opening of the dialogues: open the port, ask for a reset and walk the boot menu to
// the prompt. Returns true at the prompt, with the port open and closer set; reached tells how
// far it came.
bool walkToPrompt(Context& ctx, std::int32_t port, std::optional<PortCloser>& closer,
                  std::int32_t bootSeconds = kBootSeconds, Reached* reached = nullptr) {
    if (OpenPort(ctx, port) != 0)
        return false;
    if (reached)
        *reached = Reached::Opened;
    closer.emplace(ctx.MSComm1);
    ctx.log.LogLine("");
    ctx.log.LogLine("Plug the PC into the ZELM device and");
    ctx.log.LogLine("press reset or cycle power on the ZELM");
    ctx.log.SetStatus("");
    discardInput(ctx);
    ctx.log.LogLine("Waiting for boot menu");
    return waitAndSettle(ctx, kBootMenu, bootSeconds, reached, Reached::BootMenu) &&
           SendText(ctx, kLeaveMenu) == 0 && waitAndSettle(ctx, kPrompt, kPromptSeconds);
}

// A serial error outside the primitives (discarding input) ends the dialogue in one line.
template <typename Steps> void guarded(Context& ctx, const char* name, Steps steps) {
    try {
        steps();
    } catch (const std::exception& e) {
        ctx.log.LogLine(QStringLiteral("ERROR: %1: %2").arg(name, QString::fromUtf8(e.what())));
    }
}

} // namespace

QByteArray& CapturedText() {
    static QByteArray text;
    return text;
}

void DownloadData(Context& ctx, int listIndex) {
    std::optional<PortCloser> closer;
    guarded(ctx, "DownloadData", [&] {
        if (!walkToPrompt(ctx, storePort(ctx, listIndex), closer))
            return;
        if (SendText(ctx, kReportCommand) != 0)
            return;
        if (Capture(ctx, CapturedText()) != 0)
            return;
        report::ProcessData(CapturedText(), ctx.log, ctx.ask);
    });
}

void ClearData(Context& ctx, int listIndex) {
    if (!ctx.ask.confirm(kClearQuestion))
        return;
    std::optional<PortCloser> closer;
    guarded(ctx, "ClearData", [&] {
        if (!walkToPrompt(ctx, storePort(ctx, listIndex), closer))
            return;
        if (SendText(ctx, kClearCommand) != 0)
            return;
        if (WaitFor(ctx, kPrompt, kPromptSeconds) != 0)
            return;
        ctx.log.LogLine("Clear complete");
    });
}

ReadOut readOutDevice(Context& ctx, std::int32_t port, bool clear, std::int32_t bootSeconds,
                      bool keepOpen) {
    ReadOut out;
    std::optional<PortCloser> closer;
    bool complete = false; // the dialogue went through: the line is fine
    guarded(ctx, "ReadOutDevice", [&] {
        if (!walkToPrompt(ctx, port, closer, bootSeconds, &out.reached)) {
            out.outcome = out.reached == Reached::Nothing ? Outcome::PortFailed : Outcome::NoAnswer;
            return;
        }
        QByteArray captured;
        if (SendText(ctx, kReportCommand) != 0 || Capture(ctx, captured) != 0)
            return;
        const report::Kept kept = report::keepReport(captured, ctx.log);
        out.outPath = kept.outPath;
        complete = true;
        if (!kept.decoded) {
            out.outcome = Outcome::NotKept;
            return;
        }
        out.outcome = Outcome::Done;
        if (!clear)
            return;
        complete = false;
        // The readings must be on the device before the logger forgets them; and a program
        // told to end clears nothing after that.
        out.outcome = Outcome::NotCleared;
        if (!kept.safe || ctx.events.cancelled()) {
            ctx.log.LogLine(kNotCleared + (kept.safe ? QStringLiteral("told to end")
                                                     : QStringLiteral("the report is not kept")));
            return;
        }
        // Back at the prompt after the report.
        Pause(ctx, 1);
        if (ctx.events.cancelled()) {
            ctx.log.LogLine(kNotCleared + QStringLiteral("told to end"));
            return;
        }
        discardInput(ctx);
        if (SendText(ctx, kClearCommand) != 0 || WaitFor(ctx, kPrompt, kPromptSeconds) != 0) {
            ctx.log.LogLine(kNotCleared + QStringLiteral("no prompt after the clear command"));
            return;
        }
        complete = true;
        ctx.log.LogLine("Clear complete");
        out.outcome = Outcome::Done;
    });
    if (keepOpen && complete && closer)
        closer->dismiss(); // the next logger's boot menu comes on the same line
    return out;
}

} // namespace devicelink
