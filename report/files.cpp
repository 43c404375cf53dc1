#include "report/files.h"

#include "settings/savefile.h"

namespace report {

QString writeWhole(const QString& path, const QByteArray& bytes, QString& step) {
    settings::WholeFile file(path);
    QString why;
    step = QStringLiteral("create");
    if (!settings::openToReplace(file, why))
        return why;
    step = QStringLiteral("write");
    if (file.write(bytes) != bytes.size()) {
        why = settings::errorText(file);
        file.cancelWriting();
        return why;
    }
    return settings::commitWhole(file, why) ? QString() : why;
}

} // namespace report
