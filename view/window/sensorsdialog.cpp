// The Sensors dialog: editing the sensor settings.
#include "view/window/sensorsdialog.h"

#include "settings/profile.h"
#include "view/model/statistics.h"
#include "view/model/words.h"
#include "view/window/decimalinput.h"
#include "view/window/plaintext.h"
#include "view/window/twopointdialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

namespace view {
inline namespace window {

namespace {

const QColor kWrong(255, 205, 205);
const QString kChooseRow = QStringLiteral("Choose a sensor's row first.");

// The other limit of a pair.
Field partnerOf(Field f) {
    return Field(f ^ 1); // Low and High are neighbours, Low at an even place
}

} // namespace

SensorsDialog::SensorsDialog(const QStringList& sensors, const SensorSettings& settings,
                             QWidget* parent)
    : QDialog(parent), table_(new QTableWidget(this)), activation_(new QLineEdit(this)),
      problem_(new QLabel(this)),
      buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)) {
    setWindowTitle(QStringLiteral("Sensors"));
    rows_ = listedSensors(sensors, settings);
    setUpTable();
    fillTable(int(sensors.size()), settings);
    fitColumns();

    openedActivation_ = settings.limits.text[ActivationEnergy];
    activation_->setValidator(new DecimalInput(activation_));
    activation_->setText(openedActivation_);
    activation_->setPlaceholderText(QString::number(kDefaultActivationEnergy));
    auto* twoPointButton = new QPushButton(QStringLiteral("Two-point calibration…"), this);
    twoPointButton->setToolTip(
        QStringLiteral("Gain and offset of the chosen sensor from two readings of a reference"));
    connect(twoPointButton, &QPushButton::clicked, this, &SensorsDialog::twoPoint);
    auto* note = new QLabel(
        QStringLiteral(
            "Shown value = gain × decoded value + offset; offset 2 and gain 2 apply to "
            "BT humidity and the second RX reading. A limit of a sensor overrides the "
            "one for all sensors. Numbers are kept with a point as decimal separator; your "
            "locale's decimal separator, typed, becomes one."),
        this);
    note->setWordWrap(true);
    problem_->setTextFormat(Qt::PlainText); // names and lines as written are data
    problem_->setStyleSheet(QStringLiteral("color: #b00000"));
    problem_->setWordWrap(true);
    QLabel* unused = unusedNote(settings);
    layOut(note, unused, twoPointButton);
    connectAll();
    check();
    fitToTable(parent);
}

// Lines the program cannot use show as they are written, marked; OK keeps them unless their
// cell is changed.
QLabel* SensorsDialog::unusedNote(const SensorSettings& settings) {
    auto* unused = new QLabel(this);
    unused->setTextFormat(Qt::PlainText);
    unused->setWordWrap(true);
    unused->setVisible(!settings.ignored.isEmpty());
    QStringList said;
    for (const IgnoredLine& line : settings.ignored.mid(0, 3))
        said.append(line.said());
    unused->setText(
        QStringLiteral("%1 of the settings file not used (marked), kept as written unless you "
                       "change it: %2")
            .arg(counted(settings.ignored.size(), "line", "lines"),
                 said.join(QStringLiteral("; ")) +
                     (settings.ignored.size() > 3 ? QStringLiteral("; …") : QString())));
    return unused;
}

void SensorsDialog::layOut(QLabel* note, QLabel* unused, QPushButton* twoPointButton) {
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Activation energy for MKT (kJ/mol):"), activation_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addWidget(table_, 1);
    layout->addLayout(form);
    layout->addWidget(unused);
    layout->addWidget(problem_);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(twoPointButton);
    bottom->addStretch();
    bottom->addWidget(buttons_);
    layout->addLayout(bottom);
}

void SensorsDialog::connectAll() {
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(table_, &QTableWidget::itemChanged, this, &SensorsDialog::check);
    // The hint to choose a row goes once one is chosen.
    connect(table_, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (row > 0 && problem_->text() == kChooseRow)
            check();
    });
    connect(activation_, &QLineEdit::textChanged, this, &SensorsDialog::check);
}

// As wide as the table, within the screen.
void SensorsDialog::fitToTable(QWidget* parent) {
    int width = table_->verticalHeader()->width() + 2 * table_->frameWidth() + 40;
    for (int column = 0; column < kColumns; ++column)
        width += table_->columnWidth(column);
    const QSize room = (parent ? parent->screen() : screen())->availableGeometry().size() * 0.92;
    resize(std::min(width, room.width()), std::min(560, room.height()));
}

bool SensorsDialog::eventFilter(QObject* watched, QEvent* event) {
    // While a cell is edited its editor has the focus, and the keys are the editor's.
    if (watched != table_ || event->type() != QEvent::KeyPress || !table_->hasFocus())
        return QDialog::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Delete || key == Qt::Key_Backspace) {
        for (QTableWidgetItem* item : table_->selectedItems())
            if (editable(item->row(), item->column()))
                item->setText({});
        return true;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        const QModelIndex current = table_->currentIndex();
        if (current.isValid() && editable(current.row(), current.column()))
            table_->edit(current);
        return true; // never OK: that is the button's, or Return outside the table
    }
    return QDialog::eventFilter(watched, event);
}

