#include "link/events.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <limits>

namespace devicelink {

void QtEventPump::runPending(qint64 maxSleepMs) {
    if (maxSleepMs <= 0) {
        QCoreApplication::processEvents();
        return;
    }
    // The timer bounds the sleep; any event before it, such as bytes arriving, ends it sooner.
    // Precise, so a wait does not wake early and go round once more for the last few percent.
    QTimer limit;
    limit.setSingleShot(true);
    limit.setTimerType(Qt::PreciseTimer);
    limit.start(int(std::min<qint64>(maxSleepMs, std::numeric_limits<int>::max())));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace devicelink
