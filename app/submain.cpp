#include "app/submain.h"

#include "app/form1.h"
#include "settings/folder.h"
#include "settings/ini.h"
#include "settings/tonumber.h"

#include <QComboBox>
#include <QDir>
#include <QPushButton>
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

} // namespace

void SubMain(Form1& form, const settings::ProgramFolder& folder) {
    core::StatusLog& log = form.log();
    try {
        settings::MakeUserFolders(folder, log);
        log.LogLine("");
        log.LogLine("Select port number and click Download to begin");
        if (folder.forUser)
            log.LogLine("Files are kept in " + QDir::toNativeSeparators(folder.path));
        log.SetStatus("");
        form.List1->clear();
        for (int n = 1; n <= kPorts; ++n)
            form.List1->addItem(QString::number(n));
        const QString remembered =
            settings::ReadIni(folder, settings::kSection, settings::kPortKey, QString(), log);
        std::int32_t position = 0;
        if (!remembered.isEmpty())
            position = checkedInt32(std::int64_t(settings::ToNumber(remembered)) - 1);
        form.setListIndex(checkedInt16(position));
    } catch (const std::exception& e) {
        log.LogLine("ERROR: SubMain: " + QString::fromLocal8Bit(e.what()), core::Severity::Error);
    }
    form.show();
    form.cmdDownload->setFocus();
}

} // namespace app
