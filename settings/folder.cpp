#include "settings/folder.h"

#include "core/host.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <filesystem>
#include <system_error>

namespace settings {

namespace {
QString& folderOverride() {
    static QString folder;
    return folder;
}
bool& forUser() {
    static bool kept = false;
    return kept;
}
} // namespace

bool isInstalledCopy(const QString& programDir) {
    // Root may write into /usr/bin, so writability alone cannot tell an installed copy.
    const QString marker = programDir + "/../share/metainfo/" + kAppId + ".metainfo.xml";
    return QFileInfo::exists(marker) || !QFileInfo(programDir).isWritable();
}

bool chooseProgramFolder() {
    forUser() = isInstalledCopy(QCoreApplication::applicationDirPath());
    if (forUser())
        setProgramFolder(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    return forUser();
}

bool keptForUser() {
    return forUser();
}

QString programFolder() {
    if (!folderOverride().isEmpty())
        return folderOverride();
    return QCoreApplication::applicationDirPath();
}

void setProgramFolder(const QString& folder) {
    folderOverride() = folder;
}

QString inProgramFolder(const QString& name) {
    return programFolder() + u'/' + name;
}

void MakeUserFolders(core::StatusLog& log) {
    const std::filesystem::path path(inProgramFolder(kDataFolder).toStdU16String());
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
        log.LogLine("ERROR: MakeUserFolders: " + QString::fromStdString(lastError.message()) +
                    " (" + QDir::toNativeSeparators(QString::fromStdU16String(path.u16string())) +
                    ")");
}

} // namespace settings
