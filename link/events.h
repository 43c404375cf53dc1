#pragma once

#include <functional>

namespace devicelink {

/// Lets pending window events run during a wait.
class EventPump {
public:
    virtual ~EventPump() = default;
    /// Runs pending events once; may sleep until the next event, at most a few milliseconds.
    virtual void RunPending() = 0;
    /// True once the user has asked the program to end: the running wait gives up.
    virtual bool Cancelled() const = 0;
};

/// The window's event loop. Each pass sleeps until an event comes (data on the serial line is
/// one) or kSliceMs pass, so a wait costs next to no CPU.
class QtEventPump : public EventPump {
public:
    static constexpr int kSliceMs = 5;
    explicit QtEventPump(std::function<bool()> cancelled = {}) : cancelled_(std::move(cancelled)) {}
    void RunPending() override;
    bool Cancelled() const override { return cancelled_ && cancelled_(); }

private:
    std::function<bool()> cancelled_;
};

} // namespace devicelink
