// The Sensors dialog and its two-point helper. One idea: editing the sensor settings.
#include "view/sensorsdialog.h"

#include "settings/profile.h"
#include "view/statistics.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QTableWidget>
#include <QVBoxLayout>

namespace view {

namespace {

constexpr int kSensorColumn = 0, kNameColumn = 1, kFirstField = 2;
const char* const kHeaders[] = {
    "Sensor",       "Name",          "Offset",          "Gain",
    "Offset 2",     "Gain 2",        "Temperature low", "Temperature high",
    "Humidity low", "Humidity high", "RX low",          "RX high",
    "Battery low",  "Battery high"};
constexpr int kColumns = int(std::size(kHeaders));
const QColor kWrong(255, 205, 205);

int columnOf(Field f) {
    return kFirstField + f;
}

// Whether a sensor of this name has the field: second values only BT and RX have, and limits
// only for the quantities its values are.
bool applies(const QString& sensor, Field f) {
    const QString kind = sensor.left(2).toUpper();
    const bool two = kind == "BT" || kind == "RX";
    switch (f) {
    case Offset:
    case Gain:
        return true;
    case Offset2:
    case Gain2:
        return two;
    case TemperatureLow:
    case TemperatureHigh:
        return kind == "TX" || kind == "BT";
    case HumidityLow:
    case HumidityHigh:
        return kind == "BT";
    case RxLow:
    case RxHigh:
        return kind == "RX";
    case BatteryLow:
    case BatteryHigh:
        return kind == "BV";
    default:
        return false;
    }
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
    QStringList headers;
    for (const char* h : kHeaders)
        headers.append(QString::fromUtf8(h));
    table_->setHorizontalHeaderLabels(headers);
    table_->verticalHeader()->hide();
    const auto fixed = [&](int row, int column, const QString& text, const QString& tip) {
        auto* item = new QTableWidgetItem(text);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setToolTip(tip);
        if (column != kSensorColumn)
            item->setBackground(palette().window());
        table_->setItem(row, column, item);
    };
    const auto fill = [&](int row, const QString& sensor, const SectionSettings* s) {
        const bool shared = row == 0;
        for (int f = 0; f < ActivationEnergy; ++f) {
            const bool has = shared ? (f >= TemperatureLow) : applies(sensor, Field(f));
            if (has) // as the file writes it, even where the program cannot use it
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
    table_->resizeColumnsToContents();
    for (int column = kFirstField; column < kColumns; ++column) // room for a number to type
        table_->setColumnWidth(column, std::max(table_->columnWidth(column), 64));
    table_->horizontalHeader()->setSectionResizeMode(kNameColumn, QHeaderView::Stretch);

    openedActivation_ = settings.limits.text[ActivationEnergy];
    activation_->setText(openedActivation_);
    activation_->setPlaceholderText(QString::number(kDefaultActivationEnergy));
    auto* twoPointButton = new QPushButton(QStringLiteral("Two-point calibration…"), this);
    twoPointButton->setToolTip(
        QStringLiteral("Gain and offset of the chosen sensor from two readings of a reference"));
    connect(twoPointButton, &QPushButton::clicked, this, &SensorsDialog::twoPoint);
    auto* note = new QLabel(
        QStringLiteral("Shown value = gain × decoded value + offset; offset 2 and gain 2 apply to "
                       "BT humidity and the second RX reading. A limit of a sensor overrides the "
                       "one for all sensors. Numbers take a point as decimal separator."),
        this);
    note->setWordWrap(true);
    problem_->setStyleSheet(QStringLiteral("color: #b00000"));
    problem_->setWordWrap(true);
    // Lines the program cannot use show as they are written, marked; OK keeps them unless their
    // cell is changed.
    auto* unused = new QLabel(this);
    unused->setWordWrap(true);
    unused->setVisible(!settings.ignored.isEmpty());
    unused->setText(
        QStringLiteral("%1 of the settings file not used (marked), kept as written unless you "
                       "change it: %2")
            .arg(settings.ignored.size() == 1
                     ? QStringLiteral("1 line")
                     : QStringLiteral("%1 lines").arg(settings.ignored.size()))
            .arg(settings.ignored.mid(0, 3).join(QStringLiteral("; ")) +
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
    connect(activation_, &QLineEdit::textChanged, this, &SensorsDialog::check);
    check();
    resize(1180, 520);
}

QString SensorsDialog::rowName(int row) const {
    return row == 0 ? QStringLiteral("All sensors") : rows_[row - 1];
}

bool SensorsDialog::changed(int row, int column) const {
    const QTableWidgetItem* item = table_->item(row, column);
    return item && (item->flags() & Qt::ItemIsEditable) &&
           item->text().trimmed() != opened_[row][column].trimmed();
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

QList<SensorsDialog::Problem> SensorsDialog::findProblems() const {
    QList<Problem> out;
    const auto header = [&](int column) { return table_->horizontalHeaderItem(column)->text(); };
    // The value of a field in a row, where it holds a valid one.
    const auto valueAt = [&](int row, Field f) -> std::optional<double> {
        const QTableWidgetItem* item = table_->item(row, columnOf(f));
        double v = 0;
        if (!item || !(item->flags() & Qt::ItemIsEditable) || item->text().trimmed().isEmpty() ||
            !checkField(f, item->text(), v).isEmpty())
            return std::nullopt;
        return v;
    };
    for (int row = 0; row < table_->rowCount(); ++row) {
        const QTableWidgetItem* name = table_->item(row, kNameColumn);
        if (changed(row, kNameColumn) &&
            name->text().trimmed().toLocal8Bit().size() > settings::kMaxProfileValue)
            out.append({row,
                        {kNameColumn},
                        QStringLiteral("Name"),
                        QStringLiteral("longer than the settings file keeps (%1 bytes)")
                            .arg(settings::kMaxProfileValue),
                        true});
        for (int f = 0; f < ActivationEnergy; ++f) {
            const int column = columnOf(Field(f));
            const QTableWidgetItem* item = table_->item(row, column);
            double v = 0;
            if (!(item->flags() & Qt::ItemIsEditable) || item->text().trimmed().isEmpty())
                continue;
            const QString why = checkField(Field(f), item->text(), v);
            if (!why.isEmpty())
                out.append({row, {column}, header(column), why, changed(row, column)});
        }
        for (int q = 0; q < kMeasures; ++q) {
            const Field lo = lowField(Measure(q)), hi = highField(Measure(q));
            const std::optional<double> ownLow = valueAt(row, lo), ownHigh = valueAt(row, hi);
            // A sensor's own limit is paired with the shared one.
            const bool sharedLow = row > 0 && !ownLow, sharedHigh = row > 0 && !ownHigh;
            const QString why = checkLimits(sharedLow ? valueAt(0, lo) : ownLow,
                                            sharedHigh ? valueAt(0, hi) : ownHigh);
            if (why.isEmpty() || (row > 0 && !ownLow && !ownHigh))
                continue;
            QList<int> columns;
            if (ownLow)
                columns.append(columnOf(lo));
            if (ownHigh)
                columns.append(columnOf(hi));
            const bool blocking = changed(row, columnOf(lo)) || changed(row, columnOf(hi)) ||
                                  (sharedLow && changed(0, columnOf(lo))) ||
                                  (sharedHigh && changed(0, columnOf(hi)));
            out.append({row, columns, header(columnOf(lo)).section(u' ', 0, 0), why, blocking});
        }
    }
    double v = 0;
    const QString why = activation_->text().trimmed().isEmpty()
                            ? QString()
                            : checkField(ActivationEnergy, activation_->text(), v);
    if (!why.isEmpty())
        out.append({-1,
                    {},
                    QStringLiteral("Activation energy"),
                    why,
                    activation_->text().trimmed() != openedActivation_.trimmed()});
    return out;
}

QStringList SensorsDialog::problems() const {
    QStringList out;
    for (const Problem& p : findProblems())
        if (p.blocking)
            out.append((p.row < 0 ? QString() : rowName(p.row) + QStringLiteral(", ")) + p.what +
                       QStringLiteral(": ") + p.why);
    return out;
}

void SensorsDialog::check() {
    const QList<Problem> found = findProblems();
    // Each cell that takes part in a problem is marked, with the reason as its tooltip.
    const QSignalBlocker block(table_);
    for (int row = 0; row < table_->rowCount(); ++row) {
        for (int column = kNameColumn; column < kColumns; ++column) {
            QTableWidgetItem* item = table_->item(row, column);
            if (item->flags() & Qt::ItemIsEditable) {
                item->setBackground(QBrush());
                item->setToolTip({});
            }
        }
    }
    for (const Problem& p : found) {
        for (const int column : p.columns) {
            table_->item(p.row, column)->setBackground(QBrush(kWrong));
            table_->item(p.row, column)->setToolTip(p.why);
        }
    }
    const QStringList blocking = problems();
    problem_->setText(blocking.isEmpty() ? QString() : blocking.first());
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(blocking.isEmpty());
}

void SensorsDialog::twoPoint() {
    const int row = table_->currentRow();
    if (row < 1) {
        problem_->setText(QStringLiteral("Choose a sensor's row first."));
        return;
    }
    const QString sensor = rows_[row - 1];
    QDialog ask(this);
    ask.setWindowTitle(QStringLiteral("Two-point calibration of %1").arg(sensor));
    auto* which = new QComboBox(&ask);
    which->addItem(QStringLiteral("First value (offset, gain)"));
    if (applies(sensor, Offset2))
        which->addItem(QStringLiteral("Second value (offset 2, gain 2)"));
    QLineEdit* edits[4];
    const char* const labels[] = {"Reading 1 (as decoded):", "True value 1 (reference):",
                                  "Reading 2 (as decoded):", "True value 2 (reference):"};
    auto* result = new QLabel(&ask);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &ask);
    auto* form = new QFormLayout(&ask);
    form->addRow(QStringLiteral("Value:"), which);
    double gain = 1, offset = 0;
    const auto update = [&] {
        double v[4];
        bool ok = true;
        for (int i = 0; i < 4; ++i)
            ok = checkField(Offset, edits[i]->text(), v[i]).isEmpty() && ok;
        ok = ok && twoPointCalibration(v[0], v[1], v[2], v[3], gain, offset);
        result->setText(
            ok ? QStringLiteral("Gain %1, offset %2").arg(fieldText(gain), fieldText(offset))
               : QStringLiteral("Two different readings and two different true "
                                "values, with a point as decimal separator."));
        box->button(QDialogButtonBox::Ok)->setEnabled(ok);
    };
    for (int i = 0; i < 4; ++i) {
        edits[i] = new QLineEdit(&ask);
        form->addRow(QString::fromUtf8(labels[i]), edits[i]);
        connect(edits[i], &QLineEdit::textChanged, &ask, update);
    }
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

} // namespace view
