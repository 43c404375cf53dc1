// Capture speed from the simulated device, unpaced, for 1 MB and 10 MB reports: the time
// for each should grow with the size, not faster.

#include "quiet.h"
#include "sim/simdevice.h"

#include "link/capture.h"
#include "link/primitives.h"
#include "link/serialcomm.h"
#include "readout/readout.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <sys/resource.h>

namespace {

double captureSeconds(long records) {
    SimDevice sim({"--fast", "--menu-delay", "50", "--records", QString::number(records)});
    sim.requireStarted();
    devicelink::SerialComm comm({}, {{1, sim.path()}});
    devicelink::SteadyClock clock;
    devicelink::QtEventPump events;
    NullLog log;
    NoQuestions ask;
    devicelink::Context ctx{comm, clock, events, log, ask};
    using namespace devicelink;
    using namespace readout;
    if (OpenPort(ctx, 1) != OpenResult::Open || WaitFor(ctx, kBootMenu, 30) != WaitResult::Seen ||
        SendText(ctx, kLeaveMenu) != SendResult::Sent ||
        WaitFor(ctx, kPrompt, 10) != WaitResult::Seen ||
        SendText(ctx, kReportCommand) != SendResult::Sent) {
        std::fprintf(stderr, "dialogue with the simulated device failed\n");
        std::exit(1);
    }
    QElapsedTimer timer;
    timer.start();
    QByteArray text;
    if (Capture(ctx, text) != CaptureResult::Captured || text.size() != records * 19) {
        std::fprintf(stderr, "capture failed\n");
        std::exit(1);
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    comm.setPortOpen(false);
    std::printf("capture of %.1f MB: %.3f s (%.1f MB/s)\n", records * 19 / 1e6, seconds,
                records * 19 / 1e6 / seconds);
    return seconds;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const double one = captureSeconds(1000000 / 19);
    const double ten = captureSeconds(10000000 / 19);
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    std::printf("ratio 10 MB / 1 MB: %.1f (linear: about 10)\n", ten / one);
    std::printf("peak memory of this process: %ld KiB\n", u.ru_maxrss);
    return 0;
}
