#pragma once
// The small steps every exchange with the device is made of. Each reports its outcome as one
// of the results below and, when something went wrong, as one line in the status log.

#include "link/context.h"
#include "link/protocol.h"

#include <QByteArray>
#include <algorithm>
#include <cstdint>
#include <exception>

namespace devicelink {

/// What OpenPort did.
enum class OpenResult {
    Open,   // the port is open: opened now ("Port Opened") or found open ("Port already open")
    Failed, // an error while setting it up or opening it, logged as "ERROR: " + description
};

/// What WaitFor saw.
enum class WaitResult {
    Seen,     // the text came
    TimedOut, // not within the seconds; "Timeout!" logged
    Failed,   // an error of the line, logged ("ERROR: WaitFor: " + description, or for a line
              // gone as a routine event a notice that says it is waited for)
    Stopped,  // the program was told to end; nothing logged, whoever runs the dialogue tells it
};

/// What SendText did.
enum class SendResult {
    Sent,   // written to the line as it is
    Failed, // an error while writing, logged as "ERROR: SendText: " + description
};

/// What DiscardInput did.
enum class DiscardResult {
    Discarded, // what waited on the line is gone
    Failed,    // an error of the serial control; nothing logged, why says what it was
};

/// `OpenPort`: sets the port number, "115200,N,8,1", RTS on, no handshaking and text input, and
/// opens the port unless it is open already.
OpenResult OpenPort(Context& ctx, std::int32_t port);

/// What a line that goes away during a wait is: a failure of the step, or the routine event it
/// is for a station waiting for its next logger, whose adapter may be unplugged at any time.
enum class LineGone { Failure, Routine };

/// `WaitFor`: waits until text has come in, at most seconds.
WaitResult WaitFor(Context& ctx, const QByteArray& text, std::int32_t seconds,
                   LineGone gone = LineGone::Failure);

/// `Pause`: lets seconds pass while the window's events run. Returns early when the program is
/// told to end.
void Pause(Context& ctx, std::int32_t seconds);

/// Reads what waits on the line and drops it, as the dialogues do before a step. Logs nothing:
/// the dialogue tells a failure under its own name.
DiscardResult DiscardInput(Context& ctx, QString& why);

/// `SendText`: writes text to the line as it is.
SendResult SendText(Context& ctx, const QByteArray& text);

/// Seconds as milliseconds, refusing a product beyond 32 bits: every time-out is a 32-bit count
/// of milliseconds.
qint64 timeLimitMs(std::int32_t seconds);

/// Milliseconds since start on the context's clock.
qint64 elapsedMs(Context& ctx, qint64 start);

/// Thrown inside the link's waits when the program is told to end, and turned into a result
/// before it leaves them: not an error of the line.
class Stopped : public std::exception {
public:
    const char* what() const noexcept override { return "stopped"; }
};

/// One pass of a wait: lets the window's events run once, sleeping (unless bytes are waiting
/// already) until one comes or the clock has moved on by leftMs, and gives up with Stopped when
/// the program is told to end.
void runEventsOnce(Context& ctx, qint64 leftMs);

/// What is left of a wait of limitMs that started at start, plus the one millisecond that
/// takes it past its limit: a pass may sleep that long without missing the time-out.
qint64 leftMs(Context& ctx, qint64 start, qint64 limitMs);

/// Where a search for marker in input that grew from oldSize bytes resumes: the marker can only
/// newly appear across the old end or in the new bytes.
inline qsizetype resumeSearchAt(qsizetype oldSize, const QByteArray& marker) {
    return std::max<qsizetype>(0, oldSize - marker.size() + 1);
}

/// Takes input into seen until text appears in it: its position in seen, or -1 when limitMs
/// passed first. seen keeps only what a match can still need, so a line of endless noise costs
/// no memory: the bytes before the last text.size() - 1 of a failed look are dropped. Throws as
/// runEventsOnce does.
qsizetype searchInput(Context& ctx, const QByteArray& text, qint64 limitMs, QByteArray& seen);

} // namespace devicelink
