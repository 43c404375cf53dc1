// Shows either the program's window (as the program starts) or a bare window with the same
// widgets, prints one line once it is painted and ends. Usage: startup_probe program|bare

#include "app/start.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <cstdio>
#include <cstdlib>

namespace {

class PaintedProbe : public QObject {
protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Paint && object->isWidgetType() &&
            static_cast<QWidget*>(object)->isWindow()) {
            std::puts("painted");
            std::fflush(stdout);
            std::_Exit(0);
        }
        return false;
    }
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    PaintedProbe probe;
    application.installEventFilter(&probe);
    if (argc > 1 && QByteArray(argv[1]) == "program")
        return app::start();
    QWidget bare;
    new QPushButton("Download", &bare);
    new QPushButton("Clear", &bare);
    new QPlainTextEdit(&bare);
    new QLineEdit(&bare);
    new QLabel("Port", &bare);
    auto* list = new QComboBox(&bare);
    for (int n = 1; n <= 16; ++n)
        list->addItem(QString::number(n));
    bare.resize(509, 289);
    bare.show();
    return QApplication::exec();
}
