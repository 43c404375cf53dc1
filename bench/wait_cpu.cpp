// CPU the program uses while it waits 10 s for a boot menu that never comes, on a real serial
// line (the simulated device, told never to reset), against a wait that does not sleep.

#include "quiet.h"
#include "simprocess.h"

#include "link/primitives.h"
#include "link/serialcomm.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <sys/resource.h>

namespace {

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec +
           u.ru_stime.tv_usec / 1e6;
}

// Lets events run without ever sleeping: a wait built this way keeps a core busy.
class SpinningPump : public devicelink::EventPump {
public:
    void RunPending() override { QCoreApplication::processEvents(); }
    bool Cancelled() const override { return false; }
};

void measure(const char* name, devicelink::EventPump& events, int seconds) {
    devicelink::SerialComm comm;
    devicelink::SteadyClock clock;
    NullLog log;
    NoQuestions ask;
    devicelink::Context ctx{comm, clock, events, log, ask};
    if (devicelink::OpenPort(ctx, 1) != 0) {
        std::fprintf(stderr, "cannot open the simulated device\n");
        std::exit(1);
    }
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = cpuSeconds();
    const int result = devicelink::WaitFor(ctx, "1 - exit", seconds);
    const double cpu = cpuSeconds() - cpu0;
    const double elapsed = wall.elapsed() / 1000.0;
    comm.setPortOpen(false);
    std::printf("%s: waited %.2f s (result %d), CPU %.3f s = %.2f %% of one core\n", name, elapsed,
                result, cpu, 100 * cpu / elapsed);
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    SimProcess sim({"--menu-delay", "100000000"});
    devicelink::QtEventPump sleeping;
    measure("sleeping wait (the program)", sleeping, seconds);
    SpinningPump spinning;
    measure("spinning wait (for comparison)", spinning, std::min(seconds, 3));
    return 0;
}
