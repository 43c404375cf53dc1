#pragma once

#include <QString>
#include <QStringList>

namespace core {
class UserQuestions;
}

namespace report {

/// The settings key naming the program that opens decoded reports instead of the editor.
inline const QString kViewerKey = QStringLiteral("Viewer");

/// The program a Viewer setting names: a path as it is; a bare name beside this program first,
/// then on PATH.
QString viewerProgram(const QString& name);

/// The editor command for path: the program named by ZURORUVE_EDITOR with the path as its one
/// argument; else the one named by the Viewer setting; else the platform's plain-text editor
/// (notepad.exe, open -t, xdg-open).
void editorCommand(const QString& path, QString& program, QStringList& arguments);

/// Opens the file in the text editor without waiting and without a shell. A start that fails
/// shows the one box "ERROR: ShowFile" + description and returns.
void ShowFile(const QString& path, core::UserQuestions& ask);

} // namespace report
