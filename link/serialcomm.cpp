#include "link/serialcomm.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSerialPortInfo>
#include <QStringList>
#include <limits>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace devicelink {

namespace {

QString systemPorts() {
    QStringList names;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        names << info.systemLocation();
    return names.isEmpty() ? QStringLiteral("none") : names.join(", ");
}

#ifndef Q_OS_WIN
QString groupOf(const QString& device) {
    struct stat st {};
    if (::stat(QFile::encodeName(device).constData(), &st) != 0)
        return {};
    const group* g = ::getgrgid(st.st_gid);
    return g ? QString::fromLocal8Bit(g->gr_name) : QString::number(st.st_gid);
}
#endif

} // namespace

QString DeviceForPort(int port) {
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(port);
#else
    const QString chosen =
        qEnvironmentVariable(qPrintable(QStringLiteral("ZURORUVE_COM%1").arg(port)));
    if (!chosen.isEmpty())
        return chosen;
    return QStringLiteral("/dev/ttyUSB%1").arg(port - 1);
#endif
}

QStringList PortToolTips(int count) {
    const QList<QSerialPortInfo> present = QSerialPortInfo::availablePorts();
    QStringList tips;
    for (int port = 1; port <= count; ++port) {
        const QString device = DeviceForPort(port);
        QString tip = QStringLiteral("Opens %1").arg(device);
        const QString target = QFileInfo(device).canonicalFilePath();
        for (const QSerialPortInfo& info : present) {
            if (info.systemLocation() == device || info.systemLocation() == target ||
                info.portName() == device) {
                if (!info.description().isEmpty())
                    tip += QStringLiteral(" (%1)").arg(info.description());
                break;
            }
        }
        tips << tip;
    }
    return tips;
}

QString DescribeOpenFailure(const QString& device, QSerialPort::SerialPortError error,
                            const QString& systemText) {
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("%1 not found. Serial devices present: %2. To use another device "
                              "as this port, set ZURORUVE_COM<n> to its path.")
            .arg(device, systemPorts());
    case QSerialPort::PermissionError: {
#ifndef Q_OS_WIN
        // Qt reports a port held by another program as a permission error too.
        if (::faccessat(AT_FDCWD, QFile::encodeName(device).constData(), R_OK | W_OK, AT_EACCESS) ==
            0)
            return QStringLiteral("%1 is busy: another program holds it (%2).")
                .arg(device, systemText);
        const QString group = groupOf(device);
        return QStringLiteral("%1: permission denied. The device belongs to the group \"%2\": "
                              "run \"sudo usermod -aG %2 $USER\", then log out and in again.")
            .arg(device, group.isEmpty() ? QStringLiteral("dialout") : group);
#else
        return QStringLiteral("%1 is busy or access is denied (%2).").arg(device, systemText);
#endif
    }
    default:
        return QStringLiteral("%1 cannot be opened: %2").arg(device, systemText);
    }
}

SerialComm::SerialComm() {
    QObject::connect(&port_, &QSerialPort::errorOccurred, [this](QSerialPort::SerialPortError e) {
        // An unplugged adapter shows as a stream of read errors; any error but a timed-out
        // wait means the line is gone, and is told once by the wait that notices it.
        if (!opening_ && port_.isOpen() && e != QSerialPort::NoError &&
            e != QSerialPort::TimeoutError)
            lineGone_ = true;
    });
}

SerialComm::~SerialComm() = default;

void SerialComm::setCommPort(int port) {
    if (port < 1 || port > 255)
        throw CommError(
            QStringLiteral("Invalid port number %1: choose a port from the list").arg(port));
    if (port_.isOpen() && port != commPort_)
        throw CommError(QStringLiteral("Port is already open"));
    commPort_ = port;
}

