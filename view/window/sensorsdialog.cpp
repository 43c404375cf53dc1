// The Sensors dialog and its two-point helper. One idea: editing the sensor settings.
#include "view/window/sensorsdialog.h"

#include "settings/profile.h"
#include "view/model/statistics.h"
#include "view/model/words.h"
#include "view/window/plaintext.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

namespace view {
inline namespace window {

namespace {

constexpr int kSensorColumn = 0, kNameColumn = 1, kFirstField = 2;
constexpr int kColumns = kFirstField + ActivationEnergy;
const QColor kWrong(255, 205, 205);
const QString kChooseRow = QStringLiteral("Choose a sensor's row first.");

int columnOf(Field f) {
    return kFirstField + f;
}

// Whether a sensor of this name has the field; the row of all sensors has the limits.
bool applies(const QString& sensor, Field f) {
    Kind kind;
    return sensor.isEmpty() ? isLimit(f) : kindOfName(sensor, kind) && view::applies(kind, f);
}

// The other limit of a pair.
Field partnerOf(Field f) {
    return Field(f ^ 1); // Low and High are neighbours, Low at an even place
}

// Numbers as they are typed: the locale's decimal separator becomes the point the settings file
// takes, before anything is checked, so "8,0" typed where a comma is the decimal separator is
// 8.0. A point is taken everywhere; the file's rule stays.
class DecimalInput : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        const QString separator = QLocale().decimalPoint();
        if (separator != QLatin1String("."))
            input.replace(separator, QLatin1String("."));
        return Acceptable;
    }
};

// The table's number cells are typed through DecimalInput; names as they are.
class NumberCells : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor); line && index.column() >= kFirstField)
            line->setValidator(new DecimalInput(line));
        return editor;
    }
};

// The columns' headings, each with its unit: a limit's two words on two lines, narrower.
QStringList headings() {
    QStringList out{QStringLiteral("Sensor"), QStringLiteral("Name")};
    for (int f = 0; f < ActivationEnergy; ++f) {
        QString label = fieldLabel(Field(f));
        if (isLimit(Field(f))) {
            const QString unit = unitHeading(measureUnit(limitedMeasure(Field(f))));
            label[label.lastIndexOf(u' ')] = u'\n';
            out.append(label + QStringLiteral(" (%1)").arg(unit));
        } else {
            out.append(label + (f == Gain || f == Gain2 ? QStringLiteral("\n(factor)")
                                                        : QStringLiteral("\n(value's unit)")));
        }
    }
    return out;
}

} // namespace

