#include "app/dialogues.h"

#include "settings/ini.h"
#include "settings/profile.h"

namespace app {

namespace {

// The port of the list's selected position, stored for the next start.
std::int32_t storePort(readout::Session& session, int listIndex) {
    const std::int32_t port = std::int16_t(listIndex + 1);
    settings::WriteIni(session.folder, settings::kSection, settings::kPortKey,
                       QString::number(port), session.ctx.log);
    return port;
}

// How the window's log tells a read-out: by the steps' own lines, failures named by procedure.
readout::Request windowRequest(std::int32_t port, const char* procedure) {
    readout::Request request;
    request.port = port;
    request.closingLines = false;
    request.procedure = procedure;
    return request;
}

} // namespace

report::EditorChoice editorChoice(const QString& variable, const settings::ProgramFolder& folder) {
    const QString settingsFile = folder.file(settings::kIniFile);
    return [variable, settingsFile] {
        if (!variable.isEmpty())
            return variable;
        return report::viewerProgram(settings::getProfileString(settings::kSection,
                                                                report::kViewerKey, QString(),
                                                                settingsFile)
                                         .trimmed());
    };
}

readout::Result DownloadData(readout::Session& session, int listIndex,
                             const QString& editorVariable) {
    readout::Request request = windowRequest(storePort(session, listIndex), "DownloadData");
    request.openWith = editorChoice(editorVariable, session.folder);
    return readout::readOut(session, request);
}

readout::Result ClearData(readout::Session& session, int listIndex) {
    if (!session.ctx.ask.confirm(kClearQuestion))
        return {};
    readout::Request request = windowRequest(storePort(session, listIndex), "ClearData");
    request.clear = true; // kept first: what the logger holds is on the disk before it goes
    return readout::readOut(session, request);
}

} // namespace app
