#include "settings/folder.h"

#include "app/host.h"

#include <QCoreApplication>
#include <QFile>
#include <filesystem>
#include <system_error>

namespace settings {

namespace {
QString& folderOverride() {
    static QString folder;
    return folder;
}
} // namespace

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

void MakeUserFolders(app::StatusLog& log) {
    const std::filesystem::path path(QFile::encodeName(InProgramFolder("DATA")).toStdString());
    std::error_code lastError;
    std::error_code ec;
    // A plain file of that name counts as present, as a folder does.
    const auto status = std::filesystem::symlink_status(path, ec);
    const bool present = std::filesystem::exists(status);
    if (ec && status.type() != std::filesystem::file_type::not_found)
        lastError = ec;
    if (!present) {
        std::filesystem::create_directory(path, ec);
        if (ec)
            lastError = ec;
    }
    if (lastError)
        log.LogLine("ERROR: MakeUserFolders: " + QString::fromStdString(lastError.message()) +
                    " (" + QFile::decodeName(path.c_str()) + ")");
}

} // namespace settings
