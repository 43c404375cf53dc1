// The two-point calibration of a sensor's value.
#include "view/window/twopointdialog.h"

#include "view/model/fields.h"
#include "view/model/sensorsettings.h"
#include "view/window/decimalinput.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace view {
inline namespace window {

TwoPointDialog::TwoPointDialog(const QString& sensor, const QString& name, QWidget* parent)
    : QDialog(parent), sensor_(sensor) {
    setWindowTitle(QStringLiteral("Two-point calibration of %1")
                       .arg(name.isEmpty() ? sensor : QStringLiteral("%1 (%2)").arg(name, sensor)));
    which_ = new QComboBox(this);
    which_->addItem(QStringLiteral("First value (offset, gain)"));
    Kind kind;
    if (kindOfName(sensor, kind) && view::applies(kind, Offset2))
        which_->addItem(QStringLiteral("Second value (offset 2, gain 2)"));
    kindOfName(sensor, kind_);
    result_ = new QLabel(this);
    result_->setTextFormat(Qt::PlainText);
    box_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Value:"), which_);
    for (int i = 0; i < 4; ++i) {
        edits_[i] = new QLineEdit(this);
        edits_[i]->setValidator(new DecimalInput(edits_[i]));
        labels_[i] = new QLabel(this);
        labels_[i]->setBuddy(edits_[i]);
        form->addRow(labels_[i], edits_[i]);
        connect(edits_[i], &QLineEdit::textChanged, this, &TwoPointDialog::update);
    }
    showUnits();
    connect(which_, &QComboBox::currentIndexChanged, this, &TwoPointDialog::showUnits);
    form->addRow(result_);
    form->addRow(box_);
    connect(box_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    update();
}

bool TwoPointDialog::second() const {
    return which_->currentIndex() == 1;
}

// The labels name the unit of the value chosen.
void TwoPointDialog::showUnits() {
    const char* const texts[] = {"Reading 1 (as decoded%1):", "True value 1 (reference%1):",
                                 "Reading 2 (as decoded%1):", "True value 2 (reference%1):"};
    const QString unit = measureUnit(measureOf(kind_, second()));
    for (int i = 0; i < 4; ++i)
        labels_[i]->setText(
            QString::fromUtf8(texts[i]).arg(unit.isEmpty() ? QString() : ", " + unit));
}

void TwoPointDialog::update() {
    double v[4];
    bool ok = true;
    for (int i = 0; i < 4; ++i)
        ok = !checkField(sensor_, Offset, edits_[i]->text(), v[i]) && ok;
    ok = ok && twoPointCalibration(v[0], v[1], v[2], v[3], gain_, offset_);
    result_->setText(
        ok ? QStringLiteral("Gain %1, offset %2").arg(fieldText(gain_), fieldText(offset_))
           : QStringLiteral("Two different readings and two different true "
                            "values."));
    box_->button(QDialogButtonBox::Ok)->setEnabled(ok);
}

} // namespace window
} // namespace view
