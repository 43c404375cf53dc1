#include "app/form1.h"
#include "app/submain.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("ZURORUVE");
    app::Form1 form;
    app::SubMain(form);
    return QApplication::exec();
}
