#include "view/window/chartpanel.h"

#include "view/render/readingscsv.h"
#include "view/window/plaintext.h"

#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace view {
inline namespace window {

ChartPanel::ChartPanel(Quantity quantity, QWidget* parent)
    : QWidget(parent), quantity_(std::move(quantity)) {
    view_ = view::chartView(quantity_, {}, {}, 0, 1);
    TimeRange span;
    if (timeSpan(span))
        full_ = span;
    view_.x0 = full_.x0;
    view_.x1 = full_.x1;
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus); // by Tab or a click: the window's keys then reach the charts
    setMinimumHeight(chartHeight(view_, 1100));
}

bool ChartPanel::timeSpan(TimeRange& span) const {
    return view::timeSpan(quantity_, span.x0, span.x1);
}

void ChartPanel::setTimeRange(const TimeRange& range) {
    const TimeRange r = within(range, full_);
    view_.x0 = r.x0;
    view_.x1 = r.x1;
    update();
}

void ChartPanel::changeRange(const TimeRange& range) {
    setTimeRange(range);
    emit rangeChanged(timeRange());
}

void ChartPanel::setShownSensors(const QList<bool>& drawn, const QList<int>& pens) {
    const QList<bool> hidden = view_.hidden;
    view_ = view::chartView(quantity_, drawn, pens, view_.x0, view_.x1);
    view_.hidden = hidden;
    setMinimumHeight(chartHeight(view_, width()));
    update();
}

void ChartPanel::paintEvent(QPaintEvent*) {
    // Painted into an image first, where dense lines are filled straight into its pixels.
    const qreal ratio = devicePixelRatioF();
    if (frame_.size() != size() * ratio)
        frame_ = QImage(size() * ratio, QImage::Format_RGB32);
    frame_.setDevicePixelRatio(ratio);
    {
        QPainter onFrame(&frame_);
        layout_ = paintChart(onFrame, rect(), view_);
    }
    QPainter p(this);
    p.drawImage(0, 0, frame_);
    if (dragFrom_ >= 0 && dragTo_ >= 0) {
        const QRect plot = layout_.plot;
        p.fillRect(QRect(QPoint(std::min(dragFrom_, dragTo_), plot.top()),
                         QPoint(std::max(dragFrom_, dragTo_), plot.bottom())),
                   QColor(30, 120, 220, 60));
    }
    if (hasFocus()) { // around the chart, on its margin: it hides nothing drawn
        p.setPen(QPen(palette().color(QPalette::Highlight), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
}

void ChartPanel::setLineHidden(int series, bool hidden) {
    if (series >= 0 && series < view_.hidden.size())
        view_.hidden[series] = hidden;
    update();
}

void ChartPanel::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update(); // its frame shows where the keys act
}

void ChartPanel::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

void ChartPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    setMinimumHeight(chartHeight(view_, width())); // the legend's rows follow the width
}

double ChartPanel::timeAt(double x) const {
    const QRect plot = plotRect(rect());
    return view_.x0 + (x - plot.left()) / plot.width() * (view_.x1 - view_.x0);
}

void ChartPanel::wheelEvent(QWheelEvent* event) {
    // The wheel scrolls the page of charts; with Ctrl it zooms the time axis about the pointer.
    if (!(event->modifiers() & Qt::ControlModifier) || event->angleDelta().y() == 0) {
        event->ignore();
        return;
    }
    const double factor = event->angleDelta().y() > 0 ? 0.8 : 1.25;
    changeRange(zoomed(timeRange(), full_, timeAt(event->position().x()), factor));
    event->accept();
}

void ChartPanel::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    for (const auto& [r, series] : std::as_const(layout_.legend)) {
        if (r.contains(at) && event->button() == Qt::LeftButton) {
            setLineHidden(series, !view_.hidden[series]); // switches its line off and on
            return;
        }
    }
    if (!plotRect(rect()).contains(at))
        return;
    if (event->button() == Qt::MiddleButton ||
        (event->button() == Qt::LeftButton && event->modifiers() & Qt::ShiftModifier)) {
        panFrom_ = event->position().x(); // grabs the axis
        panStart_ = timeRange();
        setCursor(Qt::ClosedHandCursor);
    } else if (event->button() == Qt::LeftButton) {
        dragFrom_ = at.x(); // a range to zoom to
    }
}

void ChartPanel::mouseMoveEvent(QMouseEvent* event) {
    if (panFrom_ >= 0) {
        const double perPixel = panStart_.span() / plotRect(rect()).width();
        changeRange(panned(panStart_, full_, (panFrom_ - event->position().x()) * perPixel));
        return;
    }
    if (dragFrom_ >= 0) {
        const QRect plot = plotRect(rect());
        dragTo_ = std::clamp(event->position().toPoint().x(), plot.left(), plot.right());
        update();
        return;
    }
    showReadingAt(event);
}

void ChartPanel::showReadingAt(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    const QRect plot = layout_.plot;
    if (!plot.contains(at)) {
        QToolTip::hideText();
        return;
    }
    // The reading nearest the pointer in time, of the drawn line nearest it in value.
    const double t = timeAt(at.x());
    const double perPixel = (view_.x1 - view_.x0) / plot.width();
    const double v =
        layout_.low + double(plot.bottom() - at.y()) / plot.height() * (layout_.high - layout_.low);
    QString text;
    double nearest = INFINITY;
    for (int i = 0; i < quantity_.series.size(); ++i) {
        const Series& s = quantity_.series[i];
        if (!view_.drawn[i] || view_.hidden[i] || s.at.isEmpty())
            continue;
        qsizetype k = std::lower_bound(s.times.begin(), s.times.end(),
                                       std::uint32_t(std::clamp(t / 1000, 0.0, 4e9))) -
                      s.times.begin();
        if (k == s.at.size() || (k > 0 && t - s.ms(k - 1) < s.ms(k) - t))
            --k;
        const double value = s.value(k);
        if (std::abs(s.ms(k) - t) > 4 * perPixel || std::abs(value - v) >= nearest)
            continue;
        nearest = std::abs(value - v);
        const QString name = s.label == s.name ? s.name : s.label + " (" + s.name + ')';
        text = QStringLiteral("%1\n%2\n%3 %4%5")
                   .arg(name, timeText(s.times[k]),
                        QString::fromLatin1(thousandthsText(s.shownAt(k))), quantity_.unit,
                        s.outside(s.shownAt(k)) ? QStringLiteral("\noutside limits") : QString());
    }
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(event->globalPosition().toPoint(), plainToolTip(text), this);
}

void ChartPanel::mouseReleaseEvent(QMouseEvent*) {
    if (panFrom_ >= 0) {
        panFrom_ = -1;
        unsetCursor();
        return;
    }
    if (dragFrom_ >= 0 && dragTo_ >= 0 && std::abs(dragTo_ - dragFrom_) > 4)
        changeRange({timeAt(std::min(dragFrom_, dragTo_)), timeAt(std::max(dragFrom_, dragTo_))});
    dragFrom_ = dragTo_ = -1;
    update();
}

} // namespace window
} // namespace view
