// zelm-download as a docking station: its CPU and wake-ups while --watch waits for a logger
// (the simulated device never sends its boot menu) and while the adapter is unplugged; then
// the end of a download of 200 000 records, from the last byte to the files written and the
// port closed, in zelm-download's read-out against the window's, same run.
// Usage: watch_bench ZELM_DOWNLOAD [SECONDS]

#include "sim/simdevice.h"

#include "app/dialogues.h"
#include "app/form1.h"
#include "app/submain.h"
#include "link/serialcomm.h"
#include "readout/readout.h"
#include "settings/folder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <unistd.h>

namespace {

// CPU seconds and context switches of a process so far, from /proc.
struct Usage {
    double cpu = 0;
    long switches = 0;
};

Usage usageOf(qint64 pid) {
    Usage u;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> f = stat.readAll().split(')').value(1).split(' ');
        // After the name: state is field 3, utime 14 and stime 15 of the whole line.
        u.cpu = (f.value(12).toDouble() + f.value(13).toDouble()) / double(sysconf(_SC_CLK_TCK));
    }
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.contains("ctxt_switches:"))
                u.switches += line.split(':').value(1).trimmed().toLong();
    return u;
}

void waiting(const char* what, const QStringList& args, int seconds) {
    QProcess run;
    run.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    run.start(QString::fromLocal8Bit(qgetenv("ZELM_DOWNLOAD_BIN")), args);
    if (!run.waitForStarted()) {
        std::fprintf(stderr, "zelm-download did not start\n");
        std::exit(1);
    }
    QThread::sleep(2); // started and settled into its wait
    const Usage before = usageOf(run.processId());
    QElapsedTimer wall;
    wall.start();
    QThread::sleep(seconds);
    const Usage after = usageOf(run.processId());
    const double elapsed = wall.elapsed() / 1000.0;
    run.terminate();
    run.waitForFinished(5000);
    std::printf("--watch %-28s %5.1f s: CPU %.3f s = %5.3f %% of one core (goal <= 0.1 %%), "
                "%5.2f wake-ups/s (goal <= 5)\n",
                what, elapsed, after.cpu - before.cpu, 100 * (after.cpu - before.cpu) / elapsed,
                (after.switches - before.switches) / elapsed);
}

// The log of a read-out, noting when the capture saw the end of the report.
class TimedLog : public core::StatusLog {
public:
    explicit TimedLog(core::StatusLog* next = nullptr) : next_(next) {}
    void LogLine(const QString& text, core::Severity severity) override {
        if (text.startsWith("Download complete"))
            lastByte.start();
        if (next_)
            next_->LogLine(text, severity);
    }
    void SetStatus(const QString& text) override {
        if (next_)
            next_->SetStatus(text);
    }
    void showStatusNow() override {
        if (next_)
            next_->showStatusNow();
    }
    QElapsedTimer lastByte;

private:
    core::StatusLog* next_;
};

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: watch_bench ZELM_DOWNLOAD [SECONDS]\n");
        return 2;
    }
    qputenv("ZELM_DOWNLOAD_BIN", argv[1]);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 20;
    QTemporaryDir dir;
    {
        SimDevice silent({"--menu-delay", "100000000"});
        silent.requireStarted();
        waiting("waiting for a boot menu", {"--watch", "--clear", "--folder", dir.path()}, seconds);
    }
    waiting("with the adapter unplugged",
            {"--watch", "--device", dir.filePath("gone"), "--folder", dir.path()}, seconds);

    const settings::ProgramFolder folder{dir.path(), false};
    app::Form1 form;
    app::SubMain(form, folder);
    application.processEvents();
    const QString records = QStringLiteral("200000");
    double window = 0, tool = 0;
    {
        SimDevice sim({"--fast", "--menu-delay", "50", "--records", records});
        sim.requireStarted();
        devicelink::SerialComm comm({}, {{1, sim.path()}});
        devicelink::SteadyClock clock;
        devicelink::QtEventPump events;
        TimedLog log(&form.log());
        devicelink::Context ctx{comm, clock, events, log, form};
        readout::Session session{ctx, folder};
        app::DownloadData(session, 0, "true");
        window = log.lastByte.elapsed() / 1000.0;
    }
    {
        SimDevice sim({"--fast", "--menu-delay", "50", "--records", records});
        sim.requireStarted();
        devicelink::SerialComm comm({}, {{1, sim.path()}});
        devicelink::SteadyClock clock;
        devicelink::QtEventPump events;
        TimedLog log;
        devicelink::Context ctx{comm, clock, events, log, form};
        readout::Session session{ctx, folder};
        readout::readOut(session, readout::Request{});
        tool = log.lastByte.elapsed() / 1000.0;
    }
    std::printf("200000 records, last byte to files written and port closed: zelm-download %.3f s, "
                "the window %.3f s, ratio %.2f (goal <= 1)\n",
                tool, window, tool / window);
    return 0;
}
