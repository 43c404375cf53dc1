#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

/// The whole file, or "(missing)" when it cannot be read.
inline QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}
