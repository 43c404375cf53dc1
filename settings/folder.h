#pragma once
// The program folder: where the settings file, the data folder and both report files lie.

#include <QString>

namespace app {
class StatusLog;
}

namespace settings {

/// The folder that holds the program's executable, or the one set by SetProgramFolder.
QString ProgramFolder();
/// Points the program at another folder (tests and command-line tools).
void SetProgramFolder(const QString& folder);
/// ProgramFolder() joined with name by one separator.
QString InProgramFolder(const QString& name);

/// Makes the data folder "DATA" beside the program if no entry of that name is there.
void MakeUserFolders(app::StatusLog& log);

} // namespace settings