QString SensorsDialog::rowName(int row) const {
    return row == 0 ? QStringLiteral("All sensors") : rows_[row - 1];
}

bool SensorsDialog::editable(int row, int column) const {
    const QTableWidgetItem* item = table_->item(row, column);
    return item && (item->flags() & Qt::ItemIsEditable);
}

bool SensorsDialog::changed(int row, int column) const {
    return editable(row, column) &&
           table_->item(row, column)->text().trimmed() != opened_[row][column].trimmed();
}

SensorEdits SensorsDialog::edits() const {
    SensorEdits out;
    for (int row = 0; row < table_->rowCount(); ++row) {
        const QString section = row == 0 ? kLimitsSection : rows_[row - 1];
        for (int column = kNameColumn; column < kColumns; ++column)
            if (changed(row, column))
                out[section]
                   [column == kNameColumn ? QStringLiteral("Name")
                                          : QLatin1String(kFieldKeys[column - kFirstField])] =
                       table_->item(row, column)->text().trimmed();
    }
    if (activation_->text().trimmed() != openedActivation_.trimmed())
        out[kLimitsSection][QLatin1String(kFieldKeys[ActivationEnergy])] =
            activation_->text().trimmed();
    return out;
}

QList<SensorsDialog::Mark> SensorsDialog::findProblems() const {
    QList<Mark> out;
    FieldValues shared; // the valid limits for all sensors, which a sensor's own are paired with
    for (int row = 0; row < table_->rowCount(); ++row) {
        const QString sensor = row == 0 ? QString() : rows_[row - 1];
        if (changed(row, kNameColumn) &&
            table_->item(row, kNameColumn)->text().trimmed().toUtf8().size() >
                settings::kMaxProfileValue)
            out.append({row, kNameColumn, QStringLiteral("Name"),
                        QStringLiteral("longer than the settings file keeps (%1 bytes)")
                            .arg(settings::kMaxProfileValue),
                        true});
        FieldValues own;
        for (int f = 0; f < ActivationEnergy; ++f) {
            const int column = columnOf(Field(f));
            const QString text = table_->item(row, column)->text();
            double v = 0;
            if (!editable(row, column) || text.trimmed().isEmpty())
                continue;
            if (const auto problem = checkField(sensor, Field(f), text, v))
                out.append({row, column, fieldLabel(Field(f)), problem->why, changed(row, column)});
            else
                own[f] = v;
        }
        for (const Problem& p : checkLimits(sensor, own, row > 0 ? &shared : nullptr)) {
            const int partner = columnOf(partnerOf(p.field));
            out.append({row, columnOf(p.field), fieldLabel(p.field), p.why,
                        changed(row, columnOf(p.field)) || changed(row, partner) ||
                            (p.reason == Reason::AgainstShared && changed(0, partner))});
        }
        if (row == 0)
            std::copy(std::begin(own), std::end(own), std::begin(shared));
    }
    double v = 0;
    const QString energy = activation_->text();
    if (const auto problem =
            energy.trimmed().isEmpty() ? std::nullopt : checkField({}, ActivationEnergy, energy, v))
        out.append({-1, -1, fieldLabel(ActivationEnergy), problem->why,
                    energy.trimmed() != openedActivation_.trimmed()});
    return out;
}

QStringList SensorsDialog::problems() const {
    QStringList out;
    for (const Mark& m : findProblems()) {
        const QString line = (m.row < 0 ? QString() : rowName(m.row) + QStringLiteral(", ")) +
                             m.what + QStringLiteral(": ") + m.why;
        if (m.blocking && !out.contains(line))
            out.append(line);
    }
    return out;
}

void SensorsDialog::check() {
    const QList<Mark> found = findProblems();
    // Each cell that takes part in a problem is marked, with the reason as its tooltip.
    const QSignalBlocker block(table_);
    for (int row = 0; row < table_->rowCount(); ++row) {
        for (int column = kNameColumn; column < kColumns; ++column) {
            if (editable(row, column)) {
                table_->item(row, column)->setBackground(QBrush());
                table_->item(row, column)->setToolTip({});
            }
        }
    }
    for (const Mark& m : found) {
        if (m.row < 0)
            continue;
        table_->item(m.row, m.column)->setBackground(QBrush(kWrong));
        table_->item(m.row, m.column)->setToolTip(plainToolTip(m.why));
    }
    const QStringList blocking = problems();
    problem_->setText(blocking.isEmpty() ? QString() : blocking.first());
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(blocking.isEmpty());
}

void SensorsDialog::twoPoint() {
    const int row = table_->currentRow();
    if (row < 1) {
        problem_->setText(kChooseRow);
        return;
    }
    TwoPointDialog ask(rows_[row - 1], table_->item(row, kNameColumn)->text().trimmed(), this);
    if (ask.exec() != QDialog::Accepted)
        return;
    const bool second = ask.second();
    table_->item(row, columnOf(second ? Offset2 : Offset))->setText(fieldText(ask.offset()));
    table_->item(row, columnOf(second ? Gain2 : Gain))->setText(fieldText(ask.gain()));
}

} // namespace window
} // namespace view
