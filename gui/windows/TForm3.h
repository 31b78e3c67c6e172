#pragma once

// The log window: runs the creation of the folders and lists each folder it
// handled, coloured by outcome. It keeps the log of the last run. A status
// line under the list says why the line under the pointer (or the current
// line) failed, and otherwise how many folders the run created, found and
// failed.

#include "core/tree/FolderTree.h"

#include <QDialog>
#include <QPersistentModelIndex>
#include <QString>

class QFrame;
class QLabel;
class QListView;
class QPushButton;

namespace edamaki {

class LogListModel;

class TForm3 : public QDialog {
    Q_OBJECT

public:
    explicit TForm3(QWidget* parent = nullptr);
    ~TForm3() override;

    // Clears the log, disables CloseBtn and shows the window modally; the run
    // takes place once the window shows. Returns when the user has closed it.
    void StartCreation(FolderTree const& tree);
    // Shows the window modally with the last run's log.
    void ShowLog();

    // The run over the whole tree; appends one coloured line per folder.
    void CreateFolders();
    // The window may close only when no run is pending or in progress.
    bool FormCloseQuery() const;
    // Centres CloseBtn in Panel1.
    void FormResize();

    // The log as the user sees it: one row per line, colour in Qt::ForegroundRole.
    LogListModel& Log() { return *m_log; }

    QListView* LogList = nullptr;
    QLabel* StatusLine = nullptr;
    QFrame* Panel1 = nullptr;
    QPushButton* CloseBtn = nullptr;

    void reject() override;

signals:
    // The run is over and CloseBtn enabled again.
    void RunFinished();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Runs the pending creation; nothing when CloseBtn is enabled.
    void FormShow();
    // Puts the lines logged so far on the screen at once, without handling input.
    void PaintLogSoFar();
    // LogList fills the window above Panel1, which keeps to the bottom edge.
    void LayOutComponents();
    void CopySelectedLines();
    // The explanation of the hovered line, else of the current line, else
    // the run's summary.
    void UpdateStatusLine();

    LogListModel* m_log = nullptr;
    FolderTree const* m_tree = nullptr;
    QPersistentModelIndex m_hovered;
    QString m_summary;
};

} // namespace edamaki
