#pragma once
// The Sensors dialog's two-point helper: two readings of a reference and their true values
// become the gain and offset of one of a sensor's values.

#include "view/model/kinds.h"

#include <QDialog>

class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;

namespace view {
inline namespace window {

class TwoPointDialog : public QDialog {
    Q_OBJECT
public:
    /// sensor: as read ("BT 00:1A:2B:3C:4D:5E"); name: the one the user gave it, or empty.
    TwoPointDialog(const QString& sensor, const QString& name, QWidget* parent);
    /// Whether the second value (offset 2, gain 2) was chosen.
    bool second() const;
    double gain() const { return gain_; }
    double offset() const { return offset_; }

private:
    void showUnits();
    void update();

    QString sensor_;
    Kind kind_ = TX;
    QComboBox* which_;
    QLineEdit* edits_[4];
    QLabel* labels_[4];
    QLabel* result_;
    QDialogButtonBox* box_;
    double gain_ = 1, offset_ = 0;
};

} // namespace window
} // namespace view
