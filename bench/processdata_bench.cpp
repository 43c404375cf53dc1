// The end of a large download in the window: ProcessData on 200 000 records with the real
// window's log boxes, against zelm-decode on the same bytes. Usage: processdata_bench [RECORDS]

#include "runchild.h"

#include "app/form1.h"
#include "app/submain.h"
#include "report/processdata.h"
#include "settings/folder.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <random>

int main(int argc, char* argv[]) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("ZURORUVE_EDITOR", "true");
    QApplication application(argc, argv);
    const long records = argc > 1 ? std::atol(argv[1]) : 200000;

    QTemporaryDir dir;
    settings::SetProgramFolder(dir.path());
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
    app::SubMain(form);
    application.processEvents();

    std::vector<double> window, tool;
    for (int round = 0; round < 3; ++round) {
        QElapsedTimer t;
        t.start();
        report::ProcessData(report, form.log(), form);
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
    std::printf("%ld records: ProcessData in the window %.3f s, zelm-decode %.3f s, ratio %.2f "
                "(goal: the window's part of a download's end <= 0.5 s)\n",
                records, w, d, w / d);
    return 0;
}
