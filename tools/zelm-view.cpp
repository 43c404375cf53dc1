// zelm-view [FILE]: charts and statistics of a ZELM report, decoded (out-*.txt) or raw (in.dat).
// zelm-view --png OUT.png [--svg OUT.svg] [--csv OUT.csv] FILE writes the files and shows no
// window, on any Qt platform (offscreen when none is set).

#include "view/viewer.h"

#include <QApplication>
#include <QDir>
#include <cstdio>

namespace {

const char* const kUsage =
    "usage: zelm-view [FILE]\n"
    "       zelm-view [--png OUT.png] [--svg OUT.svg] [--csv OUT.csv] FILE\n"
    "Shows a ZELM report (decoded out-*.txt or raw in.dat) as charts and statistics; with\n"
    "--png, --svg or --csv writes those files instead of showing a window.\n";

int usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    QString png, svg, csv, file;
    for (int i = 1; i < argc; ++i) {
        const QByteArray a = argv[i];
        if (a == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (a == "--version") {
            std::printf("zelm-view %s\n", ZURORUVE_VERSION);
            return 0;
        }
        QString* out = a == "--png" ? &png : a == "--svg" ? &svg : a == "--csv" ? &csv : nullptr;
        if (out) {
            if (++i >= argc)
                return usage();
            *out = QString::fromLocal8Bit(argv[i]);
        } else if (a.startsWith('-') || !file.isEmpty()) {
            return usage();
        } else {
            file = QString::fromLocal8Bit(a);
        }
    }
    const bool headless = !png.isEmpty() || !svg.isEmpty() || !csv.isEmpty();
    if (headless && file.isEmpty())
        return usage();
    // The file is read before anything of the screen is set up, so a bad file costs one line.
    view::Report report;
    QString error;
    const bool loaded = !file.isEmpty() && view::LoadReport(file, report, error);
    if (!file.isEmpty() && !loaded) {
        std::fprintf(stderr, "zelm-view: %s\n", qPrintable(error));
        if (headless)
            return 1;
    }
    // Files alone need no screen.
    if (headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zelm-view"));

    view::Viewer viewer;
    if (loaded)
        viewer.showReport(std::move(report), file);
    if (!headless) {
        viewer.show();
        return QApplication::exec();
    }
    // Laid out as on screen, but never shown there.
    viewer.setAttribute(Qt::WA_DontShowOnScreen);
    viewer.show();
    QApplication::processEvents();
    const auto fail = [](const QString& path) {
        std::fprintf(stderr, "zelm-view: cannot write %s\n",
                     qPrintable(QDir::toNativeSeparators(path)));
        return 1;
    };
    if (!png.isEmpty() && !viewer.exportPng(png))
        return fail(png);
    if (!svg.isEmpty() && !viewer.exportSvg(svg))
        return fail(svg);
    if (!csv.isEmpty() && !viewer.exportCsv(csv, error)) {
        std::fprintf(stderr, "zelm-view: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
