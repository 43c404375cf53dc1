#pragma once
// A scripted serial line with its own clock and event loop: every pass of a wait moves the
// clock on by stepMs and delivers what the script says has arrived by then. A device model
// answers what the program writes.

#include "link/context.h"
#include "recordinglog.h"
#include "recordingquestions.h"

#include <QList>
#include <QStringList>
#include <functional>

class FakeLine : public devicelink::Comm, public devicelink::Clock, public devicelink::EventPump {
public:
    // The clock, the events
    qint64 now = 0;
    qint64 stepMs = 10;
    int passes = 0;
    bool cancelled = false;
    std::function<void()> onPass; // runs on every pass, after deliveries

    qint64 NowMs() override { return now; }
    void RunPending(qint64) override {
        ++passes;
        now += stepMs;
        while (!script.isEmpty() && script.first().first <= now)
            pending += script.takeFirst().second;
        if (onPass)
            onPass();
    }
    bool Cancelled() const override { return cancelled; }

    /// Bytes that arrive ms after the last delivery still to come, or ms from now.
    void arrive(qint64 ms, const QByteArray& bytes) {
        const qint64 after = script.isEmpty() ? now : std::max(now, script.last().first);
        script.append({after + ms, bytes});
    }

    // The serial control
    QStringList calls; // property writes in order, e.g. "CommPort=3"
    QList<QByteArray> written;
    QByteArray pending; // what Input would return now
    QList<QPair<qint64, QByteArray>> script;
    bool open = false;
    int opens = 0, closes = 0;
    QString failOn; // a call name ("PortOpen", "Input", "Output", "Settings"...) that throws
    QString failText = "the device was disconnected (/dev/fake)";
    std::function<void(const QByteArray&)> onWrite; // the device's answer to what is written
    std::function<void()> onOpen;

    void fail(const QString& what) {
        if (failOn == what)
            throw devicelink::CommError(failText);
    }
    void setCommPort(int port) override {
        calls << QString("CommPort=%1").arg(port);
        fail("CommPort");
    }
    void setSettings(const QString& s) override {
        calls << "Settings=" + s;
        fail("Settings");
    }
    void setRTSEnable(bool on) override { calls << QString("RTSEnable=%1").arg(on); }
    void setHandshaking(int mode) override { calls << QString("Handshaking=%1").arg(mode); }
    void setInputMode(int mode) override { calls << QString("InputMode=%1").arg(mode); }
    bool PortOpen() const override { return open; }
    void setPortOpen(bool o) override {
        calls << QString("PortOpen=%1").arg(o);
        if (o) {
            fail("PortOpen");
            open = true;
            ++opens;
            if (onOpen)
                onOpen();
        } else {
            if (open)
                ++closes;
            open = false;
        }
    }
    int InBufferCount() override {
        fail("InBufferCount");
        return int(pending.size());
    }
    QByteArray Input() override {
        fail("Input");
        QByteArray all;
        all.swap(pending);
        return all;
    }
    void setOutput(const QByteArray& bytes) override {
        fail("Output");
        written << bytes;
        if (onWrite)
            onWrite(bytes);
    }
};

/// A FakeLine with a log and questions, ready to hand to the procedures.
struct Rig {
    FakeLine line;
    RecordingLog log;
    RecordingQuestions ask;
    devicelink::Context ctx{line, line, line, log, ask};
};

/// Makes the line behave as the device: the boot menu menuMs after the port opens, the prompt
/// after "1", the report (with noise before it) after "report 0", the prompt after
/// "forward pointer".
inline void actAsDevice(FakeLine& line, const QByteArray& report, qint64 menuMs = 500) {
    line.onOpen = [&line, menuMs] { line.arrive(menuMs, "ZELM boot\r\n  1 - exit\r\nchoice> "); };
    line.onWrite = [&line, report](const QByteArray& bytes) {
        if (bytes == "1")
            line.arrive(50, "1\r\ncmd>");
        else if (bytes == "report 0\r")
            line.arrive(100, "\r\nnoise %^&* !@# $ !@#$" + report + "%^&*\r\ncmd>");
        else if (bytes == "forward pointer\r")
            line.arrive(100, "\r\ncleared\r\ncmd>");
    };
}
