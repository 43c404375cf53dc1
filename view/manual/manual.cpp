#include "view/manual/manual.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QPointer>
#include <QScreen>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace view::manual {

QString text() {
    QFile file(QStringLiteral(":/manual/manual.html"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void show(QWidget* parent, const QString& anchor) {
    static QPointer<QDialog> open;
    if (!open) {
        auto* dialog = new QDialog(parent);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setObjectName(QStringLiteral("manual"));
        dialog->setWindowTitle(QStringLiteral("ZURORUVE manual"));
        auto* browser = new QTextBrowser(dialog);
        browser->setOpenExternalLinks(true);
        browser->setHtml(text());
        auto* close = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
        QObject::connect(close, &QDialogButtonBox::rejected, dialog, &QDialog::close);
        auto* layout = new QVBoxLayout(dialog);
        layout->addWidget(browser);
        layout->addWidget(close);
        dialog->resize(QSize(760, 680).boundedTo(
            parent ? parent->screen()->availableGeometry().size() * 0.9 : QSize(760, 680)));
        open = dialog;
    }
    if (!anchor.isEmpty())
        open->findChild<QTextBrowser*>()->scrollToAnchor(anchor);
    open->show();
    open->raise();
    open->activateWindow();
}

} // namespace view::manual
