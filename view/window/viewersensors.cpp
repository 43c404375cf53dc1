// zelm-view's sensor list: the sensors read, by name, ticked ones drawn; the choices of which,
// and its width.
#include "view/model/words.h"
#include "view/window/chartpanel.h"
#include "view/window/viewer.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QVBoxLayout>
#include <algorithm>

namespace view {
inline namespace window {

namespace {

// Sensor numbers as the list shows them: named ones by name, then by kind and identifier.
QList<int> byName(const Document& d) {
    QList<int> order = d.byIdentifier();
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const QString &x = d.shown[a].name, &y = d.shown[b].name;
        if (x.isEmpty() != y.isEmpty())
            return y.isEmpty();
        return x.localeAwareCompare(y) < 0;
    });
    return order;
}

} // namespace

// Left: the sensors, ticked ones drawn.
QWidget* Viewer::buildSensorList() {
    auto* side = new QWidget;
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    sideLayout->addWidget(new QLabel(QStringLiteral("Sensors drawn")));
    sensors_->setObjectName(QStringLiteral("sensors"));
    sideLayout->addWidget(sensors_);
    auto* buttons = new QHBoxLayout;
    const auto button = [&](const QString& text, Choice choice, const QString& tip) {
        auto* b = new QPushButton(text);
        b->setToolTip(tip);
        connect(b, &QPushButton::clicked, this, [this, choice] { chooseSensors(choice); });
        buttons->addWidget(b);
    };
    button(QStringLiteral("All"), Choice::All, QStringLiteral("Draw every sensor"));
    button(QStringLiteral("None"), Choice::None, QStringLiteral("Draw no sensor"));
    button(QStringLiteral("Most"), Choice::Most,
           QStringLiteral("Draw the %1 sensors with the most readings").arg(kMaxDrawn));
    sideLayout->addLayout(buttons);
    connect(sensors_, &QListWidget::itemChanged, this, &Viewer::sensorsChanged);

    return side;
}

// The sensors of the document; again: ticked as they were.
void Viewer::fillSensorList(bool again, const QList<bool>& ticked) {
    const Document& d = document_;
    sensors_->clear();
    for (const int sensor : byName(d)) {
        const QString id = d.report.sensors[sensor].name();
        const QString& name = d.shown[sensor].name;
        auto* item = new QListWidgetItem(
            QStringLiteral("%1  (%2)")
                .arg(name.isEmpty() ? id : QStringLiteral("%1 · %2").arg(name, id),
                     counted(d.perSensor[sensor], "reading", "readings")),
            sensors_);
        item->setData(Qt::UserRole, sensor);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(again && ticked[sensor] ? Qt::Checked : Qt::Unchecked);
    }
}

void Viewer::fitSensorList() {
    const int needed = sensors_->sizeHintForColumn(0) + 2 * sensors_->frameWidth() +
                       sensors_->verticalScrollBar()->sizeHint().width() + 8;
    const QList<int> sizes = split_->sizes();
    const int total = std::max(sizes.value(0) + sizes.value(1), width());
    const int wanted = std::min(needed, total * 2 / 5);
    if (wanted > sizes.value(0))
        split_->setSizes({wanted, total - wanted});
}

void Viewer::chooseSensors(Choice choice) {
    const QSignalBlocker block(sensors_);
    const QList<bool> most = document_.drawnOf(); // the kMaxDrawn with the most readings
    for (int row = 0; row < sensors_->count(); ++row) {
        const bool on =
            choice == Choice::All ||
            (choice == Choice::Most && most.value(sensors_->item(row)->data(Qt::UserRole).toInt()));
        sensors_->item(row)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }
    sensorsChanged();
}

QList<bool> Viewer::tickedSensors() const {
    QList<bool> ticked(document_.report.sensors.size(), false);
    for (int row = 0; row < sensors_->count(); ++row)
        ticked[sensors_->item(row)->data(Qt::UserRole).toInt()] =
            sensors_->item(row)->checkState() == Qt::Checked;
    return ticked;
}

void Viewer::sensorsChanged() {
    const QList<bool> ticked = tickedSensors();
    const QList<int> pens = sensorPens(document_.report, ticked);
    for (ChartPanel* panel : std::as_const(panels_))
        panel->setShownSensors(ticked, pens);
}

} // namespace window
} // namespace view
