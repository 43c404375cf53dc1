#include "app/form1.h"

#include "app/dialogues.h"
#include "app/icon.h"
#include "link/ports.h"
#include "readout/readout.h"
#include "settings/ini.h"
#include "view/manual/manual.h"
#include "view/render/readoutsummary.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTextDocument>
#include <exception>
#include <stdexcept>

namespace app {

namespace {

// Positions are kept in twips as designed; 15 twips make one pixel at 96 dpi, and Qt scales
// the pixels for high-DPI screens.
constexpr int kTwipsPerPixel = 15;
QRect twips(int left, int top, int width, int height) {
    return QRect(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
                 height / kTwipsPerPixel);
}

const QString kTitle = QStringLiteral("ZURORUVE");

// The port list: each entry's tooltip names the device it opens. The system is asked when the
// list opens, not at start-up, so the window is up at once and an adapter plugged in later
// shows as well.
class PortList : public QComboBox {
public:
    PortList(QWidget* parent, const devicelink::PortDevices& devices)
        : QComboBox(parent), devices_(devices) {}
    void showPopup() override {
        const QStringList tips = devicelink::portToolTips(count(), devices_);
        for (int i = 0; i < count(); ++i)
            setItemData(i, // a device's name is text: escaped where Qt would take it for markup
                        Qt::mightBeRichText(tips[i]) ? Qt::convertFromPlainText(tips[i]) : tips[i],
                        Qt::ToolTipRole);
        QComboBox::showPopup();
    }

private:
    const devicelink::PortDevices& devices_; // the window's
};

} // namespace

Form1::Form1(QWidget* parent)
    : QWidget(parent), cmdDownload(new QPushButton("Download", this)),
      cmdExcel(new QPushButton("Open In Excel", this)), Text1(new QPlainTextEdit("Text1", this)),
      Text2(new QLineEdit("Text2", this)), Label1(new QLabel("Port", this)),
      List1(new PortList(this, portDevices_)), cmdClear(new QPushButton("Clear", this)),
      log_(*Text1, *Text2) {
    nameControls();
    styleWindow();
    placeControls();

    // F1: the user's manual, also while a dialogue runs.
    connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this,
            [this] { view::manual::show(this, QStringLiteral("window")); });
    connect(cmdDownload, &QPushButton::clicked, this, [this] { runDialogue(onDownload); });
    connect(cmdClear, &QPushButton::clicked, this, [this] { runDialogue(onClear); });
}

Form1::~Form1() = default;

void Form1::nameControls() {
    setObjectName("Form1");
    cmdDownload->setObjectName("cmdDownload");
    cmdExcel->setObjectName("cmdExcel");
    Text1->setObjectName("Text1");
    Text2->setObjectName("Text2");
    Label1->setObjectName("Label1");
    List1->setObjectName("List1");
    cmdClear->setObjectName("cmdClear");
}

void Form1::styleWindow() {
    setWindowTitle("ZURO Ruve");
    setWindowIcon(programIcon());
    // A fixed frame: no resizing and no maximise button.
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(twips(0, 0, 7635, 4335).size());

    // Where "MS Sans Serif" is missing, the system's own sans serif stands in, named here so that
    // the font is found at once rather than by a search through every installed font.
    QFont font;
    font.setFamilies(
        {"MS Sans Serif", QFontDatabase::systemFont(QFontDatabase::GeneralFont).family()});
    font.setPointSizeF(13.5);
    font.setWeight(QFont::Normal);
    font.setStyleHint(QFont::SansSerif);
    setFont(font);
}

void Form1::placeControls() {
    cmdDownload->setGeometry(twips(2040, 3720, 1815, 495));
    cmdExcel->setGeometry(twips(3960, 3720, 2295, 495));
    cmdExcel->setVisible(false);
    Text1->setGeometry(twips(120, 120, 7335, 3015));
    Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The log is the program's record of what it did: read-only, its text still selectable and
    // copied by mouse and keyboard, and Tab moves on to the next control.
    Text1->setReadOnly(true);
    Text1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Text1->setTabChangesFocus(true);
    Text2->setGeometry(twips(120, 3240, 7335, 375));
    Label1->setGeometry(twips(120, 3720, 735, 375));
    List1->setGeometry(twips(960, 3720, 975, 480));
    List1->setEditable(false);
    cmdClear->setGeometry(twips(6360, 3720, 1095, 495));

    Label1->setFocusPolicy(Qt::NoFocus);
    setTabOrder(cmdDownload, cmdExcel);
    setTabOrder(cmdExcel, Text1);
    setTabOrder(Text1, Text2);
    setTabOrder(Text2, List1);
    setTabOrder(List1, cmdClear);
    cmdDownload->setFocus();
}

void Form1::useDevice(readout::Session& session, const QString& editorVariable) {
    // After each read-out, what came in.
    const auto told = [this, &session](const readout::Result& out) {
        if (out.reached >= readout::Stage::Kept && !out.kept.copyPath.isEmpty())
            view::tellReadOut(log_, out.kept.copyPath, session.folder.file(settings::kIniFile));
    };
    onDownload = [this, &session, told, editorVariable] {
        told(DownloadData(session, List1->currentIndex(), editorVariable));
    };
    onClear = [this, &session, told] { told(ClearData(session, List1->currentIndex())); };
}

QString Form1::stopReason() const {
    return closeRequested_ ? QStringLiteral("Stopped: the window is being closed") : QString();
}

void Form1::setListIndex(int position) {
    if (position < -1 || position >= List1->count())
        throw std::invalid_argument("Invalid property value: the port list has no entry " +
                                    std::to_string(position + 1) + " (ports 1 to " +
                                    std::to_string(List1->count()) + ")");
    List1->setCurrentIndex(position);
}

void Form1::DisableControls() {
    List1->setEnabled(false);
    cmdDownload->setEnabled(false);
    cmdExcel->setEnabled(false); // hidden, yet switched with the others: kept as designed
    cmdClear->setEnabled(false);
}

void Form1::EnableControls() {
    List1->setEnabled(true);
    cmdDownload->setEnabled(true);
    cmdExcel->setEnabled(true); // hidden, yet switched with the others: kept as designed
    cmdClear->setEnabled(true);
}

void Form1::runDialogue(const std::function<void()>& dialogue) {
    if (busy_)
        return;
    busy_ = true;
    DisableControls();
    try {
        if (dialogue)
            dialogue();
    } catch (const std::exception& e) {
        // Nothing below the window lets an error through on purpose; should one escape, it
        // is told in one line and the window stays usable.
        log_.LogLine("ERROR: " + QString::fromLocal8Bit(e.what()), core::Severity::Error);
    }
    EnableControls();
    busy_ = false;
    if (closeRequested_)
        close();
}

void Form1::closeEvent(QCloseEvent* event) {
    if (busy_) {
        // The running dialogue notices this on its next pass, closes the port and returns;
        // the window closes then.
        closeRequested_ = true;
        event->ignore();
        return;
    }
    event->accept();
}

bool Form1::confirm(const QString& text) {
    QMessageBox box(QMessageBox::Question, kTitle, text, QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::No);
    box.setTextFormat(Qt::PlainText); // a path or a system's message is text, never markup
    return box.exec() == QMessageBox::Yes;
}

void Form1::message(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, kTitle, text, QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace app
