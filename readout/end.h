#pragma once
// How a read-out ends, and all that follows from it in one table: the exit status of a program
// that ran it, the severity of its closing line and the reason that line gives.

#include "core/host.h"

#include <QString>
#include <array>

namespace readout {

/// Why a read-out ended.
enum class End {
    Done,         // all that was asked is done
    PortFailed,   // the port could not be opened
    NoAnswer,     // the logger did not answer in time
    LineFailed,   // the line failed: unplugged, or an error of the serial port
    BeyondLimits, // no end of the report within its size or time limit
    Stopped,      // the program was told to end (the window closing, a signal)
    NotKept,      // the report could not be kept: nothing cleared
    NotJournaled, // kept, but not written into the journal of the kept reports: not cleared
    NotProved,    // kept, but not proved whole: not cleared
    NotCleared,   // kept; the line failed before the clear command went out
    StillHolds,   // kept; read back after the clear, the logger still holds records of it
    NotConfirmed, // kept; the clear command went out, but reading back did not prove it
};

/// What follows from one End.
struct EndTraits {
    End end;
    int status; // the exit status (Stopped: 128 + the signal where one stopped it)
    core::Severity severity;
    const char* reason; // why, in the closing line where it gives one; nullptr: never asked
};

inline constexpr std::array kEnds{
    EndTraits{End::Done, 0, core::Severity::Info, nullptr},
    EndTraits{End::PortFailed, 2, core::Severity::Error, "the port could not be opened"},
    EndTraits{End::NoAnswer, 1, core::Severity::Error, "the logger did not answer in time"},
    EndTraits{End::LineFailed, 1, core::Severity::Error, "the line failed"},
    EndTraits{End::BeyondLimits, 1, core::Severity::Error, "no whole report came"},
    EndTraits{End::Stopped, 1, core::Severity::Notice, nullptr},
    EndTraits{End::NotKept, 3, core::Severity::Error, "a file of the report could not be written"},
    EndTraits{End::NotJournaled, 3, core::Severity::Error, nullptr},
    EndTraits{End::NotProved, 4, core::Severity::Error, "the report read back is not proved whole"},
    EndTraits{End::NotCleared, 4, core::Severity::Error, "the line failed"},
    EndTraits{End::StillHolds, 4, core::Severity::Error, "it still holds its report"},
    EndTraits{End::NotConfirmed, 4, core::Severity::Error, nullptr},
};

/// The row of end.
constexpr const EndTraits& traitsOf(End end) {
    for (const EndTraits& row : kEnds)
        if (row.end == end)
            return row;
    return kEnds[0]; // every End has its row; a test holds the table to that
}

/// What each exit status of a read-out means, as --help says it briefly and the manual page in
/// full. Every status of kEnds has its row, in ascending order.
struct StatusMeaning {
    int status;
    const char* brief;
    const char* full;
};

inline constexpr std::array kStatusMeanings{
    StatusMeaning{0, "done", "downloaded and kept (and cleared, with --clear)"},
    StatusMeaning{1,
                  "the logger did not answer in time, the line failed, or the report ran past "
                  "its limits",
                  "the logger did not answer in time, the line failed during the dialogue, or the "
                  "report ran past its size or time limit"},
    StatusMeaning{2, "the port could not be opened", "the port could not be opened"},
    StatusMeaning{3, "the report could not be kept (nothing cleared)",
                  "the report, a file of it, or its line in the journal could not be kept; "
                  "nothing was cleared. A folder (its DATA folder, or the folder of --report) "
                  "that takes no file ends the run with this status before the logger is read "
                  "out"},
    StatusMeaning{4, "kept, but the logger not cleared, or the clear not confirmed",
                  "kept, but the logger was not cleared: the report was not proved whole, the "
                  "logger still holds its report when read back, or the clear was not confirmed"},
};

/// The exit statuses as one sentence of --help: "0 done; 1 ...; 4 ...".
QString exitStatusSummary();

} // namespace readout
