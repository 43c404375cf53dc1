#pragma once
// Where the program keeps its files: the settings file, the data folder and both report files.

#include <QString>

namespace core {
class StatusLog;
}

namespace settings {

/// The program's name, which also names its per-user folder.
inline const QString kAppName = QStringLiteral("ZURORUVE");
/// The data folder, where every download's raw report is kept.
inline const QString kDataFolder = QStringLiteral("DATA");

/// The AppStream id of the installed program; its metainfo file marks an installed tree.
inline const QString kAppId = QStringLiteral("org.zuroruve.Zuroruve");

/// The folder the files are kept in, decided once at start-up and handed to whatever reads or
/// writes them.
struct ProgramFolder {
    QString path;
    bool forUser = false; // an installed copy's per-user folder, not the program's own

    /// path joined with name by one separator: every file path goes through here.
    QString file(const QString& name) const { return path + u'/' + name; }
};

/// True when the program in programDir is an installed copy: the installed tree lies around it
/// (share/metainfo/<id>.metainfo.xml beside its folder) or the folder is not writable.
bool isInstalledCopy(const QString& programDir);

/// The per-user folder of an installed copy: ~/.local/share/ZURORUVE ($XDG_DATA_HOME) and the
/// like, %APPDATA%\ZURORUVE on Windows; whichever program asks.
QString perUserFolder();

/// Where the program in programDir keeps its files: beside it for a portable copy, the per-user
/// folder for an installed one.
ProgramFolder programFolderFor(const QString& programDir);

/// programFolderFor the folder that holds the running program.
ProgramFolder chooseProgramFolder();

/// `MakeUserFolders`: makes the data folder "DATA" (and the folder it lies in) if no entry of that
/// name is there.
void MakeUserFolders(const ProgramFolder& folder, core::StatusLog& log);

} // namespace settings
