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

/// True when the program in programDir is an installed copy: the installed tree lies around it
/// (share/metainfo/<id>.metainfo.xml beside its folder) or the folder is not writable.
bool isInstalledCopy(const QString& programDir);

/// Decides once, at start-up, where the files are kept: beside the program for a portable copy,
/// the per-user data folder (the application name's) for an installed one. True when installed.
bool chooseProgramFolder();
/// True after chooseProgramFolder found an installed copy.
bool keptForUser();

/// The folder the files are kept in: the one chosen at start-up or set by setProgramFolder,
/// else the folder that holds the program's executable.
QString programFolder();
/// Points the program at another folder (tests and command-line tools).
void setProgramFolder(const QString& folder);
/// programFolder() joined with name by one separator: every file path goes through here.
QString inProgramFolder(const QString& name);

/// Makes the data folder "DATA" (and the folder it lies in) if no entry of that name is there.
void MakeUserFolders(core::StatusLog& log);

} // namespace settings
