#pragma once
// The Sensors dialog: a table of the sensors with their names, calibrations and limits, a row of
// limits shared by all, and a helper that turns two reference readings into gain and offset.

#include "view/sensorsettings.h"

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QTableWidget;

namespace view {

class SensorsDialog : public QDialog {
    Q_OBJECT
public:
    /// sensors: the names of the sensors read ("TX 00042"); settings: as the file holds them.
    /// Sensors of the file that were not read are listed too, so nothing is lost.
    SensorsDialog(const QStringList& sensors, const SensorSettings& settings,
                  QWidget* parent = nullptr);
    /// What the table holds; only meaningful while problems() is empty.
    SensorSettings settings() const;
    /// What keeps OK from storing the table, a line per cell: "TX 00042, Gain: why".
    QStringList problems() const;
    QTableWidget* table() const { return table_; }

private:
    void check();
    void twoPoint();

    QStringList rows_; // per table row after the first: the sensor's name
    SensorSettings original_;
    QTableWidget* table_;
    QLineEdit* activation_;
    QLabel* problem_;
    QDialogButtonBox* buttons_;
};

} // namespace view
