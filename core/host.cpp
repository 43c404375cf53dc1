#include "core/host.h"

#include <cstring>

namespace core {

namespace {

// What each procedure that tells its own failure was doing, for a log that names no procedures.
const char* doing(const char* procedure) {
    static const char* const words[][2] = {
        {"WaitFor", "waiting for the logger"},         {"SendText", "sending to the logger"},
        {"Capture", "receiving the report"},           {"ProcessData", "keeping the report"},
        {"MakeUserFolders", "making the data folder"}, {"ReadIni", "reading the settings"},
        {"WriteIni", "writing the settings"},          {"DownloadData", "reading out the logger"},
        {"ClearData", "clearing the logger"},
    };
    for (const auto& [name, what] : words)
        if (std::strcmp(name, procedure) == 0)
            return what;
    return procedure;
}

} // namespace

const char* journalPrefix(Severity severity) {
    switch (severity) {
    case Severity::Error:
        return kJournalErr;
    case Severity::Warning:
        return kJournalWarning;
    case Severity::Notice:
        return kJournalNotice;
    case Severity::Info:
        return kJournalInfo;
    }
    return kJournalInfo;
}

void StatusLog::failed(const char* procedure, const QString& description) {
    const char* said = wording() == Wording::Procedures ? procedure : doing(procedure);
    LogLine(QStringLiteral("ERROR: %1: %2").arg(QLatin1String(said), description), Severity::Error);
}

} // namespace core
