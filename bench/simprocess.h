#pragma once
// Starts zelm-sim for a benchmark and waits for its device path.

#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

class SimProcess {
public:
    explicit SimProcess(const QStringList& options) {
        path_ = dir_.filePath("zelm");
        process_.start(ZELM_SIM, options + QStringList{path_});
        if (!process_.waitForReadyRead(30000)) {
            std::fprintf(stderr, "zelm-sim did not start\n");
            std::exit(1);
        }
        qputenv("ZURORUVE_COM1", path_.toUtf8());
    }
    ~SimProcess() {
        process_.terminate();
        process_.waitForFinished(3000);
    }

private:
    QTemporaryDir dir_;
    QString path_;
    QProcess process_;
};
