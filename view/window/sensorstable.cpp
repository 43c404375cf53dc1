// The Sensors dialog's table: its rows, columns, headings and the cells it opens with.
#include "view/window/sensorsdialog.h"

#include "view/model/statistics.h"
#include "view/window/decimalinput.h"
#include "view/window/plaintext.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QSet>
#include <QStyledItemDelegate>
#include <QTableWidget>

namespace view {
inline namespace window {

namespace {

// Whether a sensor of this name has the field; the row of all sensors has the limits.
bool applies(const QString& sensor, Field f) {
    Kind kind;
    return sensor.isEmpty() ? isLimit(f) : kindOfName(sensor, kind) && view::applies(kind, f);
}

// The table's number cells are typed through DecimalInput; names as they are.
class NumberCells : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor);
            line && index.column() >= SensorsDialog::kFirstField)
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

// The sensors read, then those only the file names, each once.
QStringList SensorsDialog::listedSensors(const QStringList& sensors,
                                         const SensorSettings& settings) {
    QStringList rows;
    QSet<QString> seen;
    for (const QString& s : sensors) {
        rows.append(s);
        seen.insert(s.simplified().toUpper());
    }
    QStringList unread;
    for (auto it = settings.sensors.cbegin(); it != settings.sensors.cend(); ++it)
        if (!seen.contains(it.key().simplified().toUpper()))
            unread.append(it.key());
    rows += unread;
    return rows;
}

void SensorsDialog::setUpTable() {
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
}

void SensorsDialog::setFixed(int row, int column, const QString& text, const QString& tip) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setToolTip(plainToolTip(tip));
    if (column != kSensorColumn)
        item->setBackground(palette().window());
    table_->setItem(row, column, item);
}

void SensorsDialog::fillRow(int row, const QString& sensor, const SectionSettings* s) {
    const bool shared = row == 0;
    for (int f = 0; f < ActivationEnergy; ++f) {
        if (applies(sensor, Field(f))) // as the file writes it, even where it cannot be used
            table_->setItem(row, columnOf(Field(f)),
                            new QTableWidgetItem(s ? s->text[f] : QString()));
        else
            setFixed(row, columnOf(Field(f)), {}, {});
    }
    if (shared)
        setFixed(row, kNameColumn, {}, {});
    else
        table_->setItem(row, kNameColumn, new QTableWidgetItem(s ? s->name : QString()));
}

// read: how many of rows_, from the first, are sensors read.
void SensorsDialog::fillTable(int read, const SensorSettings& settings) {
    setFixed(0, kSensorColumn, QStringLiteral("All sensors"),
             QStringLiteral("Limits for every sensor that sets none of its own"));
    fillRow(0, {}, &settings.limits);
    for (int i = 0; i < rows_.size(); ++i) {
        setFixed(i + 1, kSensorColumn, rows_[i],
                 i < read ? QString()
                          : QStringLiteral("Not among the readings shown; kept as it is"));
        fillRow(i + 1, rows_[i], settings.of(rows_[i]));
    }
    // What each cell opened with: OK writes only the cells that differ from it.
    for (int row = 0; row < table_->rowCount(); ++row) {
        QStringList texts;
        for (int column = 0; column < kColumns; ++column)
            texts.append(table_->item(row, column)->text());
        opened_.append(texts);
    }
}

// Every column as wide as its contents, with room for a name and a number to type.
void SensorsDialog::fitColumns() {
    table_->resizeColumnsToContents();
    table_->setColumnWidth(kNameColumn, std::clamp(table_->columnWidth(kNameColumn), 180, 320));
    for (int column = kFirstField; column < kColumns; ++column)
        table_->setColumnWidth(column, std::max(table_->columnWidth(column), 72));
}

} // namespace window
} // namespace view
