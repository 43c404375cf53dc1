#pragma once
// The status log and status line on the window's two text boxes.

#include "core/host.h"

class QLineEdit;
class QPlainTextEdit;

namespace app {

/// Writes the status log into a multi-line box and the status line into a single-line box.
/// Lines are kept as the box's own lines; the caret ends at the end of the last line written.
class TextBoxLog : public core::StatusLog {
public:
    TextBoxLog(QPlainTextEdit& log, QLineEdit& status) : log_(log), status_(status) {}
    void LogLine(const QString& text, core::Severity severity = core::Severity::Info) override;
    void SetStatus(const QString& text) override;
    void showStatusNow() override;

private:
    QPlainTextEdit& log_;
    QLineEdit& status_;
};

} // namespace app
