// CPU and wake-ups of the window while it waits for a boot menu that never comes, on a real
// serial line (the simulated device, told never to reset), against a wait that wakes every
// 5 ms as waits once did. Usage: wait_cpu [SECONDS]

#include "sim/simdevice.h"

#include "app/form1.h"
#include "app/submain.h"
#include "link/primitives.h"
#include "link/serialcomm.h"
#include "settings/folder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <sys/resource.h>

namespace {

struct Usage {
    double cpu;
    long switches;
};

Usage usage() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u); // all threads of the process
    return {u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec +
                u.ru_stime.tv_usec / 1e6,
            u.ru_nvcsw + u.ru_nivcsw};
}

// The wait as it was: wakes at least every 5 ms, whatever the time left.
class SlicedPump : public devicelink::QtEventPump {
public:
    using QtEventPump::QtEventPump;
    void runPending(qint64) override { QtEventPump::runPending(5); }
};

void measure(const char* name, const QString& device, app::Form1& form,
             devicelink::EventPump& events, int seconds) {
    devicelink::SerialComm comm({}, {{1, device}});
    devicelink::SteadyClock clock;
    devicelink::Context ctx{comm, clock, events, form.log(), form};
    if (devicelink::OpenPort(ctx, 1) != devicelink::OpenResult::Open) {
        std::fprintf(stderr, "cannot open the simulated device\n");
        std::exit(1);
    }
    QElapsedTimer wall;
    wall.start();
    const Usage before = usage();
    const int result = int(devicelink::WaitFor(ctx, "1 - exit", seconds));
    const Usage after = usage();
    const double elapsed = wall.elapsed() / 1000.0;
    comm.setPortOpen(false);
    std::printf("%-34s waited %5.2f s (result %d): CPU %.3f s = %5.2f %% of one core, "
                "%6.1f wake-ups/s\n",
                name, elapsed, result, after.cpu - before.cpu,
                100 * (after.cpu - before.cpu) / elapsed,
                (after.switches - before.switches) / elapsed);
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication application(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 20;
    SimDevice sim({"--menu-delay", "100000000"});
    sim.requireStarted();
    app::Form1 form;
    QTemporaryDir dir;
    app::SubMain(form, {dir.path(), false});
    devicelink::QtEventPump sleeping([&form] { return form.stopReason(); });
    measure("the program's wait", sim.path(), form, sleeping, seconds);
    SlicedPump sliced([&form] { return form.stopReason(); });
    measure("5 ms slices (as before)", sim.path(), form, sliced, seconds);
    std::printf("goals: <= 0.3 %% of one core, <= 20 wake-ups/s\n");
    return 0;
}