SensorsDialog::SensorsDialog(const QStringList& sensors, const SensorSettings& settings,
                             QWidget* parent)
    : QDialog(parent), table_(new QTableWidget(this)), activation_(new QLineEdit(this)),
      problem_(new QLabel(this)),
      buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)) {
    setWindowTitle(QStringLiteral("Sensors"));
    // The sensors read, then those only the file names, each once.
    QSet<QString> seen;
    for (const QString& s : sensors) {
        rows_.append(s);
        seen.insert(s.simplified().toUpper());
    }
    QStringList unread;
    for (auto it = settings.sensors.cbegin(); it != settings.sensors.cend(); ++it)
        if (!seen.contains(it.key().simplified().toUpper()))
            unread.append(it.key());
    rows_ += unread;

    table_->setColumnCount(kColumns);
    table_->setRowCount(int(rows_.size()) + 1);
    table_->setHorizontalHeaderLabels(headings());
    for (int f = 0; f < ActivationEnergy; ++f)
        if (!isLimit(Field(f)))
            table_->horizontalHeaderItem(columnOf(Field(f)))
                ->setToolTip(f == Gain || f == Gain2
                                 ? QStringLiteral("A factor: shown = gain × decoded + offset")
                                 : QStringLiteral("In the unit of the value: °C for TX and BT "
                                                  "temperatures, % for BT humidity, V for BV; the "
                                                  "logger sends RX readings without a unit"));
    table_->setWordWrap(false); // a number on one line
    table_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed);
    table_->installEventFilter(this);
    table_->setItemDelegate(new NumberCells(table_));
    table_->verticalHeader()->hide();
    const auto fixed = [&](int row, int column, const QString& text, const QString& tip) {
        auto* item = new QTableWidgetItem(text);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setToolTip(plainToolTip(tip));
        if (column != kSensorColumn)
            item->setBackground(palette().window());
        table_->setItem(row, column, item);
    };
    const auto fill = [&](int row, const QString& sensor, const SectionSettings* s) {
        const bool shared = row == 0;
        for (int f = 0; f < ActivationEnergy; ++f) {
            if (applies(sensor, Field(f))) // as the file writes it, even where it cannot be used
                table_->setItem(row, columnOf(Field(f)),
                                new QTableWidgetItem(s ? s->text[f] : QString()));
            else
                fixed(row, columnOf(Field(f)), {}, {});
        }
        if (shared)
            fixed(row, kNameColumn, {}, {});
        else
            table_->setItem(row, kNameColumn, new QTableWidgetItem(s ? s->name : QString()));
    };
    fixed(0, kSensorColumn, QStringLiteral("All sensors"),
          QStringLiteral("Limits for every sensor that sets none of its own"));
    fill(0, {}, &settings.limits);
    for (int i = 0; i < rows_.size(); ++i) {
        const bool read = i < sensors.size();
        fixed(i + 1, kSensorColumn, rows_[i],
              read ? QString() : QStringLiteral("Not among the readings shown; kept as it is"));
        fill(i + 1, rows_[i], settings.of(rows_[i]));
    }
    // What each cell opened with: OK writes only the cells that differ from it.
    for (int row = 0; row < table_->rowCount(); ++row) {
        QStringList texts;
        for (int column = 0; column < kColumns; ++column)
            texts.append(table_->item(row, column)->text());
        opened_.append(texts);
    }
    // Every column as wide as its contents, with room for a name and a number to type.
    table_->resizeColumnsToContents();
    table_->setColumnWidth(kNameColumn, std::clamp(table_->columnWidth(kNameColumn), 180, 320));
    for (int column = kFirstField; column < kColumns; ++column)
        table_->setColumnWidth(column, std::max(table_->columnWidth(column), 72));

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
    // Lines the program cannot use show as they are written, marked; OK keeps them unless their
    // cell is changed.
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
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(table_, &QTableWidget::itemChanged, this, &SensorsDialog::check);
    // The hint to choose a row goes once one is chosen.
    connect(table_, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (row > 0 && problem_->text() == kChooseRow)
            check();
    });
    connect(activation_, &QLineEdit::textChanged, this, &SensorsDialog::check);
    check();
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
    const QString sensor = rows_[row - 1];
    const QString name = table_->item(row, kNameColumn)->text().trimmed();
    QDialog ask(this);
    ask.setWindowTitle(
        QStringLiteral("Two-point calibration of %1")
            .arg(name.isEmpty() ? sensor : QStringLiteral("%1 (%2)").arg(name, sensor)));
    auto* which = new QComboBox(&ask);
    which->addItem(QStringLiteral("First value (offset, gain)"));
    if (applies(sensor, Offset2))
        which->addItem(QStringLiteral("Second value (offset 2, gain 2)"));
    QLineEdit* edits[4];
    QLabel* labels[4];
    const char* const texts[] = {"Reading 1 (as decoded%1):", "True value 1 (reference%1):",
                                 "Reading 2 (as decoded%1):", "True value 2 (reference%1):"};
    Kind kind = TX;
    kindOfName(sensor, kind);
    const auto unitsShown = [&] { // of the value chosen
        const QString unit = measureUnit(measureOf(kind, which->currentIndex() == 1));
        for (int i = 0; i < 4; ++i)
            labels[i]->setText(
                QString::fromUtf8(texts[i]).arg(unit.isEmpty() ? QString() : ", " + unit));
    };
    auto* result = new QLabel(&ask);
    result->setTextFormat(Qt::PlainText);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &ask);
    auto* form = new QFormLayout(&ask);
    form->addRow(QStringLiteral("Value:"), which);
    double gain = 1, offset = 0;
    const auto update = [&] {
        double v[4];
        bool ok = true;
        for (int i = 0; i < 4; ++i)
            ok = !checkField(sensor, Offset, edits[i]->text(), v[i]) && ok;
        ok = ok && twoPointCalibration(v[0], v[1], v[2], v[3], gain, offset);
        result->setText(
            ok ? QStringLiteral("Gain %1, offset %2").arg(fieldText(gain), fieldText(offset))
               : QStringLiteral("Two different readings and two different true "
                                "values."));
        box->button(QDialogButtonBox::Ok)->setEnabled(ok);
    };
    for (int i = 0; i < 4; ++i) {
        edits[i] = new QLineEdit(&ask);
        edits[i]->setValidator(new DecimalInput(edits[i]));
        labels[i] = new QLabel(&ask);
        labels[i]->setBuddy(edits[i]);
        form->addRow(labels[i], edits[i]);
        connect(edits[i], &QLineEdit::textChanged, &ask, update);
    }
    unitsShown();
    connect(which, &QComboBox::currentIndexChanged, &ask, unitsShown);
    form->addRow(result);
    form->addRow(box);
    connect(box, &QDialogButtonBox::accepted, &ask, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, &ask, &QDialog::reject);
    update();
    if (ask.exec() != QDialog::Accepted)
        return;
    const bool second = which->currentIndex() == 1;
    table_->item(row, columnOf(second ? Offset2 : Offset))->setText(fieldText(offset));
    table_->item(row, columnOf(second ? Gain2 : Gain))->setText(fieldText(gain));
}

} // namespace window
} // namespace view
