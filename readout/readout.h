#pragma once
// One read-out of a logger, whatever drives it: the window's Download and Clear buttons and
// zelm-download all run readOut and learn from its one result how far it came and why it ended.

#include "link/context.h"
#include "report/processdata.h"
#include "settings/folder.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <functional>

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
/// folder the files are kept in; the report of the last successful download of this run; the
/// wall clock whose local time stamps the kept files; and the program's name for the journal.
struct Session {
    devicelink::Context& ctx;
    settings::ProgramFolder folder;
    QByteArray CapturedText;
    std::function<QDateTime()> wallClock = &QDateTime::currentDateTime;
    QString program = QStringLiteral("zuroruve");
};

/// What a read-out is asked to do.
struct Request {
    std::int32_t port = 1;
    bool clear = false;    // after the download clear the logger, only once the report is proved
                           // whole and every file of it is on the disk, and prove the clear by
                           // reading the report back
    bool window = false;   // as the window does it: its log lines
    bool showFile = false; // the decoded file opens in the editor
    std::int32_t bootSeconds = kBootSeconds; // for the boot menu
    bool keepOpen = false; // a station: leave the port open for the next logger when the line
                           // is fine, and take an adapter unplugged meanwhile as routine
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
    NotJournaled, // kept, but not written into the journal of the kept reports: not cleared
    NotProved,    // kept, but not proved whole: not cleared
    NotCleared,   // kept; the line failed before the clear command went out
    StillHolds,   // kept; read back after the clear, the logger still holds records of it
    NotConfirmed, // kept; the clear command went out, but reading back did not prove it
};

struct Result {
    Stage reached = Stage::Nothing;
    End end = End::Done;
    QByteArray report;           // the bytes captured
    bool whole = false;          // proved whole: whole records, and text ending in the prompt after
                                 // the end marker
    report::Kept kept;           // the files
    QString sha256;              // of the kept copy, as the journal has it
    QString partialPath;         // what came of a report cut short, kept
    bool clearSent = false;      // the clear command went out: the logger may be cleared
    End unconfirmed = End::Done; // NotConfirmed: why (NoAnswer, LineFailed, BeyondLimits, or
                                 // NotProved: the report read back is not proved whole)
};

/// Runs one read-out to its end, logging each step as the window does, and a closing line
/// where the steps' own lines leave the outcome untold (a stop, a logger not cleared). Every
/// report received, whole or cut short, gets a line in the journal of the kept reports (in
/// DATA), written and flushed before a clear is sent, and a clear sent gets one with its outcome.
Result readOut(Session& session, const Request& request);

/// The Download button: stores the chosen port, reads out the logger and opens the decoded
/// file. listIndex is the port list's selected position (-1: none).
Result DownloadData(Session& session, int listIndex);

/// The Clear button: asks for confirmation, then reads out and keeps the report like
/// DownloadData (without the editor), tells the device to discard its stored data only once the
/// report is proved whole and on the disk, and proves the clear by reading the report back.
/// Nothing reached where the user says No.
Result ClearData(Session& session, int listIndex);

/// The exit status of a program that ran the read-out: 0 done; 1 the logger did not answer in
/// time, the line failed, or the report ran past its limits; 2 the port could not be opened;
/// 3 the report, or its line in the journal, could not be kept (nothing cleared); 4 kept, but the
/// logger not cleared or the
/// clear not confirmed; 128 + signal when a signal stopped it.
int exitStatus(const Result& result, int signal);

} // namespace readout
