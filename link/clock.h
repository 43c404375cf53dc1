#pragma once

#include <QElapsedTimer>
#include <QtGlobal>

namespace devicelink {

/// Milliseconds on a clock that only moves forward, for waits and time-outs.
class Clock {
public:
    virtual ~Clock() = default;
    virtual qint64 nowMs() = 0;
    /// Real milliseconds until this clock has moved on by ms: how long a wait may sleep.
    virtual qint64 realMs(qint64 ms) const { return ms; }
};

/// The monotonic clock: a wait across midnight or a change of the system time runs its
/// full length.
class SteadyClock : public Clock {
public:
    SteadyClock() { timer_.start(); }
    qint64 nowMs() override { return timer_.elapsed(); }

private:
    QElapsedTimer timer_;
};

} // namespace devicelink
