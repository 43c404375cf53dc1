#pragma once
// The program's one window: the status log, the status line, the port list and the buttons.
//
// Names kept from the program's original design, on purpose and in their original case: the
// window and its controls (Form1, Text1, Text2, Label1, List1, cmdDownload, cmdExcel, cmdClear,
// MSComm1), the procedures the dialogues are built from (SubMain, OpenPort, WaitFor, Pause,
// SendText, Capture, DownloadData, ClearData, ProcessData, ShowFile, LogLine,
// SetStatus, DisableControls, EnableControls, MakeUserFolders, ReadIni, WriteIni, ToNumber), the
// serial control's members (CommPort, Settings, RTSEnable, Handshaking, InputMode, PortOpen,
// InBufferCount, Input, Output) and the field decoders (BytesToHex, BcdToDigits,
// DecodeTxPayload, DecodeFixed88, CountToTemperature, CountToHumidity). Every other name follows
// Qt's conventions (lowerCamelCase functions, CamelCase types), so a name's case tells which is
// which.

#include "app/statuslog.h"
#include "core/host.h"
#include "link/ports.h"

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

/// `Form1`: the main window, which also asks the user the read-out's questions.
class Form1 : public QWidget, public core::UserQuestions {
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    QPushButton* cmdDownload; // the Download button
    QPushButton* cmdExcel;    // "Open In Excel": hidden, only switched with the others
    QPlainTextEdit* Text1;    // the status log
    QLineEdit* Text2;         // the status line
    QLabel* Label1;           // "Port", the port list's caption
    QComboBox* List1;         // the port list, "1" to "16"
    QPushButton* cmdClear;    // the Clear button

    core::StatusLog& log() { return log_; }

    /// Selects an entry of the port list by its 0-based position; -1 selects nothing.
    /// Any other position is refused with an error, as the list has entries 0 to 15 only.
    void setListIndex(int position);

    /// `DisableControls`: the port list and the buttons off while a dialogue runs.
    void DisableControls();
    /// `EnableControls`: and on again after it.
    void EnableControls();

    /// The port numbers pointed at other devices, for the port list's tooltips and start-up's
    /// advice; none until set.
    void setPortDevices(const devicelink::PortDevices& devices) { portDevices_ = devices; }
    const devicelink::PortDevices& portDevices() const { return portDevices_; }

    /// Lets the buttons run Download and Clear in this session, decoded files opened in the
    /// editor of editorChoice(editorVariable).
    void useDevice(readout::Session& session, const QString& editorVariable = {});

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
    void nameControls();  // the names of the original design, for tests and accessibility
    void styleWindow();   // caption, icon, fixed frame and font
    void placeControls(); // geometry in twips, the log's settings and the tab order
    void runDialogue(const std::function<void()>& dialogue);

    TextBoxLog log_;
    devicelink::PortDevices portDevices_;
    bool busy_ = false;
    bool closeRequested_ = false;
};

} // namespace app
