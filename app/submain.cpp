#include "app/submain.h"

#include "app/form1.h"
#include "link/ports.h"
#include "settings/folder.h"
#include "settings/ini.h"
#include "settings/tonumber.h"

#include <QComboBox>
#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <cstdint>
#include <limits>
#include <stdexcept>

namespace app {

namespace {

constexpr int kPorts = 16;

std::int32_t checkedInt32(std::int64_t value) {
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        throw std::overflow_error("Overflow");
    return static_cast<std::int32_t>(value);
}

std::int16_t checkedInt16(std::int32_t value) {
    if (value < std::numeric_limits<std::int16_t>::min() ||
        value > std::numeric_limits<std::int16_t>::max())
        throw std::overflow_error("Overflow");
    return static_cast<std::int16_t>(value);
}

// What a user whose adapter has a number beyond the list can do, after the error's words.
QString beyondTheList(int port, const devicelink::PortDevices& devices) {
    const QString device = devicelink::deviceForPort(port, devices);
#ifdef Q_OS_WIN
    return QStringLiteral(
               ". For %1, give the adapter a number from 1 to %2 in Device Manager (Ports, "
               "the adapter's Properties, Port Settings, Advanced, COM Port Number), or "
               "read it out with zelm-download --device %1")
        .arg(device)
        .arg(kPorts);
#else
    return QStringLiteral(". For %1, name it for a port from 1 to %2 (ZURORUVE_COM1=%1), or read "
                          "it out with zelm-download --device %1")
        .arg(device)
        .arg(kPorts);
#endif
}

} // namespace

void SubMain(Form1& form, const settings::ProgramFolder& folder) {
    core::StatusLog& log = form.log();
    std::int32_t position = 0;
    try {
        settings::MakeUserFolders(folder, log);
        log.LogLine("");
        log.LogLine("Select port number and click Download to begin");
        if (folder.forUser) {
            const QString kept = "Files are kept in " + QDir::toNativeSeparators(folder.path);
            log.LogLine(kept);
            // The log does not wrap: the whole line stays at hand, also once a download has
            // emptied the log. A path is text, escaped where Qt would take it for markup.
            form.Text1->setToolTip(Qt::mightBeRichText(kept) ? Qt::convertFromPlainText(kept)
                                                             : kept);
        }
        log.SetStatus("");
        form.List1->clear();
        for (int n = 1; n <= kPorts; ++n)
            form.List1->addItem(QString::number(n));
        const QString remembered =
            settings::ReadIni(folder, settings::kSection, settings::kPortKey, QString(), log);
        if (!remembered.isEmpty())
            position = checkedInt32(std::int64_t(settings::ToNumber(remembered)) - 1);
        form.setListIndex(checkedInt16(position));
    } catch (const std::exception& e) {
        QString line = "ERROR: SubMain: " + QString::fromLocal8Bit(e.what());
        if (position >= kPorts && position <= std::numeric_limits<std::int16_t>::max())
            // a port of the settings file beyond the list
            line += beyondTheList(position + 1, form.portDevices());
        log.LogLine(line, core::Severity::Error);
    }
    form.show();
    form.cmdDownload->setFocus();
}

} // namespace app