void SerialComm::setSettings(const QString& settings) {
    const QStringList parts = settings.split(',');
    bool ok = parts.size() == 4;
    const int baud = ok ? parts[0].trimmed().toInt(&ok) : 0;
    const QString parity = ok ? parts[1].trimmed().toUpper() : QString();
    const QString data = ok ? parts[2].trimmed() : QString();
    const QString stop = ok ? parts[3].trimmed() : QString();
    const QMap<QString, QSerialPort::Parity> parities{{"N", QSerialPort::NoParity},
                                                      {"E", QSerialPort::EvenParity},
                                                      {"O", QSerialPort::OddParity},
                                                      {"M", QSerialPort::MarkParity},
                                                      {"S", QSerialPort::SpaceParity}};
    const QMap<QString, QSerialPort::DataBits> dataBits{{"5", QSerialPort::Data5},
                                                        {"6", QSerialPort::Data6},
                                                        {"7", QSerialPort::Data7},
                                                        {"8", QSerialPort::Data8}};
    const QMap<QString, QSerialPort::StopBits> stopBits{{"1", QSerialPort::OneStop},
                                                        {"1.5", QSerialPort::OneAndHalfStop},
                                                        {"2", QSerialPort::TwoStop}};
    if (!ok || baud <= 0 || !parities.contains(parity) || !dataBits.contains(data) ||
        !stopBits.contains(stop))
        throw CommError(
            QStringLiteral("Invalid property value: line settings \"%1\"").arg(settings));
    baud_ = baud;
    parity_ = parities[parity];
    dataBits_ = dataBits[data];
    stopBits_ = stopBits[stop];
    if (port_.isOpen())
        applyLineSettings();
}

void SerialComm::setRTSEnable(bool on) {
    rts_ = on;
    if (port_.isOpen())
        applyRts();
}

void SerialComm::applyRts() {
    // A line without modem-control lines (a pseudo-terminal) refuses RTS: no reason to fail,
    // nor a sign that the line is gone.
    opening_ = true;
    port_.setRequestToSend(rts_);
    port_.clearError();
    opening_ = false;
}

void SerialComm::setHandshaking(int mode) {
    if (mode != 0)
        throw CommError(QStringLiteral("Invalid property value: handshaking %1").arg(mode));
    port_.setFlowControl(QSerialPort::NoFlowControl);
}

void SerialComm::setInputMode(int mode) {
    // Text mode hands the bytes over one for one, which is all this control does.
    if (mode != 0)
        throw CommError(QStringLiteral("Invalid property value: input mode %1").arg(mode));
}

void SerialComm::applyLineSettings() {
    port_.setBaudRate(baud_);
    port_.setParity(parity_);
    port_.setDataBits(dataBits_);
    port_.setStopBits(stopBits_);
}

void SerialComm::setPortOpen(bool open) {
    if (!open) {
        if (port_.isOpen())
            port_.close();
        // The next open starts afresh, not with the errors of a line that went away.
        port_.clearError();
        lineGone_ = false;
        return;
    }
    if (port_.isOpen())
        return;
    const QString device = DeviceForPort(commPort_);
    device_ = device;
    port_.setPortName(device);
    applyLineSettings();
    port_.setFlowControl(QSerialPort::NoFlowControl);
    lineGone_ = false;
    opening_ = true;
    if (!port_.open(QIODevice::ReadWrite)) {
        opening_ = false;
        const QString text = DescribeOpenFailure(device, port_.error(), port_.errorString());
        port_.clearError();
        throw CommError(text);
    }
    opening_ = false;
    applyRts(); // QSerialPort only takes RTS once the port is open
}

void SerialComm::checkLine() {
    const auto e = port_.error();
    if (lineGone_ || (e != QSerialPort::NoError && e != QSerialPort::TimeoutError)) {
        lineGone_ = true;
        throw CommError(QStringLiteral("the device was disconnected (%1)").arg(device_));
    }
}

int SerialComm::InBufferCount() {
    if (!port_.isOpen())
        throw CommError(QStringLiteral("Operation valid only when the port is open"));
    checkLine();
    return int(std::min<qint64>(port_.bytesAvailable(), std::numeric_limits<int>::max()));
}

QByteArray SerialComm::Input() {
    if (!port_.isOpen())
        throw CommError(QStringLiteral("Operation valid only when the port is open"));
    checkLine();
    // Take what the system holds for the port as well as what Qt has read already, so that a
    // discard really empties the line (a boot menu sent before it must not be matched later).
    for (int i = 0; i < 64 && port_.waitForReadyRead(0); ++i) {
    }
    if (port_.error() == QSerialPort::TimeoutError)
        port_.clearError();
    checkLine();
    return port_.readAll();
}

void SerialComm::setOutput(const QByteArray& bytes) {
    if (!port_.isOpen())
        throw CommError(QStringLiteral("Operation valid only when the port is open"));
    checkLine();
    if (port_.write(bytes) != bytes.size())
        throw CommError(QStringLiteral("cannot write to %1: %2").arg(device_, port_.errorString()));
    port_.flush();
}

} // namespace devicelink
