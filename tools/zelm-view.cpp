// zelm-view [FILE|FOLDER]...: charts and statistics of ZELM reports, decoded (out-*.txt) or raw
// (*.dat), merged into one history; without arguments, the kept downloads of the data folder.
// zelm-view --png OUT.png [--svg OUT.svg] [--csv OUT.csv] [--stats OUT.csv] [--pdf OUT.pdf]
// [FILE|FOLDER]... writes the files and shows no window: no widget is made, on any Qt platform
// (offscreen when none is set, but on Windows: its own). Sensor names, calibrations and limits
// come from the main program's settings file, or --settings FILE; the PDF's heading from its
// [Report] section, or --site, --title, --operator and --comment. zelm-view --verify [FOLDER]...
// checks the kept reports of each folder (the kept downloads' by default) against its journal.

#include "core/startup.h"
#include "report/journal.h"
#include "settings/folder.h"
#include "view/model/history.h"
#include "view/model/words.h"
#include "view/render/exports.h"
#include "view/window/viewer.h"

#include "files/regularfile.h"

#include <QApplication>
#include <QDir>
#include <cstdio>

namespace {

const char* const kUsage =
    "usage: zelm-view [--settings FILE] [FILE|FOLDER]...\n"
    "       zelm-view [--settings FILE] [--png OUT.png] [--svg OUT.svg] [--csv OUT.csv]\n"
    "                 [--stats OUT.csv] [--pdf OUT.pdf [--site TEXT] [--title TEXT]\n"
    "                 [--operator TEXT] [--comment TEXT]] [FILE|FOLDER]...\n"
    "       zelm-view --verify [FOLDER]...\n"
    "Shows ZELM reports (decoded out-*.txt, raw *.dat, or the reports in a folder) merged into\n"
    "one history, as charts and statistics; without FILE or FOLDER, the kept downloads of the\n"
    "data folder. With --png, --svg, --csv (the readings), --stats (the statistics table) or\n"
    "--pdf writes those files instead of showing a window. Sensor names, calibrations and\n"
    "limits are read from ZURORUVE.INI, the main program's settings file, or from the FILE\n"
    "--settings names, which must be a regular file; the PDF's heading from its [Report]\n"
    "section, where --site, --title, --operator and --comment do not give it.\n"
    "--verify checks every kept report in FOLDER (the kept downloads by default) against the\n"
    "journal of read-outs there, readouts.log, and names each file changed, missing or not in\n"
    "it: status 0 all as kept, 1 a problem, 2 no journal (or not a folder).\n";

void tell(const QString& line) {
    std::fprintf(stderr, "zelm-view: %s\n", qPrintable(line));
}

// Wrong arguments: what is wrong, and the usage.
int usage(const QString& why) {
    tell(why);
    std::fputs(kUsage, stderr);
    return 64;
}

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// An output that is one of the files read (named, in a folder named, through a link, or the
// settings), told with the input it is; or nothing. Compared as files, not as names.
QString outputOverInput(const QList<std::pair<view::Export, QString>>& files,
                        const QStringList& inputs) {
    for (const auto& [kind, path] : files)
        for (const QString& input : inputs)
            if (files::sameFile(path, input))
                return QStringLiteral("the output %1 is the input %2: nothing written")
                    .arg(native(path), native(input));
    return {};
}

// --verify: each folder's kept reports against its journal, a line for each problem and one
// for the folder.
int verify(const QStringList& folders) {
    int status = 0;
    for (const QString& folder : folders) {
        const QString named = native(folder);
        if (!QFileInfo(folder).isDir()) {
            tell(named + QStringLiteral(": not a folder"));
            status = 2;
            continue;
        }
        const report::Verification v = report::verifyKept(folder);
        for (const QString& problem : v.problems)
            std::printf("%s\n", qPrintable(native(problem)));
        const QString said =
            !v.journal
                ? QStringLiteral("%1: no journal of read-outs (%2): nothing to verify")
                      .arg(named, report::kJournalFile)
                : QStringLiteral("%1: %2%3 as the journal has them")
                      .arg(named,
                           v.problems.isEmpty()
                               ? QString()
                               : view::counted(v.problems.size(), "problem", "problems") + ", ",
                           view::counted(v.files, "kept file", "kept files"));
        std::printf("%s\n", qPrintable(said));
        status = std::max(status, !v.journal ? 2 : v.problems.isEmpty() ? 0 : 1);
    }
    return status;
}

// The files asked for, written from the document: what the window would export of the whole
// period with every sensor up to the most it draws.
int writeFiles(const QList<std::pair<view::Export, QString>>& files, const view::Report& report,
               const QString& title, const view::SensorSettings& settings) {
    view::Document document = view::documentOf(report, title, settings);
    for (const auto& [kind, path] : files)
        if (kind == view::Export::Pdf) // which says whether its files were verified
            document.verification =
                report::verificationText(report::verifyFoldersOf(document.report.files));
    const view::ChartChoice choice = view::wholeChoice(document);
    for (const auto& [kind, path] : files) {
        QString error;
        if (!view::writeExport(kind, path, document, choice, error)) {
            tell(error);
            return 1;
        }
    }
    return 0;
}

// The command line: the files to write, the settings and heading, what to read.
struct Options {
    QString png, svg, csv, stats, pdf, settingsFile;
    view::ReportHeading heading; // of the PDF, over the settings file's
    QStringList paths;
    QString keptFolder; // the main program's kept downloads
    bool verifying = false;

