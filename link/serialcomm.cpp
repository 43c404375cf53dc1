#include "link/serialcomm.h"

#include "link/ports.h"

#include <QMap>
#include <QStringList>
#include <limits>

namespace devicelink {

SerialComm::SerialComm(QString device, PortDevices devices)
    : chosen_(std::move(device)), devices_(std::move(devices)) {
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
    const QString device = chosen_.isEmpty() ? deviceForPort(commPort_, devices_) : chosen_;
    device_ = device;
    port_.setPortName(device);
    applyLineSettings();
    port_.setFlowControl(QSerialPort::NoFlowControl);
    lineGone_ = false;
    opening_ = true;
    if (!port_.open(QIODevice::ReadWrite)) {
        opening_ = false;
        const QString text =
            describeOpenFailure(device, port_.error(), port_.errorString(), chosen_.isEmpty());
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

void SerialComm::checkOpenLine() {
    if (!port_.isOpen())
        throw CommError(QStringLiteral("Operation valid only when the port is open"));
    checkLine();
}

int SerialComm::InBufferCount() {
    checkOpenLine();
    return int(std::min<qint64>(port_.bytesAvailable(), std::numeric_limits<int>::max()));
}

QByteArray SerialComm::Input() {
    checkOpenLine();
    // Take what the system holds for the port as well as what Qt has read already, so that a
    // discard really empties the line (a boot menu sent before it must not be matched later).
    for (int i = 0; i < 64 && port_.waitForReadyRead(0); ++i) {
    }
    if (port_.error() == QSerialPort::TimeoutError)
        port_.clearError();
    checkLine();
    return port_.readAll();
}

QString SerialComm::deviceName() const {
    return chosen_.isEmpty() ? deviceForPort(commPort_, devices_) : chosen_;
}

void SerialComm::setOutput(const QByteArray& bytes) {
    checkOpenLine();
    if (port_.write(bytes) != bytes.size())
        throw CommError(QStringLiteral("cannot write to %1: %2").arg(device_, port_.errorString()));
    port_.flush();
}

} // namespace devicelink
