#include "app/start.h"
#include "core/startup.h"

#include <QApplication>
#include <QStringList>
#include <cstdio>
#include <cstring>

int main(int argc, char* argv[]) {
    core::useParentConsole();
    core::markRunning();
    // Answered before the window's application starts, so they need no display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs("usage: zuroruve\n"
                       "Reads out a ZELM data logger: choose the port, press Download; Clear "
                       "empties it.\nSee zuroruve(1); zelm-download reads one out without a "
                       "window.\n",
                       stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("zuroruve %s\n", ZURORUVE_VERSION);
            return 0;
        }
    }
    QApplication application(argc, argv); // takes Qt's own options (-platform...) out of argv
    QStringList unknown;
    for (int i = 1; i < argc; ++i)
        unknown.append(QString::fromLocal8Bit(argv[i]));
    return app::start(unknown);
}
