#include "report/showfile.h"

#include "core/host.h"
#include "report/texteditor.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <exception>

namespace report {

QString viewerProgram(const QString& name) {
    if (name.isEmpty() || name.contains(u'/') || name.contains(u'\\'))
        return name;
    const QString beside =
        QStandardPaths::findExecutable(name, {QCoreApplication::applicationDirPath()});
    if (!beside.isEmpty())
        return beside;
    const QString onPath = QStandardPaths::findExecutable(name);
    return onPath.isEmpty() ? name : onPath;
}

void editorCommand(const QString& path, const QString& chosen, QString& program,
                   QStringList& arguments) {
    if (!chosen.isEmpty()) {
        program = chosen;
        arguments = {path};
        return;
    }
#if defined(Q_OS_WIN)
    program = QStringLiteral("notepad.exe");
    arguments = {path};
#elif defined(Q_OS_MACOS)
    program = QStringLiteral("open");
    arguments = {QStringLiteral("-t"), path};
#else
    // xdg-open would take the decoded report's own type, which the viewer claims.
    if (plainTextEditor(path, program, arguments))
        return;
    program = QStringLiteral("xdg-open");
    arguments = {path};
#endif
}

void ShowFile(const QString& path, const EditorChoice& choose, core::UserQuestions& ask,
              core::StatusLog& log) {
    QString program;
    QStringList arguments;
    QString why;
    try {
        editorCommand(path, choose ? choose() : QString(), program, arguments);
        QProcess process;
        process.setProgram(program);
        process.setArguments(arguments);
        // Started on its own: the editor outlives the download and the program.
        if (process.startDetached())
            return;
        why = QStringLiteral("could not start the text editor \"%1\": %2")
                  .arg(program, process.errorString());
    } catch (const std::exception& e) { // a settings file that cannot be read as one
        why = QString::fromLocal8Bit(e.what());
    }
    // Told where it stays for good, and in the box, which goes once read.
    const QString said =
        QStringLiteral("%1. The decoded file is %2").arg(why, QDir::toNativeSeparators(path));
    log.LogLine("ERROR: ShowFile: " + said, core::Severity::Error);
    ask.message("ERROR: ShowFile: " + said);
}

} // namespace report
