#include "settings/savefile.h"

#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstring>

namespace settings {

QString errorText(const QIODevice& device) {
    const int systemError = errno;
    const QString text = device.errorString();
    if ((text.isEmpty() || text == QLatin1String("Unknown error")) && systemError != 0)
        return QString::fromLocal8Bit(std::strerror(systemError));
    return text;
}

bool openToReplace(QSaveFile& file, QString& why) {
    const QFileInfo info(file.fileName()); // follows links, as the save does
    if (info.exists() && !info.isFile()) {
        why = QStringLiteral("not a regular file");
        return false;
    }
    if (file.open(QIODevice::WriteOnly))
        return true;
    why = errorText(file);
    return false;
}

bool commitWhole(QSaveFile& file, QString& why) {
    errno = 0;
    if (file.error() != QFileDevice::NoError || !file.flush()) {
        why = errorText(file);
        file.cancelWriting(); // the temporary file goes with the object
        return false;
    }
    if (file.commit())
        return true;
    why = errorText(file);
    return false;
}

} // namespace settings