    bool hasHeading() const {
        return !(heading.site + heading.title + heading.operatorName + heading.comment).isEmpty();
    }
    QList<std::pair<view::Export, QString>> files() const {
        QList<std::pair<view::Export, QString>> out;
        for (const auto& [kind, path] : {std::pair{view::Export::Png, png},
                                         {view::Export::Svg, svg},
                                         {view::Export::Csv, csv},
                                         {view::Export::Statistics, stats},
                                         {view::Export::Pdf, pdf}})
            if (!path.isEmpty())
                out.append({kind, path});
        return out;
    }
};

// Reads the command line into o; false when it ends the program, with status its exit status.
bool parse(int argc, char* argv[], Options& o, int& status) {
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const QByteArray a = argv[i];
        if (options && a == "--help") {
            std::fputs(kUsage, stdout);
            return status = 0, false;
        }
        if (options && a == "--version") {
            std::printf("zelm-view %s\n", ZURORUVE_VERSION);
            return status = 0, false;
        }
        QString* out = !options            ? nullptr
                       : a == "--png"      ? &o.png
                       : a == "--svg"      ? &o.svg
                       : a == "--csv"      ? &o.csv
                       : a == "--stats"    ? &o.stats
                       : a == "--pdf"      ? &o.pdf
                       : a == "--settings" ? &o.settingsFile
                       : a == "--site"     ? &o.heading.site
                       : a == "--title"    ? &o.heading.title
                       : a == "--operator" ? &o.heading.operatorName
                       : a == "--comment"  ? &o.heading.comment
                                           : nullptr;
        if (out) {
            if (++i >= argc)
                return status = usage(a + ": needs a file name"), false;
            if (!out->isEmpty())
                return status = usage(a + ": given twice"), false;
            *out = QString::fromLocal8Bit(argv[i]);
            if (out->isEmpty())
                return status = usage(a + ": an empty file name"), false;
        } else if (options && a == "--verify") {
            o.verifying = true;
        } else if (options && a == "--") {
            options = false;
        } else if (options && a.startsWith('-') && a != "-") {
            return status = usage("unknown option " + a), false;
        } else {
            o.paths.append(QString::fromLocal8Bit(a));
        }
    }
    return true;
}

