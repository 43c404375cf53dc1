#pragma once
// One read-out of a logger, whatever drives it: the window's Download and Clear buttons and
// zelm-download all run readOut and learn from its one result how far it came and why it ended.

#include "link/context.h"
#include "link/protocol.h"
#include "readout/end.h"
#include "report/processdata.h"
#include "report/showfile.h"
#include "settings/folder.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <functional>

namespace readout {

inline const QString kClearQuestion =
    QStringLiteral("This will clear ALL data from the ZELM device!\r\nAre you sure?");

/// What one program's read-outs share: the line with its clock, events, log and questions; the
/// folder the files are kept in; the wall clock whose local time stamps the kept files; and the
/// program's name for the journal.
struct Session {
    devicelink::Context& ctx;
    settings::ProgramFolder folder;
    std::function<QDateTime()> wallClock = &QDateTime::currentDateTime;
    QString program = QStringLiteral("zuroruve");
};

/// What a read-out is asked to do.
struct Request {
    std::int32_t port = 1;
    bool clear = false; // after the download clear the logger, only once the report is proved
                        // whole and every file of it is on the disk, and prove the clear by
                        // reading the report back
    report::EditorChoice openWith; // the decoded file opens in the editor this chooses; none:
                                   // it is not opened
    bool closingLines = true;      // an empty logger and a report not kept get a line of their
                                   // own (a log that keeps to the steps' lines leaves them out)
    const char* procedure = "DownloadData"; // what a failure outside the steps is told under
    std::int32_t bootSeconds = devicelink::kBootSeconds; // for the boot menu
    bool keepOpen = false; // a station: leave the port open for the next logger when the line
                           // is fine, and take an adapter unplugged meanwhile as routine
};

/// How far a read-out came.
enum class Stage { Nothing, Opened, BootMenu, Prompt, Captured, Kept, Cleared };

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

/// The exit status of a program that ran the read-out, from kEnds; 128 + signal when a signal
/// stopped it.
int exitStatus(const Result& result, int signal);

} // namespace readout
