// The end of a large download in the window: ProcessData on 200 000 records with the real
// window's log boxes, against zelm-decode on the same bytes; then a whole download of as many
// records sent unpaced by the simulated device, from its last byte (the end marker seen) to
// the port closed. Usage: processdata_bench [RECORDS]

#include "runchild.h"
#include "sim/simdevice.h"

#include "app/dialogues.h"
#include "app/form1.h"
#include "app/submain.h"
#include "link/serialcomm.h"
#include "readout/readout.h"
#include "report/processdata.h"
#include "settings/folder.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <random>

namespace {

// The window's log, noting when the capture saw the end of the report.
class TimedLog : public core::StatusLog {
public:
    explicit TimedLog(core::StatusLog& window) : window_(window) {}
    void LogLine(const QString& text, core::Severity severity) override {
        if (text.startsWith("Download complete"))
            lastByte.start();
        window_.LogLine(text, severity);
    }
    void SetStatus(const QString& text) override { window_.SetStatus(text); }
    void showStatusNow() override { window_.showStatusNow(); }
    QElapsedTimer lastByte;

private:
    core::StatusLog& window_;
};

} // namespace

int main(int argc, char* argv[]) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const long records = argc > 1 ? std::atol(argv[1]) : 200000;

    QTemporaryDir dir;
    QByteArray report(records * 19, Qt::Uninitialized);
    std::mt19937 rng(7);
    for (qsizetype i = 0; i < report.size(); ++i)
        report[i] = char(rng());
    for (qsizetype r = 0; r < records; ++r)
        report[r * 19 + 8] = char(1 + r % 4); // every kind, shown
    const QString raw = dir.filePath("report.dat");
    QFile f(raw);
    if (!f.open(QIODevice::WriteOnly) || f.write(report) != report.size())
        return 1;
    f.close();

    app::Form1 form;
    const settings::ProgramFolder folder{dir.path(), false};
    app::SubMain(form, folder);
    application.processEvents();

    std::vector<double> window, tool;
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer t;
        t.start();
        report::ProcessData(folder, report, QDateTime::currentDateTime(), form.log(), form,
                            [] { return QStringLiteral("true"); });
        window.push_back(t.elapsed() / 1000.0);
        for (const QString& name : QDir(dir.path()).entryList({"out-*.txt"}))
            QFile::remove(dir.filePath(name));
        const ChildRun run = runChild({ZELM_DECODE, raw.toStdString()});
        if (run.status != 0)
            return 1;
        tool.push_back(run.wallSeconds);
    }
    const double w = *std::min_element(window.begin(), window.end());
    const double d = *std::min_element(tool.begin(), tool.end());
    std::printf("%ld records: ProcessData in the window %.3f s, zelm-decode %.3f s, ratio %.2f\n",
                records, w, d, w / d);

    SimDevice sim({"--fast", "--menu-delay", "50", "--records", QString::number(records)});
    sim.requireStarted();
    devicelink::SerialComm comm({}, {{1, sim.path()}});
    devicelink::SteadyClock clock;
    devicelink::QtEventPump events;
    TimedLog log(form.log());
    devicelink::Context ctx{comm, clock, events, log, form};
    readout::Session session{ctx, folder};
    app::DownloadData(session, 0, "true");
    std::printf("whole download of %ld records: last byte to port closed %.3f s (goal <= 0.5 s)\n",
                records, log.lastByte.isValid() ? log.lastByte.elapsed() / 1000.0 : -1.0);
    return 0;
}
