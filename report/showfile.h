#pragma once

#include <QString>
#include <QStringList>

namespace core {
class StatusLog;
class UserQuestions;
} // namespace core

namespace report {

/// The settings key naming the program that opens decoded reports instead of the editor.
inline const QString kViewerKey = QStringLiteral("Viewer");

/// The program a Viewer setting names: a path as it is; a bare name beside this program first,
/// then on PATH.
QString viewerProgram(const QString& name);

/// The editor command for path: the program named by ZURORUVE_EDITOR with the path as its one
/// argument; else the one named by the Viewer setting; else the platform's plain-text editor
/// (notepad.exe; open -t; elsewhere the desktop's default application for plain text, not what
/// it has for the decoded report's own type, else xdg-open).
void editorCommand(const QString& path, QString& program, QStringList& arguments);

/// Opens the file in the text editor without waiting and without a shell. A start that fails is
/// told in the log with the file's full path, and in the box "ERROR: ShowFile: " + description.
void ShowFile(const QString& path, core::UserQuestions& ask, core::StatusLog& log);

} // namespace report
