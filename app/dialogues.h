#pragma once
// The two buttons' dialogues: what the window asks of a read-out, and what it keeps of the
// user's choices (the port, the editor).

#include "readout/readout.h"
#include "report/showfile.h"

#include <QString>

namespace app {

/// The question the Clear button asks before anything is done.
inline const QString kClearQuestion =
    QStringLiteral("This will clear ALL data from the ZELM device!\r\nAre you sure?");

/// The editor decoded files open in: variable, the value of ZURORUVE_EDITOR, where set; else the
/// program the Viewer setting in folder's settings file names (read each time, so a change takes
/// effect at the next download); else the platform's plain-text editor.
report::EditorChoice editorChoice(const QString& variable, const settings::ProgramFolder& folder);

/// `DownloadData`: the Download button. Stores the chosen port, reads out the logger and opens
/// the decoded file in the editor of editorChoice(editorVariable). listIndex is the port list's
/// selected position (-1: none).
readout::Result DownloadData(readout::Session& session, int listIndex,
                             const QString& editorVariable);

/// `ClearData`: the Clear button. Asks for confirmation, then reads out and keeps the report like
/// DownloadData (without the editor), tells the device to discard its stored data only once the
/// report is proved whole and on the disk, and proves the clear by reading the report back.
/// Nothing reached where the user says No.
readout::Result ClearData(readout::Session& session, int listIndex);

} // namespace app
