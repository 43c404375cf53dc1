#include "app/start.h"

#include "app/form1.h"
#include "app/submain.h"
#include "link/context.h"
#include "link/serialcomm.h"
#include "readout/readout.h"
#include "settings/folder.h"

#include <QApplication>
#include <cstdio>

namespace app {

void tellUnknownArguments(const QStringList& arguments, core::StatusLog& log) {
    for (const QString& argument : arguments) {
        std::fprintf(stderr, "zuroruve: unknown argument %s, ignored (see zuroruve --help)\n",
                     argument.toLocal8Bit().constData());
        log.LogLine("Unknown argument " + argument + ", ignored", core::Severity::Warning);
    }
}

int start(const QStringList& unknownArguments) {
    // No organisation name: the per-user folder is then just "ZURORUVE".
    QApplication::setApplicationName(settings::kAppName);
    Form1 form;
    // Port numbers pointed elsewhere (ZURORUVE_COM<n>), read once here.
    const devicelink::PortDevices devices =
        devicelink::portDevicesFrom(QProcessEnvironment::systemEnvironment());
    form.setPortDevices(devices);
    devicelink::SerialComm MSComm1({}, devices);
    devicelink::SteadyClock clock;
    devicelink::QtEventPump events([&form] { return form.stopReason(); });
    devicelink::Context context{MSComm1, clock, events, form.log(), form};
    readout::Session session{context, settings::chooseProgramFolder()};
    form.useDevice(session, qEnvironmentVariable("ZURORUVE_EDITOR"));
    SubMain(form, session.folder);
    tellUnknownArguments(unknownArguments, form.log()); // after start-up, which empties the log
    return QApplication::exec();
}

} // namespace app
