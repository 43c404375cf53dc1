#pragma once
// The Sensors dialog: a table of the sensors with their names, calibrations and limits, a row of
// limits shared by all, and a helper that turns two reference readings into gain and offset.

#include "view/model/sensoredits.h"
#include "view/model/sensorsettings.h"

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace view {
inline namespace window {

class SensorsDialog : public QDialog {
    Q_OBJECT
public:
    /// sensors: the names of the sensors read ("TX 00042"); settings: as the file holds them.
    /// Sensors of the file that were not read are listed too, so nothing is lost.
    SensorsDialog(const QStringList& sensors, const SensorSettings& settings,
                  QWidget* parent = nullptr);
    /// The cells changed since the dialog opened, for writeSensorEdits: OK writes only what the
    /// user changed. Only meaningful while problems() is empty.
    SensorEdits edits() const;
    /// What keeps OK from storing the table, a line per problem of a changed cell or of a pair
    /// with one: "TX 00042, Gain: why". A line of the file that cannot be used is marked, but
    /// keeps OK from nothing while its cell is unchanged: it stays in the file as it is.
    QStringList problems() const;
    QTableWidget* table() const { return table_; }

    /// The table's columns: the sensor, its name, then a column per field but the activation
    /// energy, which has a line of its own.
    static constexpr int kSensorColumn = 0, kNameColumn = 1, kFirstField = 2;
    static constexpr int kColumns = kFirstField + ActivationEnergy;
    static int columnOf(Field f) { return kFirstField + f; }

protected:
    /// The table's keys: Delete and Backspace clear the cells chosen; Return in a cell that is
    /// not being edited edits it rather than pressing OK.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Mark {
        int row;      // -1: the activation energy
        int column;   // -1: the activation energy
        QString what; // the column's heading
        QString why;
        bool blocking; // of a changed cell, or of a pair with one
    };
    QList<Mark> findProblems() const;
    bool changed(int row, int column) const;
    bool editable(int row, int column) const;
    QString rowName(int row) const;
    void check();
    void twoPoint();
    // The constructor's steps.
    static QStringList listedSensors(const QStringList& sensors, const SensorSettings& settings);
    void setUpTable();
    void setFixed(int row, int column, const QString& text, const QString& tip);
    void fillRow(int row, const QString& sensor, const SectionSettings* s);
    void fillTable(int read, const SensorSettings& settings);
    void fitColumns();
    QLabel* unusedNote(const SensorSettings& settings);
    void layOut(QLabel* note, QLabel* unused, QPushButton* twoPointButton);
    void connectAll();
    void fitToTable(QWidget* parent);

    QStringList rows_;          // per table row after the first: the sensor's name
    QList<QStringList> opened_; // per row, per column: the text it opened with
    QString openedActivation_;
    QTableWidget* table_;
    QLineEdit* activation_;
    QLabel* problem_;
    QDialogButtonBox* buttons_;
};

} // namespace window
} // namespace view
