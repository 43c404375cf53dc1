#include "settings/ini.h"

#include "core/host.h"
#include "settings/folder.h"
#include "settings/profile.h"

#include <exception>

namespace settings {

void WriteIni(const ProgramFolder& folder, const QString& section, const QString& key,
              const QString& value, core::StatusLog& log) {
    try {
        // A refused write is not reported, as with the Windows profile functions.
        writeProfileString(section, key, value, folder.file(kIniFile));
    } catch (const std::exception& e) {
        log.failed("WriteIni", QString::fromLocal8Bit(e.what()));
    }
}

QString ReadIni(const ProgramFolder& folder, const QString& section, const QString& key,
                const QString& fallback, core::StatusLog& log) {
    try {
        return getProfileString(section, key, fallback, folder.file(kIniFile));
    } catch (const std::exception& e) {
        log.failed("ReadIni", QString::fromLocal8Bit(e.what()));
        return {};
    }
}

} // namespace settings
