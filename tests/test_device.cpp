// End to end: the dialogues through a real QSerialPort against the simulated device.

#include "files.h"
#include "readonly.h"
#include "recordinglog.h"
#include "recordingquestions.h"
#include "simdevice.h"

#include "link/dialogues.h"
#include "link/primitives.h"
#include "link/serialcomm.h"
#include "report/record.h"
#include "settings/folder.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace devicelink;

namespace {

QByteArray decoded(const QByteArray& raw) {
    QBuffer in;
    in.setData(raw);
    in.open(QIODevice::ReadOnly);
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    report::DecodeReport(in, out, report::NumberFormat::System());
    return out.data();
}

struct RealRig {
    SerialComm comm;
    SteadyClock clock;
    QtEventPump events;
    RecordingLog log;
    RecordingQuestions ask;
    Context ctx{comm, clock, events, log, ask};
};

} // namespace

class TestDevice : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    QStringList outFiles() const {
        return QDir(dir.path()).entryList({"out-*.txt"}, QDir::Files, QDir::Name);
    }

private slots:
    void initTestCase() {
        settings::SetProgramFolder(dir.path());
        qputenv("ZURORUVE_EDITOR", "true");
    }
    void init() {
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
    }

    void downloadKeepsEveryByte() {
        QByteArray raw;
        for (int round = 0; round < 40; ++round)
            for (int b = 0; b < 256; ++b)
                raw.append(char(round % 2 ? 255 - b : (b + round) % 256));
        QVERIFY(!raw.contains("%^&*"));
        const QString rawFile = dir.filePath("stored.dat");
        QFile f(rawFile);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(raw);
        f.close();

        SimDevice sim({"--fast", "--raw", rawFile});
        QVERIFY(sim.started());
        RealRig rig;
        DownloadData(rig.ctx, 0);
        QCOMPARE(rig.log.lines.mid(0, 5),
                 (QStringList{"Plug the PC into the ZELM device and",
                              "press reset or cycle power on the ZELM", "Waiting for boot menu",
                              "Waiting for data",
                              QString("Download complete %1 bytes").arg(raw.size())}));
        QCOMPARE(rig.log.lines.last(),
                 QString("Processing %1 records complete").arg(raw.size() / 19));
        QVERIFY(!rig.comm.PortOpen());
        QCOMPARE(readAll(dir.filePath("in.dat")), raw);
        QCOMPARE(outFiles().size(), 1);
        QCOMPARE(readAll(dir.filePath(outFiles()[0])), decoded(raw));
        QTRY_VERIFY(sim.output().contains("received: report 0"));
        QVERIFY(sim.waitForClosed(1));
        QVERIFY(sim.output().contains("received: 1\n"));
    }

    void pacedGeneratedReport() {
        SimDevice sim({"--records", "100"});
        QVERIFY(sim.started());
        RealRig rig;
        DownloadData(rig.ctx, 0);
        QCOMPARE(rig.log.lines.value(4), QString("Download complete 1900 bytes"));
        const QByteArray text = readAll(dir.filePath(outFiles().value(0)));
        for (const char* kind : {"\tTX\t", "\tBT\t", "\tRX\t", "\tBV\t", "LOWBAT\t"})
            QVERIFY2(text.contains(kind), kind);
        QCOMPARE(text, decoded(readAll(dir.filePath("in.dat"))));
    }

    void clearConfirmedAndRefused() {
        SimDevice sim({"--fast", "--records", "20"});
        QVERIFY(sim.started());
        RealRig refused;
        refused.ask.answer = false;
        ClearData(refused.ctx, 0);
        QVERIFY(refused.log.lines.isEmpty());
        QTest::qWait(200);
        QVERIFY(!sim.output().contains("port opened"));

        RealRig rig;
        rig.ask.answer = true;
        ClearData(rig.ctx, 0);
        QCOMPARE(rig.log.lines, (QStringList{"Plug the PC into the ZELM device and",
                                             "press reset or cycle power on the ZELM",
                                             "Waiting for boot menu", "Clear complete"}));
        QVERIFY(!rig.comm.PortOpen());
        QTRY_VERIFY(sim.output().contains("received: forward pointer"));
        QVERIFY(sim.waitForClosed(1));

        // The device now holds nothing.
        RealRig after;
        DownloadData(after.ctx, 0);
        QVERIFY2(after.log.lines.contains("Download complete 0 bytes"),
                 qPrintable(after.log.lines.join('|')));
    }

    void portThatDoesNotExist() {
        qputenv("ZURORUVE_COM1", "/nonexistent/zelm");
        RealRig rig;
        DownloadData(rig.ctx, 0);
        QCOMPARE(rig.log.lines.size(), 1);
        QVERIFY2(rig.log.lines[0].startsWith(
                     "ERROR: /nonexistent/zelm not found. Serial devices present: "),
                 qPrintable(rig.log.lines[0]));
        QVERIFY(rig.log.lines[0].contains("ZURORUVE_COM<n>"));
        QVERIFY(!rig.comm.PortOpen());
    }

    void discardTakesWhatTheSystemHolds() {
        // The boot menu comes while nothing reads the line: it waits in the system's buffer,
        // not yet in Qt's, and a discard must still take it.
        SimDevice sim({"--menu-delay", "0"});
        QVERIFY(sim.started());
        RealRig rig;
        rig.comm.setCommPort(1);
        rig.comm.setPortOpen(true);
        QByteArray got; // no event runs between looks, so Qt itself reads nothing
        for (int tries = 0; !got.contains("1 - exit") && tries < 50; ++tries) {
            QThread::msleep(100);
            got += rig.comm.Input();
        }
        QVERIFY(got.contains("1 - exit"));
        QCOMPARE(WaitFor(rig.ctx, "1 - exit", 1), 1); // the menu is not seen a second time
        rig.comm.setPortOpen(false);
    }

    void openWhenAlreadyOpen() {
        // Setting RTS again on a pseudo-terminal fails; the line must not count as gone.
        SimDevice sim({"--menu-delay", "50"});
        QVERIFY(sim.started());
        RealRig rig;
        QCOMPARE(OpenPort(rig.ctx, 1), 0);
        QCOMPARE(OpenPort(rig.ctx, 1), 0);
        QCOMPARE(rig.log.lines, (QStringList{"Port Opened", "Port already open"}));
        QCOMPARE(WaitFor(rig.ctx, "1 - exit", 5), 0);
        rig.comm.setPortOpen(false);
    }

    void portHeldByAnotherProgram() {
        SimDevice sim({"--fast"});
        QVERIFY(sim.started());
        SerialComm holder;
        holder.setCommPort(1);
        holder.setPortOpen(true);
        RealRig rig;
        DownloadData(rig.ctx, 0);
        QCOMPARE(rig.log.lines.size(), 1);
        QVERIFY2(rig.log.lines[0].startsWith("ERROR: " + sim.path() +
                                             " is busy: another program holds it"),
                 qPrintable(rig.log.lines[0]));
        holder.setPortOpen(false);
    }

    void portWithoutPermission() {
        // A device file only root may open, tried as "nobody".
        const QString device = dir.filePath("ttyFAKE");
        QFile f(device);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        openToAll(dir.path());
        QString text;
        {
            ReadOnlyFolder asNobody(dir.filePath("unused"));
            text = DescribeOpenFailure(device, QSerialPort::PermissionError, "Permission denied");
        }
        if (::geteuid() != 0 && QFileInfo(device).isWritable())
            QSKIP("cannot take away the permission here");
        QVERIFY2(
            text.startsWith(device + ": permission denied. The device belongs to the group \""),
            qPrintable(text));
        QVERIFY(text.contains("sudo usermod -aG "));
        QVERIFY(text.contains("log out and in again"));
    }

    void deviceRule() {
        qunsetenv("ZURORUVE_COM3");
        QCOMPARE(DeviceForPort(3), QString("/dev/ttyUSB2"));
        qputenv("ZURORUVE_COM3", "/dev/ttyACM0");
        QCOMPARE(DeviceForPort(3), QString("/dev/ttyACM0"));
        QVERIFY(PortToolTips(3).value(2).startsWith("Opens /dev/ttyACM0"));
        QCOMPARE(PortToolTips(16).size(), 16);
        qunsetenv("ZURORUVE_COM3");
    }
};

QTEST_GUILESS_MAIN(TestDevice)
#include "test_device.moc"
