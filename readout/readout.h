#pragma once
// One read-out of a logger, whatever drives it: the window's Download and Clear buttons and
// zelm-download all run readOut and learn from its one result how far it came and why it ended.

#include "link/context.h"
#include "report/processdata.h"
#include "settings/folder.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace readout {

// The device's dialogue, word for word.
inline const QByteArray kBootMenu = QByteArrayLiteral("1 - exit");
inline const QByteArray kLeaveMenu = QByteArrayLiteral("1");
inline const QByteArray kPrompt = QByteArrayLiteral("cmd>");
inline const QByteArray kReportCommand = QByteArrayLiteral("report 0\r");
inline const QByteArray kClearCommand = QByteArrayLiteral("forward pointer\r");
inline constexpr std::int32_t kBootSeconds = 30;
inline constexpr std::int32_t kPromptSeconds = 10;
inline const QString kClearQuestion =
    QStringLiteral("This will clear ALL data from the ZELM device!\r\nAre you sure?");

/// What one program's read-outs share: the line with its clock, events, log and questions; the
/// folder the files are kept in; and the report of the last successful download of this run.
struct Session {
    devicelink::Context& ctx;
    settings::ProgramFolder folder;
    QByteArray CapturedText;
};

/// What a read-out is asked to do.
struct Request {
    std::int32_t port = 1;
    bool download = true; // fetch the report and keep it
    bool clear = false;   // then clear the logger; after a download only once the report is
                          // proved whole and every file of it is on the disk
    bool window = false;  // as the window does it: the decoded file opens in the editor
    std::int32_t bootSeconds = kBootSeconds; // for the boot menu
    bool keepOpen = false; // leave the port open for the next logger when the line is fine
};

/// How far a read-out came.
enum class Stage { Nothing, Opened, BootMenu, Prompt, Captured, Kept, Cleared };

/// Why it ended.
enum class End {
    Done,         // all that was asked is done
    PortFailed,   // the port could not be opened
    NoAnswer,     // the logger did not answer in time
    LineFailed,   // the line failed: unplugged, or an error of the serial port
    BeyondLimits, // no end of the report within its size or time limit
    Stopped,      // the program was told to end (the window closing, a signal)
    NotKept,      // the report could not be kept: nothing cleared
    NotProved,    // kept, but not proved whole: not cleared
    NotCleared,   // kept; the clear did not go through
};

struct Result {
    Stage reached = Stage::Nothing;
    End end = End::Done;
    QByteArray report;  // the bytes captured
    bool whole = false; // proved whole: whole records, and the prompt right after the end marker
    report::Kept kept;  // the files
};

/// Runs one read-out to its end, logging each step as the window does, and a closing line
/// where the steps' own lines leave the outcome untold (a stop, a logger not cleared).
Result readOut(Session& session, const Request& request);

/// The Download button: stores the chosen port, reads out the logger and opens the decoded
/// file. listIndex is the port list's selected position (-1: none).
void DownloadData(Session& session, int listIndex);

/// The Clear button: asks for confirmation, then walks to the prompt like DownloadData and
/// tells the device to discard its stored data.
void ClearData(Session& session, int listIndex);

/// The exit status of a program that ran the read-out: 0 done; 1 the logger did not answer in
/// time, the line failed, or the report ran past its limits; 2 the port could not be opened;
/// 3 the report could not be kept (nothing cleared); 4 kept, but the logger not cleared;
/// 128 + signal when a signal stopped it.
int exitStatus(const Result& result, int signal);

} // namespace readout
