#pragma once
// The steps of a read-out's dialogue with the logger, each ending the read-out with its End
// (thrown as Ended) when it does not go through. Only readout.cpp and steps.cpp use them.

#include "link/capture.h"
#include "link/primitives.h"
#include "readout/readout.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace readout::steps {

using devicelink::Context;

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

/// Reads and drops what waits on the line; a failure ends the read-out as a LineError.
void discard(Context& ctx);

/// Waits for text; a wait that fails ends the read-out (Stopped, NoAnswer or LineFailed).
void waitFor(Context& ctx, const QByteArray& text, std::int32_t seconds,
             devicelink::LineGone gone = devicelink::LineGone::Failure);

/// Sends text; a send that fails ends the read-out (LineFailed).
void send(Context& ctx, const QByteArray& text);

/// Lets the rest of the device's output arrive after what was awaited, and drops it.
void settle(Context& ctx);

/// Opens the port, asks for a reset and walks the boot menu to the prompt; closer closes the
/// port from then on.
void walkToPrompt(Context& ctx, const Request& request, Result& out,
                  std::optional<PortCloser>& closer);

/// Why a captured report is not proved whole, or nothing.
QString notWhole(const QByteArray& report, const devicelink::ReportEnd& end);

/// Why a capture that did not succeed ended.
End captureFailed(Context& ctx, devicelink::CaptureResult result);

/// At the prompt: the clear command, then the report asked for again to prove that the records
/// just kept are gone. A logger that answers the command with anything but what it does, or not
/// at all, is never told cleared.
void clear(Context& ctx, Result& out);

} // namespace readout::steps
