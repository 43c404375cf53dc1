#pragma once
// The program's one window: the status log, the status line, the port list and the buttons.
//
// Names kept from the program's original design, on purpose and in their original case: the
// window and its controls (Form1, Text1, Text2, Label1, List1, cmdDownload, cmdExcel, cmdClear,
// MSComm1), the procedures the dialogues are built from (SubMain, OpenPort, WaitFor, Pause,
// SendText, Capture, CapturedText, DownloadData, ClearData, ProcessData, ShowFile, LogLine,
// SetStatus, DisableControls, EnableControls, MakeUserFolders, ReadIni, WriteIni, ToNumber), the
// serial control's members (CommPort, Settings, RTSEnable, Handshaking, InputMode, PortOpen,
// InBufferCount, Input, Output) and the field decoders (BytesToHex, BcdToDigits,
// DecodeTxPayload, DecodeFixed88, CountToTemperature, CountToHumidity). Every other name follows
// Qt's conventions (lowerCamelCase functions, CamelCase types), so a name's case tells which is
// which.

#include "app/statuslog.h"
#include "core/host.h"

#include <QWidget>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace readout {
struct Session;
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
    void setListIndex(int position);

    void DisableControls();
    void EnableControls();

    /// Lets the buttons run Download and Clear in this session.
    void useDevice(readout::Session& session);

    /// What the two buttons run between disabling and enabling the controls.
    std::function<void()> onDownload;
    std::function<void()> onClear;

    /// True once the user asked to close the window during a dialogue.
    bool closeRequested() const { return closeRequested_; }
    /// Why a running dialogue is to stop, as a line for the log, or nothing.
    QString stopReason() const;

    bool confirm(const QString& text) override;
    void message(const QString& text) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void runDialogue(const std::function<void()>& dialogue);

    TextBoxLog log_;
    bool busy_ = false;
    bool closeRequested_ = false;
};

} // namespace app
