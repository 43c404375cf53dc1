// Memory of zelm-download on a line that never ends its report: a logger (or noise) that sends
// the start marker and then records without end. Unpaced, the line brings more than 30 minutes
// at 115 200 baud (20.7 MB) in seconds, until the capture's size limit stops it; paced, for the
// seconds given, at line speed. Goal: a peak under 64 MB either way.

#include "runchild.h"
#include "sim/simdevice.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <csignal>
#include <thread>

namespace {

// zelm-download against the endless simulator; stopped by SIGTERM after seconds, if given.
ChildRun readOutEndless(const char* download, bool paced, int seconds) {
    QTemporaryDir dir;
    SimDevice sim(paced ? QStringList{"--endless"} : QStringList{"--fast", "--endless"});
    sim.requireStarted();
    std::thread stopper;
    if (seconds > 0)
        stopper = std::thread([seconds] {
            std::this_thread::sleep_for(std::chrono::seconds(seconds));
            std::system("pkill -TERM -f 'zelm-download --device'"); // the one this bench runs
        });
    const ChildRun run = runChild({download, "--device", sim.path().toStdString(), "--folder",
                                   dir.path().toStdString(), "--clear"});
    if (stopper.joinable())
        stopper.join();
    return run;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: endless_bench ZELM_DOWNLOAD [PACED_SECONDS]\n");
        return 2;
    }
    QCoreApplication application(argc, argv);
    const ChildRun fast = readOutEndless(argv[1], false, 0);
    std::printf("unpaced until the 32 MiB limit: exit %d after %.1f s, peak RSS %.1f MB "
                "(goal < 64 MB)\n",
                WEXITSTATUS(fast.status), fast.wallSeconds, fast.maxRssKiB / 1024.0);
    if (argc > 2) {
        const int seconds = std::atoi(argv[2]);
        const ChildRun paced = readOutEndless(argv[1], true, seconds);
        std::printf("at line speed for %d s (%.1f MB): peak RSS %.1f MB\n", seconds,
                    seconds * 11520 / 1e6, paced.maxRssKiB / 1024.0);
    }
    return 0;
}
