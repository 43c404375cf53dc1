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
        try {
            comm_.setPortOpen(false);
        } catch (...) {
            // Nothing more can be done with a port that will not close.
        }
    }
    PortCloser(const PortCloser&) = delete;
    PortCloser& operator=(const PortCloser&) = delete;

private:
    Comm& comm_;
};

void discardInput(Context& ctx) {
    ctx.MSComm1.Input();
}

// The shared opening of both dialogues: store the port, open it, ask for a reset and walk the
// boot menu to the prompt. Returns true at the prompt, with the port open and closer set.
bool walkToPrompt(Context& ctx, int listIndex, std::optional<PortCloser>& closer) {
    const std::int32_t port = std::int16_t(listIndex + 1);
    settings::WriteIni(settings::kSection, settings::kPortKey, QString::number(port), ctx.log);
    if (OpenPort(ctx, port) != 0)
        return false;
    closer.emplace(ctx.MSComm1);
    ctx.log.LogLine("");
    ctx.log.LogLine("Plug the PC into the ZELM device and");
    ctx.log.LogLine("press reset or cycle power on the ZELM");
    ctx.log.SetStatus("");
    discardInput(ctx);
    ctx.log.LogLine("Waiting for boot menu");
    if (WaitFor(ctx, kBootMenu, kBootSeconds) != 0)
        return false;
    Pause(ctx, 1);
    if (ctx.events.Cancelled())
        return false;
    discardInput(ctx);
    if (SendText(ctx, kLeaveMenu) != 0)
        return false;
    if (WaitFor(ctx, kPrompt, kPromptSeconds) != 0)
        return false;
    Pause(ctx, 1);
    if (ctx.events.Cancelled())
        return false;
    discardInput(ctx);
    return true;
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
        if (!walkToPrompt(ctx, listIndex, closer))
            return;
        if (SendText(ctx, kReportCommand) != 0)
            return;
        if (Capture(ctx, CapturedText()) != 0)
            return;
        report::ProcessData(CapturedText(), ctx.log, ctx.ask);
    });
}

void ClearData(Context& ctx, int listIndex) {
    if (!ctx.ask.Confirm(kClearQuestion))
        return;
    std::optional<PortCloser> closer;
    guarded(ctx, "ClearData", [&] {
        if (!walkToPrompt(ctx, listIndex, closer))
            return;
        if (SendText(ctx, kClearCommand) != 0)
            return;
        if (WaitFor(ctx, kPrompt, kPromptSeconds) != 0)
            return;
        ctx.log.LogLine("Clear complete");
    });
}

} // namespace devicelink
