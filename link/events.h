#pragma once

#include <QtGlobal>
#include <functional>

namespace devicelink {

/// Lets pending window events run during a wait.
class EventPump {
public:
    virtual ~EventPump() = default;
    /// Runs pending events once. When none are pending, sleeps until one comes (bytes on the
    /// serial line are one) or at most maxSleepMs milliseconds of real time pass.
    virtual void runPending(qint64 maxSleepMs) = 0;
    /// True once the user has asked the program to end: the running wait gives up.
    virtual bool cancelled() const = 0;
};

/// The window's event loop: a wait sleeps until something can change its outcome, so it
/// costs next to no CPU and wakes only for events or its own time limit.
class QtEventPump : public EventPump {
public:
    explicit QtEventPump(std::function<bool()> cancelled = {}) : cancelled_(std::move(cancelled)) {}
    void runPending(qint64 maxSleepMs) override;
    bool cancelled() const override { return cancelled_ && cancelled_(); }

private:
    std::function<bool()> cancelled_;
};

} // namespace devicelink
