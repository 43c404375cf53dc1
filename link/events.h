#pragma once

#include <QString>
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
    /// Why the program is to end, as a line for the log ("Stopped: the window is being closed"),
    /// or nothing: a running wait gives up once there is a reason.
    virtual QString stopReason() const = 0;
    bool cancelled() const { return !stopReason().isEmpty(); }
};

/// The window's event loop: a wait sleeps until something can change its outcome, so it
/// costs next to no CPU and wakes only for events or its own time limit.
class QtEventPump : public EventPump {
public:
    explicit QtEventPump(std::function<QString()> stopReason = {})
        : stopReason_(std::move(stopReason)) {}
    void runPending(qint64 maxSleepMs) override;
    QString stopReason() const override { return stopReason_ ? stopReason_() : QString(); }

private:
    std::function<QString()> stopReason_;
};

} // namespace devicelink
