// zelm-download: reads out a ZELM logger without a window, for scripts and field stations.
// The same dialogue, files and log lines as the window's Download button, a failure said in
// words rather than by a procedure's name, and what came in told after each read-out; the log
// goes to standard error, the decoded file's path to standard output.

#include "core/host.h"
#include "link/clock.h"
#include "link/events.h"
#include "link/ports.h"
#include "link/primitives.h"
#include "link/serialcomm.h"
#include "readout/readout.h"
#include "settings/folder.h"
#include "settings/ini.h"
#include "settings/tonumber.h"
#include "view/render/readoutsummary.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QTemporaryFile>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

const char* const kUsage =
    "usage: zelm-download [--port N | --device PATH] [--folder DIR] [--clear] [--watch]\n"
    "                     [--boot-wait SECONDS] [--report DIR]\n"
    "Reads out a ZELM logger: walks its boot menu, downloads its report and keeps it as the\n"
    "window does (in.dat, DATA/in-<stamp>.dat, out-<stamp>.txt in the data folder, or DIR;\n"
    "a stamp taken gets a suffix, -2, -3...; a report cut short, DATA/in-<stamp>.partial.dat).\n"
    "Every report received has a line in DATA/readouts.log with its SHA-256. The log goes to\n"
    "standard error, with what came in (sensors, period, excursions, LOWBAT), the decoded\n"
    "file's path to standard output.\n"
    "  --port N           the port as the window numbers it (default: the one stored)\n"
    "  --device PATH      the serial device itself\n"
    "  --clear            then clear the logger, only once its whole report is on disk, and\n"
    "                     prove the clear by reading the report back\n"
    "  --watch            serve one logger after another: wait for each one's boot menu\n"
    "                     without a limit, and for an unplugged adapter to come back\n"
    "  --boot-wait S      seconds to wait for the boot menu (30; 0: no limit)\n"
    "  --report DIR       also write the PDF report and the statistics CSV of each read-out\n"
    "                     into DIR, as new files\n";

constexpr int kUsageStatus = 64;

