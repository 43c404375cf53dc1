#pragma once
// The one setting the program keeps between runs: section "ZuroRuve", key "Port" of
// "ZURORUVE.INI" beside the program.

#include <QString>

namespace core {
class StatusLog;
}

namespace settings {

struct ProgramFolder;

inline const QString kIniFile = QStringLiteral("ZURORUVE.INI");
inline const QString kSection = QStringLiteral("ZuroRuve");
inline const QString kPortKey = QStringLiteral("Port");

/// `WriteIni`: stores value under key in section of the settings file in folder. A write the system
/// refuses (read-only file or folder) passes without a word.
void WriteIni(const ProgramFolder& folder, const QString& section, const QString& key,
              const QString& value, core::StatusLog& log);

/// `ReadIni`: the stored value of key in section, or fallback when the file, section or key is
/// missing. A settings file that cannot be read as one (a FIFO, a device, a huge file) is an error.
QString ReadIni(const ProgramFolder& folder, const QString& section, const QString& key,
                const QString& fallback, core::StatusLog& log);

} // namespace settings
