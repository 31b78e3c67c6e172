#pragma once

// The log window: runs the creation of the folders and lists each folder it
// handled, coloured by outcome. It keeps the log of the last run. The run
// goes on a thread of its own, so the window stays live: the status line
// shows how far it got, and the button under the list stops it. Once the
// run is over, the status line says why the line under the pointer (or the
// current line) failed, and otherwise how many folders the run created,
// found and failed.

#include "core/disk/HostFileSystem.h"
#include "core/tree/FolderTree.h"

#include <QDialog>
#include <QPersistentModelIndex>
#include <QString>

#include <functional>
#include <memory>

class QFrame;
class QLabel;
class QListView;
class QPushButton;
class QTimer;

namespace edamaki {

class LogListModel;

class TForm3 : public QDialog {
    Q_OBJECT

public:
    explicit TForm3(QWidget* parent = nullptr);
    ~TForm3() override;

    // Clears the log and shows the window modally; the run starts once the
    // window shows, over `tree`, which must stay as it is until this
    // returns. Returns when the run is over and the user has closed the window.
    // `source_name` names the source in the run's journal.
    void StartCreation(FolderTree const& tree, QString const& source_name = {});
    // Shows the window modally with the last run's log.
    void ShowLog();
    // Takes back the run the journal names (the last run when empty): shows
    // what would be removed and asks first; the outcome goes to the log.
    // Runs on this thread: a run makes at most what a share takes minutes
    // over, and undo asks the disk four times a folder.
    void UndoCreation(QString const& run_name = {});

    // For tests: every call of the run to the file system goes through
    // `hook` first (see HostFileSystem::SetCallHook), on the run's threads.
    void SetFileSystemHook(std::function<HostError(HostCall, char const* name)> hook)
    {
        m_file_system_hook = std::move(hook);
    }

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
    // Shown after a run that made folders: takes that run back.
    QPushButton* UndoBtn = nullptr;

    void reject() override;

signals:
    // The run is over (done, stopped or failed) and CloseBtn closes again.
    void RunFinished();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Remembers the size the user gave it, for the next start.
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The remembered size, else one that shows the longest summary line whole.
    QSize FirstSize() const;
    bool m_user_sized = false;
    struct Run;

    // Starts the pending run.
    void FormShow();
    // Closes the window, or during a run asks the run to stop.
    void CloseBtnClick();
    void RequestStop();
    // Moves the lines the run has handed over into the log, and ends the run
    // once it is over.
    void TakeLines();
    void FinishRun();
    // Stops a run still going when the window went away, and waits for it.
    void EndRunNow();
    // LogList fills the window above Panel1, which keeps to the bottom edge.
    void LayOutComponents();
    void CopySelectedLines();
    // During a run its progress; afterwards the explanation of the hovered
    // line, else of the current line, else the run's summary.
    void UpdateStatusLine();

    LogListModel* m_log = nullptr;
    QTimer* m_take_timer = nullptr;
    FolderTree const* m_tree = nullptr;
    // StartCreation was called and the run has not started yet.
    bool m_pending = false;
    // The run in progress; none between runs.
    std::unique_ptr<Run> m_run;
    std::function<HostError(HostCall, char const*)> m_file_system_hook;
    QPersistentModelIndex m_hovered;
    QString m_summary;
    QString m_source_name;
    // The journal of the last run, when it made folders.
    QString m_run_journal;
};

} // namespace edamaki
