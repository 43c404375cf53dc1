#include "link/ports.h"

#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>

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

PortDevices portDevicesFrom(const QProcessEnvironment& environment) {
    PortDevices devices;
#ifndef Q_OS_WIN
    for (int port = 1; port <= 255; ++port) {
        const QString chosen = environment.value(QStringLiteral("ZURORUVE_COM%1").arg(port));
        if (!chosen.isEmpty())
            devices.insert(port, chosen);
    }
#else
    Q_UNUSED(environment)
#endif
    return devices;
}

QString deviceForPort(int port, const PortDevices& devices) {
#ifdef Q_OS_WIN
    Q_UNUSED(devices)
    return QStringLiteral("COM%1").arg(port);
#else
    const QString chosen = devices.value(port);
    if (!chosen.isEmpty())
        return chosen;
    return QStringLiteral("/dev/ttyUSB%1").arg(port - 1);
#endif
}

QStringList portToolTips(int count, const PortDevices& devices) {
    const QList<QSerialPortInfo> present = QSerialPortInfo::availablePorts();
    QStringList tips;
    for (int port = 1; port <= count; ++port) {
        const QString device = deviceForPort(port, devices);
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

QString describeOpenFailure(const QString& device, QSerialPort::SerialPortError error,
                            const QString& systemText, bool byPortNumber) {
    switch (error) {
    case QSerialPort::DeviceNotFoundError: {
#ifdef Q_OS_WIN
        Q_UNUSED(byPortNumber)
        const bool pointable = false; // port n is COMn there, nothing else
#else
        const bool pointable = byPortNumber;
#endif
        return QStringLiteral("%1 not found. Serial devices present: %2.%3")
            .arg(device, systemPorts(),
                 pointable ? QStringLiteral(" To use another device as this port, set "
                                            "ZURORUVE_COM<n> to its path.")
                           : QString());
    }
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

} // namespace devicelink
