#pragma once
// The program's one window: the status log, the status line, the port list and the buttons.

#include "app/statuslog.h"
#include "core/host.h"

#include <QWidget>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace devicelink {
struct Context;
}

namespace app {

class Form1 : public QWidget, public core::UserQuestions {
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    QPushButton* cmdDownload;
    QPushButton* cmdExcel;
    QPlainTextEdit* Text1;
    QLineEdit* Text2;
    QLabel* Label1;
    QComboBox* List1;
    QPushButton* cmdClear;

    core::StatusLog& log() { return log_; }

    /// Selects an entry of the port list by its 0-based position; -1 selects nothing.
    /// Any other position is refused with an error, as the list has entries 0 to 15 only.
    void SetListIndex(int position);

    void DisableControls();
    void EnableControls();

    /// Lets the buttons run Download and Clear on this serial line.
    void UseDevice(devicelink::Context& context);

    /// What the two buttons run between disabling and enabling the controls.
    std::function<void()> onDownload;
    std::function<void()> onClear;

    /// True once the user asked to close the window during a dialogue.
    bool closeRequested() const { return closeRequested_; }

    bool Confirm(const QString& text) override;
    void Message(const QString& text) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void runDialogue(const std::function<void()>& dialogue);

    TextBoxLog log_;
    bool busy_ = false;
    bool closeRequested_ = false;
};

} // namespace app
