#pragma once

#include "core/host.h"
#include "link/clock.h"
#include "link/comm.h"
#include "link/events.h"

// The namespace of link/ is devicelink, not link, which POSIX takes for a function.
namespace devicelink {

/// What the primitives, the capture and the dialogues work with: the serial control, the
/// clock, the window's events, the status log and the questions to the user.
struct Context {
    Comm& MSComm1; // the serial control, the one connection to the device
    Clock& clock;
    EventPump& events;
    core::StatusLog& log;
    core::UserQuestions& ask;
};

} // namespace devicelink