// The usage with its exit statuses: the read-out's, then the program's own.
QByteArray usage() {
    const QString sentence = "Exit status: " + readout::exitStatusSummary() +
                             QStringLiteral("; %1 wrong arguments; 130 stopped by SIGINT, 143 by "
                                            "SIGTERM.")
                                 .arg(kUsageStatus);
    QString wrapped, line;
    for (const QString& word : sentence.split(u' ')) {
        if (!line.isEmpty() && line.size() + 1 + word.size() > 85) {
            wrapped += line + u'\n';
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    return QByteArray(kUsage) + (wrapped + line + u'\n').toLocal8Bit();
}
// The longest wait the waits can count: 2^31 - 1 milliseconds, just short of 25 days.
constexpr std::int32_t kMaxBootSeconds = std::numeric_limits<std::int32_t>::max() / 1000;

int wrongArgument(const QString& why) {
    std::fprintf(stderr, "zelm-download: %s (see zelm-download --help)\n",
                 why.toLocal8Bit().constData());
    return kUsageStatus;
}

// The log on standard error; under systemd each line starts with its syslog priority, so that
// the journal tells failures from the rest.
class StderrLog : public core::StatusLog {
public:
    explicit StderrLog(bool journal) : journal_(journal) {}
    core::Wording wording() const override { return core::Wording::Plain; }
    void LogLine(const QString& text, core::Severity severity) override {
        if (text.isEmpty() || text == last_)
            return; // the window empties its log here; a port looked for again says it once
        last_ = text;
        std::fprintf(stderr, "%s%s\n", journal_ ? core::journalPrefix(severity) : "",
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
volatile std::sig_atomic_t told = 0; // the signal
#ifdef Q_OS_UNIX
int signalPipe[2] = {-1, -1};
#endif

void onSignal(int signal) {
    told = signal;
#ifdef Q_OS_UNIX
    const char byte = 1;
    [[maybe_unused]] const auto n = ::write(signalPipe[1], &byte, 1);
#endif
}

QString stopReason() {
    if (!told)
        return {};
    return told == SIGINT ? QStringLiteral("Stopped by SIGINT")
                          : QStringLiteral("Stopped by SIGTERM");
}

struct Arguments {
    QString device, folder, report;
    std::int32_t port = 0;
    std::int32_t bootSeconds = devicelink::kBootSeconds;
    bool clear = false, watch = false, bootSet = false;
};

// Reads the arguments into args; what is wrong with them, or nothing.
QString parse(const QStringList& list, Arguments& args) {
    QStringList seen;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QString& a = list[i];
        if (!a.startsWith(u'-'))
            return "unexpected argument " + a;
        if (seen.contains(a))
            return a + ": given twice";
        seen.append(a);
        QString value;
        const bool takesValue = a == "--port" || a == "--device" || a == "--folder" ||
                                a == "--boot-wait" || a == "--report";
        if (takesValue) {
            if (++i >= list.size() || list[i].isEmpty())
                return a + ": needs a value";
            value = list[i];
        }
        bool ok = true;
        if (a == "--clear") {
            args.clear = true;
        } else if (a == "--watch") {
            args.watch = true;
        } else if (a == "--port") {
            args.port = value.toInt(&ok);
            if (!ok || args.port < 1 || args.port > std::numeric_limits<std::int16_t>::max())
                return "--port: not a port number from 1 to 32767";
        } else if (a == "--boot-wait") {
            args.bootSeconds = value.toInt(&ok);
            args.bootSet = true;
            if (!ok || args.bootSeconds < 0 || args.bootSeconds > kMaxBootSeconds)
                return "--boot-wait: not a number of seconds up to 24 days";
        } else if (a == "--device") {
            args.device = value;
        } else if (a == "--folder") {
            args.folder = value;
        } else if (a == "--report") {
            args.report = QFileInfo(value).absoluteFilePath();
        } else {
            return "unknown option " + a;
        }
    }
    if (args.port && !args.device.isEmpty())
        return "--port and --device: give one of them";
#ifdef Q_OS_UNIX
    // A path is taken from the working folder, as every path on a command line is; the system
    // would look for it under /dev. A bare name found nowhere here stays a device's name there.
    if (!args.device.isEmpty() && !args.device.startsWith(u'/') &&
        (args.device.contains(u'/') || QFileInfo::exists(args.device)))
        args.device = QFileInfo(args.device).absoluteFilePath();
#endif
    return {};
}

// What came in with a read-out, and its report where asked for.
void tellWhatCameIn(const readout::Result& out, const settings::ProgramFolder& folder,
                    const QString& reportFolder, core::StatusLog& log) {
    if (out.reached < readout::Stage::Kept || out.kept.copyPath.isEmpty())
        return;
    const QString settingsFile = folder.file(settings::kIniFile);
    view::tellReadOut(log, out.kept.copyPath, settingsFile);
    if (reportFolder.isEmpty())
        return;
    QStringList written;
    QString why;
    if (view::writeReadOutReport(reportFolder, out.kept.copyPath, settingsFile, written, why))
        log.LogLine("Report written: " + QDir::toNativeSeparators(written.join(", ")));
    else
        log.LogLine("ERROR: the report of this read-out could not be written: " + why,
                    core::Severity::Error);
}

// The PDF of --report needs fonts, and so Qt's GUI, but no screen.
std::unique_ptr<QCoreApplication> application(int& argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--report") != 0)
            continue;
#ifndef Q_OS_WIN // as zelm-view does: Windows' own platform needs no screen and has the fonts
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
        return std::make_unique<QGuiApplication>(argc, argv);
    }
    return std::make_unique<QCoreApplication>(argc, argv);
}

// The folder the files are kept in, made; 0, or 3 where it or the folder of --report takes no
// file: a report that cannot be kept would be read out for nothing, so that ends the run before
// the logger is touched.
int prepareFolders(const Arguments& args, settings::ProgramFolder& folder, core::StatusLog& log) {
    folder = settings::chooseProgramFolder();
    if (!args.folder.isEmpty()) {
        QDir().mkpath(args.folder);
        folder = {QDir(args.folder).absolutePath(), false};
    }
    settings::MakeUserFolders(folder, log);
    QStringList folders{folder.path, folder.file(settings::kDataFolder)};
    if (!args.report.isEmpty()) { // and one that takes no report
        QDir().mkpath(args.report);
        folders.append(args.report);
    }
    for (const QString& where : std::as_const(folders)) {
        QTemporaryFile probe(where + QStringLiteral("/.zelm-download-XXXXXX"));
        if (!probe.open()) {
            log.LogLine(
                QStringLiteral("ERROR: no file can be written in %1 (%2): the logger is not "
                               "read out")
                    .arg(QDir::toNativeSeparators(where), probe.errorString()),
                core::Severity::Error);
            return 3;
        }
    }
    return 0;
}

// The port where no device is named: the one given, else the one stored; 0, or 2 where the
// stored one is no port number.
int choosePort(Arguments& args, const settings::ProgramFolder& folder, core::StatusLog& log) {
    if (!args.device.isEmpty()) {
        args.port = 1; // the device is named: the number only fills the control's property
    } else if (args.port == 0) {
        const QString text = settings::ReadIni(folder, settings::kSection, settings::kPortKey,
                                               QStringLiteral("1"), log);
        args.port = std::max(settings::ToNumber(text), 1);
        if (args.port > std::numeric_limits<std::int16_t>::max()) {
            log.LogLine(QStringLiteral("ERROR: %1: %2=%3: not a port number from 1 to 32767")
                            .arg(QDir::toNativeSeparators(folder.file(settings::kIniFile)),
                                 settings::kPortKey, text),
                        core::Severity::Error);
            return 2;
        }
    }
    return 0;
}

// SIGINT and SIGTERM from now on, waking the event loop through the pipe.
std::unique_ptr<QObject> watchSignals() {
    std::unique_ptr<QObject> wake;
#ifdef Q_OS_UNIX
    if (::pipe(signalPipe) == 0) {
        ::fcntl(signalPipe[0], F_SETFD, FD_CLOEXEC);
        ::fcntl(signalPipe[1], F_SETFD, FD_CLOEXEC);
        ::fcntl(signalPipe[1], F_SETFL, O_NONBLOCK);
    }
    auto notifier = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, [] {
        char byte;
        [[maybe_unused]] const auto n = ::read(signalPipe[0], &byte, 1);
    });
    wake = std::move(notifier);
#endif
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    return wake;
}

// A station's adapter unplugged: looks for the device about once a second, by its name, which
// costs less than asking the system for every port. False once a signal stopped it (told).
bool awaitDevice(devicelink::Context& ctx, const Arguments& args,
                 const devicelink::PortDevices& devices, core::StatusLog& log) {
    const QString path =
        args.device.isEmpty() ? devicelink::deviceForPort(args.port, devices) : args.device;
    do
        devicelink::Pause(ctx, 1);
    while (!told && path.startsWith(u'/') && !QFileInfo::exists(path));
    if (!told)
        return true;
    log.LogLine(stopReason(), core::Severity::Notice);
    return false;
}

// Reads out one logger, or with --watch one after another; the exit status.
int serve(const Arguments& args, const settings::ProgramFolder& folder,
          const devicelink::PortDevices& devices, core::StatusLog& log) {
    NoQuestions ask;
    devicelink::SerialComm comm(args.device, devices);
    devicelink::SteadyClock clock;
    devicelink::QtEventPump events(stopReason);
    devicelink::Context ctx{comm, clock, events, log, ask};
    readout::Session session{ctx, folder};
    session.program = QStringLiteral("zelm-download");
    readout::Request request;
    request.port = args.port;
    request.clear = args.clear;
    request.bootSeconds = args.bootSeconds;
    request.keepOpen = args.watch;
    for (;;) {
        const readout::Result out = readout::readOut(session, request);
        if (out.reached >= readout::Stage::Kept) {
            std::printf("%s\n",
                        QDir::toNativeSeparators(out.kept.outPath).toLocal8Bit().constData());
            std::fflush(stdout);
        }
        tellWhatCameIn(out, folder, args.report, log);
        if (!args.watch || (told && out.end == readout::End::Stopped))
            return readout::exitStatus(out, told);
        if (told) { // between two loggers: a station stopped
            log.LogLine(stopReason(), core::Severity::Notice);
            return 128 + told;
        }
        if (!comm.PortOpen() && !awaitDevice(ctx, args, devices, log))
            return 128 + told;
    }
}

} // namespace

int main(int argc, char* argv[]) {
    const std::unique_ptr<QCoreApplication> app = application(argc, argv);
    // The name and version a report it writes gives as its maker.
    QCoreApplication::setApplicationName(QStringLiteral("zelm-download"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZURORUVE_VERSION));
    const QStringList list = QCoreApplication::arguments().mid(1);
    if (list.contains("--help")) {
        std::fputs(usage().constData(), stdout);
        return 0;
    }
    if (list.contains("--version")) {
        std::printf("zelm-download %s\n", ZURORUVE_VERSION);
        return 0;
    }
    Arguments args;
    if (const QString wrong = parse(list, args); !wrong.isEmpty())
        return wrongArgument(wrong);
    if (args.watch && !args.bootSet)
        args.bootSeconds = 0;  // a station waits for the next logger as long as it takes
    if (args.bootSeconds == 0) // the longest wait the waits take
        args.bootSeconds = kMaxBootSeconds;

    // Under systemd, whose journal reads a priority at the start of each line.
    StderrLog log(qEnvironmentVariableIsSet("JOURNAL_STREAM"));
    settings::ProgramFolder folder;
    if (const int status = prepareFolders(args, folder, log))
        return status;
    if (const int status = choosePort(args, folder, log))
        return status;
    const std::unique_ptr<QObject> wake = watchSignals();
    // Port numbers pointed elsewhere (ZURORUVE_COM<n>).
    return serve(args, folder,
                 devicelink::portDevicesFrom(QProcessEnvironment::systemEnvironment()), log);
}
