#pragma once
// zelm-view's window: a sensor list, one chart per quantity against time, a statistics table
// with what was read, exports, a manual. What it shows is a Document; the charts are
// ChartPanels, their painting chartpainter's, the files exports'.

#include "view/model/document.h"
#include "view/model/statisticstable.h"
#include "view/render/exports.h"

#include "view/model/words.h"

#include <QMainWindow>
#include <memory>

class QFileSystemWatcher;
class QLabel;
class QMenu;
class QTabWidget;
class QTimer;
class QListWidget;
class QScrollArea;
class QSplitter;
class QStackedWidget;
class QTableView;
class QVBoxLayout;

namespace view {
inline namespace model {
class HistoryReader;
} // namespace model
} // namespace view

namespace view {
inline namespace window {

class ChartPanel;

class Viewer : public QMainWindow {
    Q_OBJECT
public:
    explicit Viewer(QWidget* parent = nullptr);
    ~Viewer() override;
    /// The main program's folder of kept downloads: where Open starts, and the history shown
    /// as "Kept downloads" when it is what is open.
    void setKeptFolder(const QString& folder) { keptFolder_ = folder; }
    /// Reads the names, calibrations and limits of the sensors from the settings file at path,
    /// which the Sensors dialog writes, and shows what is open with them (the sensors ticked and
    /// the zoom kept); before the window is shown, also its size and sensor list's width as it
    /// was closed with. False with why when the file could not be read (missing, or not a
    /// regular file): then no settings apply.
    bool setSettingsFile(const QString& path, QString& why);
    /// Lines of the settings file read as missing, each "FILE line N: Key=value: why", and a
    /// file that could not be read.
    QStringList settingsIgnored() const;
    /// Reads and merges the files and folders, and follows them: files added to the folders
    /// appear as they come. False, with error set to one line naming what was read, when they
    /// hold no readings; the window then keeps what it showed (where it showed nothing, it
    /// follows them until readings come).
    bool open(const QStringList& paths, QString& error);
    /// Reads what is new in the files and folders open (F5): new files alone, or everything again
    /// where a file read before changed or went away; the sensors ticked and the zoom stay.
    void reload();
    /// The folders followed for new files.
    QStringList followedFolders() const;
    /// The status bar's mark of whether the files read are as their journal of read-outs has
    /// them: "Verified", "N problems" or "No journal", each problem in its tooltip.
    const QLabel* verificationMark() const { return verified_; }
    /// Shows readings read already, from what title names.
    void showReport(Report report, const QString& title);
    /// Says in the window where it looked when there was nothing to show.
    void showNothing(const QString& message);
    const Document& document() const { return document_; }
    /// Writes an export of what the window shows: the sensors ticked (at most kMaxDrawn) and,
    /// for PNG and SVG, the time range shown and the lines the legends switched off.
    bool exportTo(Export kind, const QString& path, QString& error) const;
    /// Edits the sensors' names, calibrations and limits; OK writes the settings file.
    void editSensors();
    /// The time range every chart shows, and the ways the keys change it.
    TimeRange timeRange() const { return range_; }
    void setTimeRange(const TimeRange& range);
    void zoomBy(double factor);
    void panBy(double share);
    void resetZoom();
    /// Which sensors are ticked in the list, by sensor number.
    QList<bool> tickedSensors() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    /// Charts, sensor list, statistics and status from the document; again: keep the sensors
    /// ticked and the zoom, only the settings changed.
    void rebuild(bool again);
    // The constructor's and rebuild's steps.
    void setUpFollowing();
    QWidget* buildSensorList();
    void buildChartsPage();
    QWidget* buildStatisticsTab();
    void buildStatusBar();
    /// Resizes to size within what the screen leaves.
    void resizeWithin(QSize size);
    void buildCharts();
    void fillSensorList(bool again, const QList<bool>& ticked);
    void showRead();
    void buildMenus();
    void openChosen(const QStringList& paths);
    void exportChosen(Export kind);
    enum class Choice { Most, All, None };
    /// Ticks sensors in the list: the kMaxDrawn with most readings, all or none.
    void chooseSensors(Choice choice);
    void sensorsChanged();
    /// The sensor list as wide as its names, within a share of the window.
    void fitSensorList();
    /// Checks the files read against their journals: the status bar's mark and the PDF's words.
    void verify();
    /// Follows the journals of the folders followed too: a line added is a new check.
    void followJournals();
    void showManual();
    void showAbout();
    void printReport();
    /// The View menu's lines of each chart, switched on and off as a legend's click does.
    void fillLines(QMenu* menu);

    Document document_;
    std::unique_ptr<HistoryReader> history_; // what is open, followed
    QFileSystemWatcher* watcher_;
    QTimer* follow_; // a moment after a folder changed: its files are then written whole
    bool keptDownloads_ = false;
    QString keptFolder_; // the main program's kept downloads, where Open starts
    QString settingsPath_;
    QString settingsUnread_; // why the settings file could not be read, where it exists
    QString layoutRead_;     // the window's size and list width as the settings file had them
    QString exportFolder_;
    TimeRange range_;
    QList<ChartPanel*> panels_;
    QSplitter* split_;
    QListWidget* sensors_;
    QStackedWidget* chartsPage_;
    QLabel* nothing_;
    QScrollArea* scroll_;
    QWidget* charts_;
    QVBoxLayout* chartsLayout_;
    QLabel* summary_;
    QLabel* status_; // what was read, in the status bar, beside what a menu entry says
    QLabel* verified_;
    QTabWidget* tabs_;
    StatisticsTable* statisticsModel_;
    QTableView* statistics_;
    QListWidget* skipped_;
};

} // namespace window
} // namespace view
