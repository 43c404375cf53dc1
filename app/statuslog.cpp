#include "app/statuslog.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

namespace app {

void TextBoxLog::LogLine(const QString& text, core::Severity) {
    // The window shows every line alike, as it always has.
    if (text.isEmpty()) {
        log_.clear();
        return;
    }
    // Appended at the very end, after whatever the user may have typed into the box.
    QString line = text;
    line.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QTextCursor cursor(log_.document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(line + u'\n');
    // The caret stands at the end of the last line written, not on the empty line after it.
    const int length = log_.document()->characterCount() - 1;
    cursor.setPosition(length - 1);
    log_.setTextCursor(cursor);
    log_.ensureCursorVisible();
    // Lines do not wrap; a long one is shown from its start, where an error says what failed.
    log_.horizontalScrollBar()->setValue(log_.horizontalScrollBar()->minimum());
}

void TextBoxLog::SetStatus(const QString& text) {
    status_.setText(text);
}

void TextBoxLog::showStatusNow() {
    // Paints just this box, without letting other events run.
    if (status_.isVisible())
        status_.repaint();
}

} // namespace app
