#include "app/start.h"

#include "app/form1.h"
#include "app/submain.h"
#include "link/context.h"
#include "link/serialcomm.h"
#include "readout/readout.h"
#include "settings/folder.h"

#include <QApplication>

namespace app {

int start() {
    // No organisation name: the per-user folder is then just "ZURORUVE".
    QApplication::setApplicationName(settings::kAppName);
    Form1 form;
    devicelink::SerialComm MSComm1;
    devicelink::SteadyClock clock;
    devicelink::QtEventPump events([&form] { return form.stopReason(); });
    devicelink::Context context{MSComm1, clock, events, form.log(), form};
    readout::Session session{context, settings::chooseProgramFolder(), {}};
    form.useDevice(session);
    SubMain(form, session.folder);
    return QApplication::exec();
}

} // namespace app
