#include "link/events.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace devicelink {

void QtEventPump::RunPending() {
    // The timer bounds the sleep; any event before it, such as bytes arriving, ends it sooner.
    QTimer slice;
    slice.setSingleShot(true);
    slice.start(kSliceMs);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace devicelink
