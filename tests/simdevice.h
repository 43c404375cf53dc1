#pragma once
// Runs zelm-sim on a pseudo-terminal for a test, with port 1 pointed at it.

#include <QDir>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

class SimDevice {
public:
    /// Starts the simulator with the given options; fast and with a short reset by default.
    explicit SimDevice(const QStringList& options, const QString& portVariable = "ZURORUVE_COM1") {
        path_ = dir_.filePath("zelm");
        process_.setProgram(ZELM_SIM);
        process_.setArguments(QStringList{"--menu-delay", "100"} + options + QStringList{path_});
        process_.start();
        if (!process_.waitForStarted() || !process_.waitForReadyRead(5000)) {
            qWarning("zelm-sim did not start");
            return;
        }
        const QByteArray first = process_.readLine().trimmed();
        output_ += first + "\n";
        started_ = first == path_.toUtf8();
        qputenv(portVariable.toUtf8(), path_.toUtf8());
    }
    ~SimDevice() {
        process_.terminate();
        process_.waitForFinished(3000);
    }
    bool started() const { return started_; }
    QString path() const { return path_; }
    /// Everything the simulator has printed so far.
    QByteArray output() {
        output_ += process_.readAllStandardOutput();
        return output_;
    }
    /// Waits until the simulator has seen the port closed `times` times. A person presses
    /// reset between downloads; the simulator resets on a fresh open, and a close and reopen
    /// that both fall between two of its looks at the line would go unseen.
    bool waitForClosed(int times) {
        return QTest::qWaitFor([&] { return output().count("port closed") == times; }, 5000);
    }
    bool finished() { return process_.state() == QProcess::NotRunning; }

private:
    QTemporaryDir dir_;
    QString path_;
    QProcess process_;
    QByteArray output_;
    bool started_ = false;
};
