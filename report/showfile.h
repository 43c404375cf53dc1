#pragma once

#include <QString>
#include <QStringList>
#include <functional>

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

/// The editor the user chose for decoded files, as its caller chooses it when a file is to be
/// opened: a program, or the empty text for the platform's plain-text editor. It may throw
/// where what it reads cannot be read.
using EditorChoice = std::function<QString()>;

/// The editor command for path: chosen with the path as its one argument; where chosen is empty,
/// the platform's plain-text editor (notepad.exe; open -t; elsewhere the desktop's default
/// application for plain text, not what it has for the decoded report's own type, else
/// xdg-open).
void editorCommand(const QString& path, const QString& chosen, QString& program,
                   QStringList& arguments);

/// `ShowFile`: opens the file in the editor that choose names, without waiting and without a
/// shell. A start that fails is told in the log with the file's full path, and in the box
/// "ERROR: ShowFile: " + description.
void ShowFile(const QString& path, const EditorChoice& choose, core::UserQuestions& ask,
              core::StatusLog& log);

} // namespace report
