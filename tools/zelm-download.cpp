// zelm-download: reads out a ZELM logger without a window, for scripts and field stations.
// The same dialogue, files and log lines as the window's Download button; the log goes to
// standard error, the decoded file's path to standard output.

#include "core/host.h"
#include "link/clock.h"
#include "link/dialogues.h"
#include "link/events.h"
#include "link/ports.h"
#include "link/primitives.h"
#include "link/serialcomm.h"
#include "settings/folder.h"
#include "settings/ini.h"
#include "settings/tonumber.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <limits>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

const char* const kUsage =
    "usage: zelm-download [--port N | --device PATH] [--folder DIR] [--clear] [--watch]\n"
    "                     [--boot-wait SECONDS]\n"
    "Reads out a ZELM logger: walks its boot menu, downloads its report and keeps it as the\n"
    "window does (in.dat, DATA/in-<stamp>.dat, out-<stamp>.txt in the data folder, or DIR).\n"
    "The log goes to standard error, the decoded file's path to standard output.\n"
    "  --port N           the port as the window numbers it (default: the one stored)\n"
    "  --device PATH      the serial device itself\n"
    "  --clear            then clear the logger, only once its report is on disk\n"
    "  --watch            serve one logger after another: wait for each one's boot menu\n"
    "                     without a limit, and for an unplugged adapter to come back\n"
    "  --boot-wait S      seconds to wait for the boot menu (30; 0: no limit)\n"
    "Exit status: 0 done; 1 the logger did not answer in time; 2 the port could not be\n"
    "opened; 3 the report could not be kept (nothing cleared); 4 kept, but the clear was not\n"
    "confirmed; 64 wrong arguments. With --watch: 0 after SIGINT or SIGTERM between\n"
    "downloads, the status of the download a signal cut.\n";

constexpr int kUsageStatus = 64;

int usage() {
    std::fputs(kUsage, stderr);
    return kUsageStatus;
}

// The log on standard error; under systemd each line starts with its syslog priority, so that
// the journal tells failures from the rest.
class StderrLog : public core::StatusLog {
public:
    StderrLog() : journal_(qEnvironmentVariableIsSet("JOURNAL_STREAM")) {}
    void LogLine(const QString& text) override {
        if (text.isEmpty() || text == last_)
            return; // the window empties its log here; a port looked for again says it once
        last_ = text;
        const bool error =
            text.startsWith(QLatin1String("ERROR")) || text.startsWith(QLatin1String("Timeout"));
        std::fprintf(stderr, "%s%s\n", journal_ ? (error ? "<3>" : "<6>") : "",
                     text.toLocal8Bit().constData());
        std::fflush(stderr);
    }
    void SetStatus(const QString&) override {} // a count of records is for a window

private:
    bool journal_;
    QString last_;
};

// Nobody to ask: the clear is asked for on the command line.
class NoQuestions : public core::UserQuestions {
public:
    bool confirm(const QString&) override { return false; }
    void message(const QString& text) override {
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    }
};

// SIGINT and SIGTERM end the read-out at the next step of its waits: the handler writes to a
// pipe the event loop watches, so a sleeping wait wakes at once.
volatile std::sig_atomic_t told = 0;
#ifdef Q_OS_UNIX
int signalPipe[2] = {-1, -1};
#endif

void onSignal(int) {
    told = 1;
#ifdef Q_OS_UNIX
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(signalPipe[1], &byte, 1);
#endif
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(settings::kAppName);
    QString device, folder;
    std::int32_t port = 0;
    std::int32_t bootSeconds = devicelink::kBootSeconds;
    bool clear = false, watch = false, bootSet = false;
    const QStringList args = QCoreApplication::arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const auto value = [&](QString& out) {
            if (++i >= args.size())
                return false;
            out = args[i];
            return true;
        };
        QString text;
        bool ok = true;
        if (a == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a == "--version") {
            std::printf("zelm-download %s\n", ZURORUVE_VERSION);
            return 0;
        } else if (a == "--clear") {
            clear = true;
        } else if (a == "--watch") {
            watch = true;
        } else if (a == "--port" && value(text)) {
            port = text.toInt(&ok);
            ok = ok && port >= 1 && port <= std::numeric_limits<std::int16_t>::max();
        } else if (a == "--boot-wait" && value(text)) {
            bootSeconds = text.toInt(&ok);
            bootSet = true;
            ok = ok && bootSeconds >= 0;
        } else if (!(a == "--device" && value(device)) && !(a == "--folder" && value(folder))) {
            ok = false;
        }
        if (!ok || (port && !device.isEmpty()))
            return usage();
    }
    if (watch && !bootSet)
        bootSeconds = 0;  // a station waits for the next logger as long as it takes
    if (bootSeconds == 0) // the longest wait the waits take: weeks
        bootSeconds = std::numeric_limits<std::int32_t>::max() / 1000;

    StderrLog log;
    NoQuestions ask;
    if (folder.isEmpty()) {
        settings::chooseProgramFolder();
    } else {
        QDir().mkpath(folder);
        settings::setProgramFolder(QDir(folder).absolutePath());
    }
    settings::MakeUserFolders(log);
    if (!device.isEmpty()) { // a device is opened as port 1, which names it
        port = 1;
        qputenv("ZURORUVE_COM1", device.toLocal8Bit());
    } else if (port == 0) {
        port = std::int32_t(settings::ToNumber(
            settings::ReadIni(settings::kSection, settings::kPortKey, QStringLiteral("1"), log)));
        port = std::max(port, 1);
    }

#ifdef Q_OS_UNIX
    if (::pipe(signalPipe) == 0) {
        ::fcntl(signalPipe[0], F_SETFD, FD_CLOEXEC);
        ::fcntl(signalPipe[1], F_SETFD, FD_CLOEXEC);
        ::fcntl(signalPipe[1], F_SETFL, O_NONBLOCK);
    }
    QSocketNotifier wake(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&wake, &QSocketNotifier::activated, [] {
        char byte;
        [[maybe_unused]] const auto n = ::read(signalPipe[0], &byte, 1);
    });
#endif
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    devicelink::SerialComm comm;
    devicelink::SteadyClock clock;
    devicelink::QtEventPump events([] { return told != 0; });
    devicelink::Context ctx{comm, clock, events, log, ask};
    for (;;) {
        const devicelink::ReadOut out =
            devicelink::readOutDevice(ctx, port, clear, bootSeconds, watch);
        if (!out.outPath.isEmpty() && out.outcome != devicelink::Outcome::NotKept) {
            std::printf("%s\n", QDir::toNativeSeparators(out.outPath).toLocal8Bit().constData());
            std::fflush(stdout);
        }
        if (!watch)
            return int(out.outcome);
        if (told) // between downloads, nothing was cut
            return out.reached == devicelink::Reached::BootMenu ? int(out.outcome) : 0;
        // Unplugged: look for the device about once a second, by its name, which costs less
        // than asking the system for every port.
        if (!comm.PortOpen()) {
            const QString path = devicelink::deviceForPort(port);
            do
                devicelink::Pause(ctx, 1);
            while (!told && path.startsWith(u'/') && !QFileInfo::exists(path));
        }
    }
}
