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
bool& keptForUser() {
    static bool forUser = false;
    return forUser;
}
} // namespace

bool IsInstalledCopy(const QString& programDir) {
    // Root may write into /usr/bin, so writability alone cannot tell an installed copy.
    const QString marker = programDir + "/../share/metainfo/" + kAppId + ".metainfo.xml";
    return QFileInfo::exists(marker) || !QFileInfo(programDir).isWritable();
}

bool ChooseProgramFolder() {
    keptForUser() = IsInstalledCopy(QCoreApplication::applicationDirPath());
    if (keptForUser())
        SetProgramFolder(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    return keptForUser();
}

bool KeptForUser() {
    return keptForUser();
}

QString ProgramFolder() {
    if (!folderOverride().isEmpty())
        return folderOverride();
    return QCoreApplication::applicationDirPath();
}

void SetProgramFolder(const QString& folder) {
    folderOverride() = folder;
}

QString InProgramFolder(const QString& name) {
    return ProgramFolder() + u'/' + name;
}

void MakeUserFolders(core::StatusLog& log) {
    const std::filesystem::path path(InProgramFolder(kDataFolder).toStdU16String());
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
