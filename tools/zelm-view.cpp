// zelm-view [FILE|FOLDER]...: charts and statistics of ZELM reports, decoded (out-*.txt) or raw
// (*.dat), merged into one history; without arguments, the kept downloads of the data folder.
// zelm-view --png OUT.png [--svg OUT.svg] [--csv OUT.csv] [--stats OUT.csv] [--pdf OUT.pdf]
// [FILE|FOLDER]... writes the files and shows no window, on any Qt platform (offscreen when none
// is set, but on Windows: its own). Sensor names, calibrations and limits come from the main
// program's settings file, or --settings FILE.

#include "view/history.h"
#include "view/viewer.h"

#include <QApplication>
#include <QDir>
#include <cstdio>

namespace {

const char* const kUsage =
    "usage: zelm-view [--settings FILE] [FILE|FOLDER]...\n"
    "       zelm-view [--settings FILE] [--png OUT.png] [--svg OUT.svg] [--csv OUT.csv]\n"
    "                 [--stats OUT.csv] [--pdf OUT.pdf] [FILE|FOLDER]...\n"
    "Shows ZELM reports (decoded out-*.txt, raw *.dat, or the reports in a folder) merged into\n"
    "one history, as charts and statistics; without FILE or FOLDER, the kept downloads of the\n"
    "data folder. With --png, --svg, --csv (the readings), --stats (the statistics table) or\n"
    "--pdf writes those files instead of showing a window. Sensor names, calibrations and\n"
    "limits are read from ZURORUVE.INI, the main program's settings file, or from the FILE\n"
    "--settings names, which must be a regular file.\n";

int usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    QString png, svg, csv, stats, pdf, settingsFile;
    QStringList paths;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const QByteArray a = argv[i];
        if (options && a == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (options && a == "--version") {
            std::printf("zelm-view %s\n", ZURORUVE_VERSION);
            return 0;
        }
        QString* out = !options            ? nullptr
                       : a == "--png"      ? &png
                       : a == "--svg"      ? &svg
                       : a == "--csv"      ? &csv
                       : a == "--stats"    ? &stats
                       : a == "--pdf"      ? &pdf
                       : a == "--settings" ? &settingsFile
                                           : nullptr;
        if (out) {
            if (++i >= argc)
                return usage();
            *out = QString::fromLocal8Bit(argv[i]);
        } else if (options && a == "--") {
            options = false;
        } else if (options && a.startsWith('-') && a != "-") {
            return usage();
        } else {
            paths.append(QString::fromLocal8Bit(a));
        }
    }
    const bool headless =
        !png.isEmpty() || !svg.isEmpty() || !csv.isEmpty() || !stats.isEmpty() || !pdf.isEmpty();
    // Settings named but not there, or not a regular file, are a mistake to tell, not to pass
    // over: the numbers would come out without the limits the user meant.
    if (!settingsFile.isEmpty()) {
        settings::ReadStatus status;
        QString why;
        view::readSensorSettings(settingsFile, status, why);
        if (status != settings::ReadStatus::Ok) {
            std::fprintf(stderr, "zelm-view: --settings %s: %s\n",
                         qPrintable(QDir::toNativeSeparators(settingsFile)), qPrintable(why));
            return 2;
        }
    }
    const bool history = paths.isEmpty();
    if (history) { // where the main program keeps its downloads, which takes an application
        QCoreApplication where(argc, argv);
        paths.append(view::historyFolder());
    }
    // read before anything of the screen is set up: what was read is told in one line.
    view::Report report;
    QString title, error;
    const bool any = view::Viewer::read(paths, report, title, error);
    if (!any) {
        std::fprintf(stderr, "zelm-view: %s\n", qPrintable(error));
        if (headless)
            return 1;
    }
    // Files alone need no screen. Windows' own platform needs none either, and only its font
    // database holds the system's fonts: offscreen there would draw every letter as a box.
#ifndef Q_OS_WIN
    if (headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zelm-view"));
    QApplication::setApplicationVersion(QStringLiteral(ZURORUVE_VERSION));

    view::Viewer viewer;
    QString why;
    viewer.setSettingsFile(settingsFile.isEmpty() ? view::settingsFile() : settingsFile, why);
    for (const QString& line : viewer.settingsIgnored()) // told, and the rest still used
        std::fprintf(stderr, "zelm-view: ignored: %s\n", qPrintable(line));
    if (any)
        viewer.showReport(std::move(report), title);
    else
        viewer.showNothing(history ? QStringLiteral("No kept downloads yet in %1.")
                                         .arg(QDir::toNativeSeparators(paths.first()))
                                   : error);
    if (!headless) {
        viewer.show();
        return QApplication::exec();
    }
    const auto fail = [](const QString& path) {
        std::fprintf(stderr, "zelm-view: cannot write %s\n",
                     qPrintable(QDir::toNativeSeparators(path)));
        return 1;
    };
    if (!png.isEmpty() && !viewer.exportPng(png))
        return fail(png);
    if (!svg.isEmpty() && !viewer.exportSvg(svg))
        return fail(svg);
    if ((!csv.isEmpty() && !viewer.exportCsv(csv, error)) ||
        (!stats.isEmpty() && !viewer.exportStatistics(stats, error)) ||
        (!pdf.isEmpty() && !viewer.exportPdf(pdf, error))) {
        std::fprintf(stderr, "zelm-view: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
