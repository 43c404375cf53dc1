// zelm-view's window and its settings file: the sensors' names, calibrations and limits, edited
// in the Sensors dialog, and the window's size and sensor list's width as it was closed with.
#include "settings/profile.h"
#include "view/window/plaintext.h"
#include "view/window/sensorsdialog.h"
#include "view/window/viewer.h"

#include <QCloseEvent>
#include <QScreen>
#include <QSplitter>

namespace view {
inline namespace window {

namespace {

const QString kLayoutSection = QStringLiteral("zelm-view");

// A size within what the screen leaves, with room for a title bar and a panel.
QSize fitted(QSize size, const QScreen* screen) {
    if (!screen)
        return size;
    const QSize room = screen->availableGeometry().size() - QSize(20, 60);
    return size.boundedTo(room).expandedTo(QSize(640, 400)).boundedTo(room);
}

} // namespace

void Viewer::resizeWithin(QSize size) {
    resize(fitted(size, screen()));
}

bool Viewer::setSettingsFile(const QString& path, QString& why) {
    settingsPath_ = path;
    const files::FileRead file = files::readRegularFile(path, files::kMaxSettingsBytes);
    why = file.why;
    settingsUnread_ =
        file.status == files::ReadStatus::Ok || file.status == files::ReadStatus::Missing
            ? QString()
            : why;
    document_.setSettings(file.status == files::ReadStatus::Ok ? parseSensorSettings(file.bytes)
                                                               : SensorSettings());
    if (!isVisible()) { // as it was closed, within this screen
        const QString size = settings::profileValue(file.bytes, kLayoutSection, "Size", {});
        const QString list = settings::profileValue(file.bytes, kLayoutSection, "SensorList", {});
        layoutRead_ = size + u'|' + list;
        const QStringList wh = size.split(u'x');
        if (wh.size() == 2 && wh[0].toInt() > 0 && wh[1].toInt() > 0)
            resize(fitted(QSize(wh[0].toInt(), wh[1].toInt()), screen()));
        if (list.toInt() > 0)
            split_->setSizes({list.toInt(), width() - list.toInt()});
    }
    if (!document_.report.readings.isEmpty())
        rebuild(true);
    return file.status == files::ReadStatus::Ok;
}

QStringList Viewer::settingsIgnored() const {
    return settingsRemarks(settingsPath_, settingsUnread_, document_.settings);
}

void Viewer::editSensors() {
    QStringList names;
    for (const int i : document_.byIdentifier())
        names.append(document_.report.sensors[i].name());
    SensorsDialog dialog(names, document_.settings, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const SensorEdits edits = dialog.edits();
    if (edits.isEmpty())
        return; // nothing changed, nothing written
    QString error;
    if (writeSensorEdits(settingsPath_, edits, error)) {
        document_.setSettings(readSensorSettings(settingsPath_)); // what the file now says
    } else {
        const files::FileRead file =
            files::readRegularFile(settingsPath_, files::kMaxSettingsBytes);
        document_.setSettings(parseSensorSettings(withSensorEdits(file.bytes, edits)));
        warnPlain(this, error + QStringLiteral(": the settings apply until viewer closes."));
    }
    rebuild(true);
}

void Viewer::closeEvent(QCloseEvent* event) {
    // The size and the sensor list's width, for the next start; written only when they changed.
    const QString size = QStringLiteral("%1x%2").arg(width()).arg(height());
    const QString list = QString::number(split_->sizes().value(0));
    if (!settingsPath_.isEmpty() && size + u'|' + list != layoutRead_ &&
        settings::writeProfileString(kLayoutSection, "Size", size, settingsPath_) &&
        settings::writeProfileString(kLayoutSection, "SensorList", list, settingsPath_))
        layoutRead_ = size + u'|' + list;
    QMainWindow::closeEvent(event);
}

} // namespace window
} // namespace view
