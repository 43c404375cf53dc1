#pragma once
// The user's manual of ZURORUVE and the ZELM Report Viewer, built into both programs from its
// own source (docs/manual.html, this platform's parts) and installed beside them.

#include <QString>

class QWidget;

namespace view::manual {

/// The manual's text: HTML, this platform's parts only.
QString text();
/// Shows the manual beside parent, at the section anchor names ("viewer"); one window, raised
/// where it is open already.
void show(QWidget* parent, const QString& anchor = {});

} // namespace view::manual
