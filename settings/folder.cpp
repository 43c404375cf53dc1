#include "settings/folder.h"

#include "core/host.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <filesystem>
#include <system_error>

namespace settings {

bool isInstalledCopy(const QString& programDir) {
    // Root may write into /usr/bin, so writability alone cannot tell an installed copy.
    const QString marker = programDir + "/../share/metainfo/" + kAppId + ".metainfo.xml";
    return QFileInfo::exists(marker) || !QFileInfo(programDir).isWritable();
}

QString perUserFolder() {
#ifdef Q_OS_WIN
    // The roaming folder, as the profile of the user who logs in elsewhere carries it along.
    const QString roaming = qEnvironmentVariable("APPDATA");
    if (!roaming.isEmpty())
        return QDir::fromNativeSeparators(roaming) + u'/' + kAppName;
#endif
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u'/' + kAppName;
}

ProgramFolder programFolderFor(const QString& programDir) {
    if (isInstalledCopy(programDir))
        return {perUserFolder(), true};
    return {programDir, false};
}

ProgramFolder chooseProgramFolder() {
    return programFolderFor(QCoreApplication::applicationDirPath());
}

void MakeUserFolders(const ProgramFolder& folder, core::StatusLog& log) {
    const std::filesystem::path path(folder.file(kDataFolder).toStdU16String());
    std::error_code lastError;
    std::error_code ec;
    // A plain file of that name counts as present, as a folder does.
    const auto status = std::filesystem::symlink_status(path, ec);
    const bool present = std::filesystem::exists(status);
    if (ec && status.type() != std::filesystem::file_type::not_found)
        lastError = ec;
    if (!present) {
        // The per-user folder of an installed copy may not exist yet.
        std::filesystem::create_directories(path, ec);
        if (ec)
            lastError = ec;
    }
    if (lastError)
        log.failed("MakeUserFolders",
                   QString::fromStdString(lastError.message()) + " (" +
                       QDir::toNativeSeparators(QString::fromStdU16String(path.u16string())) + ")");
}

} // namespace settings
