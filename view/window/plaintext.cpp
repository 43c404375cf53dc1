#include "view/window/plaintext.h"

#include "view/model/words.h"

#include <QMessageBox>
#include <QTextDocument>

namespace view {
inline namespace window {

QString plainToolTip(const QString& text) {
    // A tooltip is rich text where Qt::mightBeRichText says so: then escaped, else as it is.
    return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal) : text;
}

void warnPlain(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Warning, kViewerName, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace window
} // namespace view