// The files asked for, without a window: what was read told in a line each, the settings' lines
// not used told and the rest used.
int writeWithoutWindow(int argc, char* argv[], Options& o) {
    const QList<std::pair<view::Export, QString>> files = o.files();
    // Read before anything of the screen is set up: what was read is told in one line.
    view::Report report;
    QString title, error;
    const bool any = view::readFiles(o.paths, report, title, error);
    // An output never lands on what was read: nothing is written then.
    const QString over = outputOverInput(files, report.files + QStringList{o.settingsFile});
    if (!over.isEmpty()) {
        tell(over);
        return 2;
    }
    if (!any) {
        tell(error);
        return 1;
    }
    // Files alone need no screen. Windows' own platform needs none either, and only its font
    // database holds the system's fonts: offscreen there would draw every letter as a box.
#ifndef Q_OS_WIN
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    QGuiApplication application(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("zelm-view"));
    QGuiApplication::setApplicationVersion(QStringLiteral(ZURORUVE_VERSION));
    files::ReadStatus status;
    QString why;
    view::SensorSettings settings = view::readSensorSettings(o.settingsFile, status, why);
    for (const auto& [option, set] : {std::pair{&o.heading.site, &settings.report.site},
                                      {&o.heading.title, &settings.report.title},
                                      {&o.heading.operatorName, &settings.report.operatorName},
                                      {&o.heading.comment, &settings.report.comment}})
        if (!option->isEmpty())
            *set = *option;
    const bool unread = status != files::ReadStatus::Ok && status != files::ReadStatus::Missing;
    // Told, and the rest still used; so is what reading the files left out, as the window
    // shows it.
    for (const QString& line :
         view::settingsRemarks(o.settingsFile, unread ? why : QString(), settings))
        tell(QStringLiteral("ignored: ") + line);
    for (const QString& line : view::remarksOf(report))
        tell(line);
    return writeFiles(files, report, title, settings);
}

// The window, reading the files and following them; history: the kept downloads are shown.
int showWindow(int argc, char* argv[], const Options& o, bool history) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zelm-view"));
    QApplication::setApplicationVersion(QStringLiteral(ZURORUVE_VERSION));
    view::Viewer viewer;
    viewer.setKeptFolder(o.keptFolder);
    QString why, error;
    viewer.setSettingsFile(o.settingsFile, why);
    for (const QString& line : viewer.settingsIgnored()) // told, and the rest still used
        tell(QStringLiteral("ignored: ") + line);
    // Read, and followed: a download into a folder shown appears in the window.
    if (!viewer.open(o.paths, error)) {
        tell(error);
        viewer.showNothing(history ? QStringLiteral("No kept downloads yet in %1: they appear "
                                                    "here as they are made.")
                                         .arg(QDir::toNativeSeparators(o.paths.first()))
                                   : error);
    }
    viewer.show();
    return QApplication::exec();
}

} // namespace

int main(int argc, char* argv[]) {
    core::useParentConsole();
    core::markRunning();
    Options o;
    if (int status = 0; !parse(argc, argv, o, status))
        return status;
    const bool headless = !o.files().isEmpty();
    if (o.verifying) {
        if (headless || !o.settingsFile.isEmpty() || o.hasHeading())
            return usage(QStringLiteral("--verify takes folders only"));
        if (o.paths.isEmpty()) {
            QCoreApplication where(argc, argv);
            o.paths.append(view::historyFolder(settings::chooseProgramFolder()));
        }
        return verify(o.paths);
    }
    if (o.pdf.isEmpty() && o.hasHeading()) {
        tell(QStringLiteral("--site, --title, --operator and --comment head the PDF: give --pdf"));
        return 2;
    }
    // Settings named but not there, or not a regular file, are a mistake to tell, not to pass
    // over: the numbers would come out without the limits the user meant.
    if (!o.settingsFile.isEmpty()) {
        files::ReadStatus status;
        QString why;
        view::readSensorSettings(o.settingsFile, status, why);
        if (status != files::ReadStatus::Ok) {
            tell(QStringLiteral("--settings %1: %2")
                     .arg(QDir::toNativeSeparators(o.settingsFile), why));
            return 2;
        }
    }
    const bool history = o.paths.isEmpty();
    if (history || o.settingsFile.isEmpty() || !headless) { // where the main program keeps its
                                                            // files, by its rule
        QCoreApplication where(argc, argv);
        const settings::ProgramFolder home = settings::chooseProgramFolder();
        o.keptFolder = view::historyFolder(home);
        if (history)
            o.paths.append(o.keptFolder);
        if (o.settingsFile.isEmpty())
            o.settingsFile = view::settingsFile(home);
    }
    return headless ? writeWithoutWindow(argc, argv, o) : showWindow(argc, argv, o, history);
}
