#pragma once
// Data shown in widgets as what it is, text: Qt takes a string that looks like HTML for rich text
// in tooltips and message boxes (and in labels left at Qt::AutoText), where a file name or a
// settings line such as "<b>x<img src=...>" would turn bold and load an image.

#include <QString>

class QWidget;

namespace view {
inline namespace window {

/// A tooltip that shows text as it is written: escaped, its line breaks kept.
QString plainToolTip(const QString& text);
/// A warning box of zelm-view whose text is shown as written.
void warnPlain(QWidget* parent, const QString& text);

} // namespace window
} // namespace view
