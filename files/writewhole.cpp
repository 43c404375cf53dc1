#include "files/writewhole.h"

#include "files/savefile.h"

namespace files {

QString writeWhole(const QString& path, const QByteArray& bytes, QString& step) {
    WholeFile file(path);
    QString why;
    step = QStringLiteral("create");
    if (!openToReplace(file, why))
        return why;
    step = QStringLiteral("write");
    if (file.write(bytes) != bytes.size()) {
        why = errorText(file);
        file.cancelWriting();
        return why;
    }
    return commitWhole(file, why) ? QString() : why;
}

} // namespace files
