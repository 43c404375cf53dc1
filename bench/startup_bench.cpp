// start-up: from spawning the program to its window painted, against a bare window with the
// same widgets built from the same Qt; median of 11 alternating runs each, offscreen unless
// QT_QPA_PLATFORM says otherwise.
// Usage: startup_bench PROBE   (PROBE runs "program" or "bare" and prints a line when painted)

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double spawnToShown(const QString& probe, const QString& which) {
    QProcess child;
    QElapsedTimer t;
    t.start();
    child.start(probe, {which});
    if (!child.waitForReadyRead(30000)) {
        std::fprintf(stderr, "%s did not show its window\n", qPrintable(which));
        std::exit(1);
    }
    const double ms = t.nsecsElapsed() / 1e6;
    child.waitForFinished(5000);
    return ms;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: startup_bench PROBE\n");
        return 2;
    }
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString probe = argv[1];
    spawnToShown(probe, "bare"); // warm the file cache
    spawnToShown(probe, "program");
    std::vector<double> bare, program;
    for (int i = 0; i < 11; ++i) {
        bare.push_back(spawnToShown(probe, "bare"));
        program.push_back(spawnToShown(probe, "program"));
    }
    const double b = median(bare), p = median(program);
    std::printf("start-up to window painted: program %.1f ms, bare window %.1f ms, ratio %.2f "
                "(goal <= 1.1)\n",
                p, b, p / b);
    return 0;
}
