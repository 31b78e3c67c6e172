#include "gui/windows/TForm3.h"

#include "core/disk/CreationRun.h"
#include "core/journal/RunJournal.h"
#include "core/journal/RunUndo.h"
#include "gui/models/FolderOutcomeText.h"
#include "gui/models/LogListModel.h"
#include "gui/qt/QtShiftJis.h"
#include "gui/widgets/JapaneseFont.h"
#include "gui/widgets/MessageBoxes.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QMetaObject>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QTimer>

#include <algorithm>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>
#include <utility>
#include <vector>

namespace edamaki {

namespace {
QString const SizeSetting = QStringLiteral("Window/LogSize");
} // namespace

namespace {

constexpr QRgb CreatedColour = qRgb(0, 0, 255);
constexpr QRgb ExistedColour = qRgb(0, 0, 0);
constexpr QRgb FailedColour = qRgb(255, 0, 0);
// A folder made that Windows clients of a share can't open.
constexpr QRgb WarningColour = qRgb(170, 85, 0);

constexpr int PanelHeight = 41;
constexpr int StatusLineHeight = 20;
// How often the window takes the lines a run has handed over.
constexpr int TakeIntervalMs = 40;

// The button's words: it stops a run, and closes the window after.
QString StopText()
{
    return QStringLiteral("中止");
}

QString CloseText()
{
    return QStringLiteral("閉じる");
}

QRgb ColourOf(FolderOutcome outcome)
{
    switch (outcome) {
    case FolderOutcome::Created:
        return CreatedColour;
    case FolderOutcome::Existed:
        return ExistedColour;
    case FolderOutcome::Failed:
        break;
    }
    return FailedColour;
}

// The lines a run has handed over to the window and not yet taken, and how
// the run ended. Shared between the run's thread and the window's.
struct LineHandOver {
    void Add(LogListModel::Line line, std::size_t folders)
    {
        std::lock_guard const lock(Mutex);
        Lines.push_back(std::move(line));
        FoldersHandled += folders;
    }

    void Finish(CreationSummary const& summary, std::optional<QString> error, std::string journal = {})
    {
        std::lock_guard const lock(Mutex);
        Summary = summary;
        Error = std::move(error);
        Journal = std::move(journal);
        Over = true;
    }

    std::mutex Mutex;
    std::vector<LogListModel::Line> Lines;
    std::size_t FoldersHandled = 0;
    bool Over = false;
    CreationSummary Summary;
    // What the run threw.
    std::optional<QString> Error;
    // The run's journal, when it made folders.
    std::string Journal;
};

// Makes one coloured line per folder on the run's thread and hands it over.
class HandOverSink final : public CreationSink {
public:
    explicit HandOverSink(LineHandOver& hand_over)
        : m_hand_over(hand_over)
    {
    }

    void FolderHandled(FolderReport const& report) override
    {
        // The path exactly as the file system got it; the tree's spelling when
        // it had no host spelling.
        QString text = report.HostPath.empty() ? ShiftJisToQString(report.Path)
                                               : QString::fromStdString(report.HostPath);
        m_hand_over.Add(
            { std::move(text), ColourOf(report.Outcome),
                OutcomeExplanation(report.Outcome, report.Cause, report.Reason, report.LinkTarget) },
            1);
        if (report.WindowsIssue != WindowsNameIssue::None)
            m_hand_over.Add(
                { QStringLiteral("　⚠ ") + WindowsIssueText(report.WindowsIssue), WarningColour, {} }, 0);
    }

    void NothingToCreate() override
    {
        m_hand_over.Add({ ShiftJisToQString(NothingToCreateMessage), FailedColour, {} }, 0);
    }

private:
    LineHandOver& m_hand_over;
};

// The run, on its own thread. Without a tree it logs that there is nothing
// to create.
// Every folder made goes in the run's journal as it is made, for undo.
CreationSummary CreateJournalled(FolderTree const& tree, HostFileSystem& file_system, CreationSink& sink,
    CreationOptions options, std::string const& source_name, std::string& journal_name)
{
    std::string parent_host;
    file_system.Names().AppendHostText(tree.GetRootPath(), parent_host);
    RunJournalWriter journal(JournalFolder(), parent_host, source_name);
    JournalSink journal_sink(sink, journal);
    options.BeforeCreate = journal.Announcer();
    CreationSummary const summary = CreateFolders(tree, file_system, journal_sink, options);
    journal_name = summary.Created > 0 ? journal.Name() : std::string();
    return summary;
}

void CreateInBackground(FolderTree const* tree, std::function<HostError(HostCall, char const*)> hook,
    std::string const& source_name, std::stop_token stop, LineHandOver& hand_over)
{
    CreationSummary summary;
    std::optional<QString> error;
    std::string journal_name;
    try {
        HandOverSink sink(hand_over);
        if (!tree) {
            sink.NothingToCreate();
        } else {
            HostFileSystem file_system;
            if (hook)
                file_system.SetCallHook(std::move(hook));
            CreationOptions options;
            options.Stop = std::move(stop);
            summary = CreateJournalled(*tree, file_system, sink, options, source_name, journal_name);
        }
    } catch (std::exception const& thrown) {
        error = QString::fromStdString(thrown.what());
    }
    hand_over.Finish(summary, std::move(error), std::move(journal_name));
}

QString Counts(CreationSummary const& summary)
{
    return QStringLiteral("作成 %L1 個、既存 %L2 個、失敗 %L3 個")
        .arg(static_cast<qulonglong>(summary.Created))
        .arg(static_cast<qulonglong>(summary.Existed))
        .arg(static_cast<qulonglong>(summary.Failed));
}

} // namespace

struct TForm3::Run {
    LineHandOver HandOver;
    // The window's side.
    std::size_t FolderCount = 0;
    std::size_t FoldersShown = 0;
    std::vector<LogListModel::Line> Taken;
    // Last, so that the thread is done before the rest goes.
    std::jthread Thread;
};

TForm3::TForm3(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Edamakiログリスト"));
    setSizeGripEnabled(false);
    setFont(JapaneseFont(ProportionalFamily, 12));
    QPalette window_palette = palette();
    window_palette.setColor(QPalette::Window, QColor(192, 192, 192));
    window_palette.setColor(QPalette::WindowText, QColor(0, 0, 128));
    window_palette.setColor(QPalette::ButtonText, QColor(0, 0, 128));
    setPalette(window_palette);
    setAutoFillBackground(true);

    m_log = new LogListModel(this);
    m_take_timer = new QTimer(this);
    m_take_timer->setInterval(TakeIntervalMs);
    connect(m_take_timer, &QTimer::timeout, this, &TForm3::TakeLines);

    LogList = new QListView(this);
    LogList->setObjectName(QStringLiteral("LogList"));
    LogList->setAccessibleName(QStringLiteral("作成ログ"));
    QFont const log_font = JapaneseFont(ProportionalFamily, 13);
    LogList->setFont(log_font);
    m_log->SetFont(log_font);
    QPalette log_palette = LogList->palette();
    log_palette.setColor(QPalette::Base, QColor(255, 251, 240));
    log_palette.setColor(QPalette::Text, QColor(0, 0, 128));
    LogList->setPalette(log_palette);
    LogList->setUniformItemSizes(true);
    LogList->setWordWrap(false);
    LogList->setTextElideMode(Qt::ElideNone);
    LogList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    LogList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    LogList->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    LogList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LogList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    LogList->setModel(m_log);
    // The status line follows the line under the pointer and the current line.
    LogList->setMouseTracking(true);
    LogList->viewport()->installEventFilter(this);
    connect(LogList, &QAbstractItemView::entered, this, [this](QModelIndex const& index) {
        m_hovered = index;
        UpdateStatusLine();
    });
    connect(LogList, &QAbstractItemView::viewportEntered, this, [this] {
        m_hovered = QPersistentModelIndex();
        UpdateStatusLine();
    });
    connect(LogList->selectionModel(), &QItemSelectionModel::currentChanged, this, &TForm3::UpdateStatusLine);
    auto* copy = new QAction(LogList);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    connect(copy, &QAction::triggered, this, &TForm3::CopySelectedLines);
    LogList->addAction(copy);

    StatusLine = new QLabel(this);
    StatusLine->setObjectName(QStringLiteral("StatusLine"));
    StatusLine->setContentsMargins(4, 0, 4, 0);
    StatusLine->setTextFormat(Qt::PlainText);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::NoFrame);

    CloseBtn = new QPushButton(CloseText(), Panel1);
    CloseBtn->setObjectName(QStringLiteral("CloseBtn"));
    CloseBtn->setGeometry(0, 10, 75, 25);
    CloseBtn->setDefault(true);
    CloseBtn->setAutoDefault(true);
    connect(CloseBtn, &QPushButton::clicked, this, &TForm3::CloseBtnClick);

    UndoBtn = new QPushButton(QStringLiteral("作成を取り消す(&U)"), Panel1);
    UndoBtn->setObjectName(QStringLiteral("UndoBtn"));
    UndoBtn->setGeometry(8, 10, std::max(100, UndoBtn->sizeHint().width()), 25);
    UndoBtn->setAutoDefault(false);
    UndoBtn->hide();
    connect(UndoBtn, &QPushButton::clicked, this, [this] { UndoCreation(m_run_journal); });

    // The position is the frame's; the size is the inside, as the frame is the desktop's.
    resize(FirstSize());
    move(495, 194);
    LayOutComponents();
}

TForm3::~TForm3()
{
    // A run still going is stopped, and its thread done, before the log goes.
    m_run.reset();
}

void TForm3::StartCreation(FolderTree const& tree, QString const& source_name)
{
    m_tree = &tree;
    m_source_name = source_name;
    m_run_journal.clear();
    UndoBtn->hide();
    m_log->Clear();
    m_hovered = QPersistentModelIndex();
    m_summary.clear();
    m_pending = true;
    CloseBtn->setText(StopText());
    UpdateStatusLine();
    exec();
    EndRunNow();
    m_pending = false;
    m_tree = nullptr;
}

void TForm3::ShowLog()
{
    exec();
}

void TForm3::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The run starts once the window is on the screen.
    if (m_pending)
        QMetaObject::invokeMethod(this, &TForm3::FormShow, Qt::QueuedConnection);
}

void TForm3::FormShow()
{
    if (!m_pending)
        return;
    m_pending = false;
    m_run = std::make_unique<Run>();
    if (m_tree && m_tree->NodeCount() > 0)
        m_run->FolderCount = m_tree->NodeCount() - 1;
    setCursor(Qt::BusyCursor);
    try {
        m_run->Thread = std::jthread([this, run = m_run.get(), tree = m_tree, hook = m_file_system_hook,
                                         source = m_source_name.toStdString()](std::stop_token stop) {
            CreateInBackground(tree, hook, source, std::move(stop), run->HandOver);
            // The window ends the run at once rather than at its next look.
            QMetaObject::invokeMethod(this, &TForm3::TakeLines, Qt::QueuedConnection);
        });
    } catch (std::exception const& error) {
        // No thread to be had: the run ends before it began, saying why.
        m_run->HandOver.Finish({}, QString::fromStdString(error.what()));
        QMetaObject::invokeMethod(this, &TForm3::TakeLines, Qt::QueuedConnection);
    }
    m_take_timer->start();
    CloseBtn->setFocus();
    UpdateStatusLine();
}

void TForm3::TakeLines()
{
    if (!m_run)
        return;
    Run& run = *m_run;
    bool over = false;
    {
        std::lock_guard const lock(run.HandOver.Mutex);
        run.Taken.swap(run.HandOver.Lines);
        run.FoldersShown = run.HandOver.FoldersHandled;
        over = run.HandOver.Over;
    }
    for (LogListModel::Line& line : run.Taken)
        m_log->Append(std::move(line.Text), line.Colour, std::move(line.Explanation));
    run.Taken.clear();
    if (over) {
        FinishRun();
        return;
    }
    m_log->Flush();
    LogList->scrollToBottom();
    UpdateStatusLine();
}

void TForm3::FinishRun()
{
    m_take_timer->stop();
    std::unique_ptr<Run> const run = std::move(m_run);
    if (run->Thread.joinable())
        run->Thread.join();
    CreationSummary const& summary = run->HandOver.Summary;
    m_run_journal = QString::fromStdString(run->HandOver.Journal);
    UndoBtn->setVisible(!m_run_journal.isEmpty());
    if (run->HandOver.Error) {
        m_log->Append(*run->HandOver.Error, FailedColour);
    } else if (summary.Stopped) {
        auto const not_tried = static_cast<qulonglong>(summary.NotTried);
        m_log->Append(QStringLiteral("中止しました。") + Counts(summary)
                + QStringLiteral("、未処理 %L1 個").arg(not_tried),
            FailedColour);
        // The same in fewer words: the status line doesn't scroll.
        m_summary = QStringLiteral("中止: 作成 %L1、既存 %L2、失敗 %L3、未処理 %L4 個")
                        .arg(static_cast<qulonglong>(summary.Created))
                        .arg(static_cast<qulonglong>(summary.Existed))
                        .arg(static_cast<qulonglong>(summary.Failed))
                        .arg(not_tried);
    } else if (m_tree && m_tree->NodeCount() >= 2) {
        m_summary = Counts(summary);
    }
    m_log->Flush();
    LogList->scrollToBottom();
    unsetCursor();
    CloseBtn->setText(CloseText());
    CloseBtn->setEnabled(true);
    CloseBtn->setFocus();
    UpdateStatusLine();
    emit RunFinished();
}

void TForm3::EndRunNow()
{
    if (!m_run)
        return;
    m_run->Thread.request_stop();
    if (m_run->Thread.joinable())
        m_run->Thread.join();
    TakeLines();
}

void TForm3::CloseBtnClick()
{
    if (m_pending)
        return;
    if (m_run) {
        RequestStop();
        return;
    }
    accept();
}

void TForm3::RequestStop()
{
    if (!m_run || !m_run->Thread.request_stop())
        return;
    // Pressed once: the run finishes the folders in hand, then the button closes.
    CloseBtn->setEnabled(false);
    UpdateStatusLine();
}

bool TForm3::FormCloseQuery() const
{
    return !m_pending && !m_run;
}

// Escape, like closing the window, stops a run instead.
void TForm3::reject()
{
    if (!FormCloseQuery()) {
        RequestStop();
        return;
    }
    QDialog::reject();
}

void TForm3::closeEvent(QCloseEvent* event)
{
    if (!FormCloseQuery()) {
        RequestStop();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TForm3::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    // The window system's resizes are the user's; the program's own are not kept.
    if (event->spontaneous() && isVisible())
        m_user_sized = true;
    LayOutComponents();
}

void TForm3::hideEvent(QHideEvent* event)
{
    if (m_user_sized)
        QSettings().setValue(SizeSetting, size());
    QDialog::hideEvent(event);
}

QSize TForm3::FirstSize() const
{
    QSize const remembered = QSettings().value(SizeSetting).toSize();
    if (remembered.isValid())
        return remembered;
    // Wide enough for the longest summary line, that of a stopped run, with
    // figures in the millions, on a screen that has the room.
    QString const longest = QStringLiteral("中止しました。作成 1,000,000 個、既存 1,000,000 個、"
                                           "失敗 1,000,000 個、未処理 1,000,000 個");
    int width = LogList->fontMetrics().horizontalAdvance(longest)
        + LogList->verticalScrollBar()->sizeHint().width() + 4 * LogList->frameWidth() + 16;
    if (QScreen const* screen = this->screen())
        width = std::min(width, screen->availableGeometry().width() * 9 / 10);
    return { std::max(width, 385), 302 };
}

void TForm3::LayOutComponents()
{
    int const log_height = std::max(0, height() - PanelHeight - StatusLineHeight);
    LogList->setGeometry(0, 0, width(), log_height);
    StatusLine->setGeometry(0, log_height, width(), StatusLineHeight);
    Panel1->setGeometry(0, log_height + StatusLineHeight, width(), PanelHeight);
    FormResize();
}

void TForm3::FormResize()
{
    CloseBtn->move((Panel1->contentsRect().width() - CloseBtn->width()) / 2, CloseBtn->y());
}

bool TForm3::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == LogList->viewport() && event->type() == QEvent::Leave) {
        m_hovered = QPersistentModelIndex();
        UpdateStatusLine();
    }
    return QDialog::eventFilter(watched, event);
}

void TForm3::UpdateStatusLine()
{
    if (m_run) {
        bool const stopping = m_run->Thread.get_stop_token().stop_requested();
        StatusLine->setText((
            stopping ? QStringLiteral("中止しています… %L1 / %L2 個") : QStringLiteral("作成中 %L1 / %L2 個"))
                                .arg(static_cast<qulonglong>(m_run->FoldersShown))
                                .arg(static_cast<qulonglong>(m_run->FolderCount)));
        return;
    }
    QString text = m_hovered.data(Qt::StatusTipRole).toString();
    if (text.isEmpty())
        text = LogList->currentIndex().data(Qt::StatusTipRole).toString();
    if (text.isEmpty())
        text = m_summary;
    StatusLine->setText(text);
}

void TForm3::CopySelectedLines()
{
    QModelIndexList selected = LogList->selectionModel()->selectedRows();
    std::sort(selected.begin(), selected.end());
    QStringList lines;
    for (QModelIndex const& index : selected)
        lines.append(index.data().toString());
    if (!lines.isEmpty())
        QGuiApplication::clipboard()->setText(lines.join(QLatin1Char('\n')));
}

} // namespace edamaki

namespace edamaki {

namespace {

// The folders an undo would take, and those it would keep with why.
struct UndoPlan {
    QStringList Removed;
    QStringList Kept;
};

UndoPlan PlanUndo(RunJournal const& journal, std::string const& folder)
{
    UndoPlan plan;
    UndoRun(journal, folder,
        [&plan](UndoReport const& report) {
            QString const path = QString::fromStdString(report.HostPath);
            if (report.Outcome == UndoOutcome::Removed)
                plan.Removed.append(path);
            else if (report.Outcome != UndoOutcome::Gone)
                plan.Kept.append(path + QStringLiteral("（残します: ") + QString::fromStdString(report.Reason)
                    + QStringLiteral("）"));
        },
        { .DryRun = true });
    return plan;
}

std::optional<RunJournal> FindJournal(std::string const& folder, QString const& run_name)
{
    if (!run_name.isEmpty())
        return ReadJournal(folder, run_name.toStdString());
    std::vector<RunJournal> journals = ListJournals(folder);
    if (journals.empty())
        return std::nullopt;
    return std::move(journals.back());
}

// Asks before anything goes, naming every folder that would.
bool ConfirmUndo(QWidget* parent, RunJournal const& journal, UndoPlan const& plan)
{
    QMessageBox box(QMessageBox::Question, MessageTitle(QMessageBox::Question),
        QStringLiteral("この作成で作ったフォルダ %L1 個を削除しますか？\n親フォルダ: %2")
            .arg(plan.Removed.size())
            .arg(QString::fromStdString(journal.ParentFolder)),
        QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    constexpr int ShownLines = 15;
    QStringList shown = plan.Removed.mid(0, ShownLines);
    if (plan.Removed.size() > ShownLines)
        shown.append(QStringLiteral("ほか %L1 個").arg(plan.Removed.size() - ShownLines));
    box.setInformativeText(shown.join(QLatin1Char('\n')));
    box.setDetailedText(QStringLiteral("削除するフォルダ:\n") + plan.Removed.join(QLatin1Char('\n'))
        + (plan.Kept.isEmpty() ? QString()
                               : QStringLiteral("\n\n残すフォルダ:\n") + plan.Kept.join(QLatin1Char('\n'))));
    return box.exec() == QMessageBox::Yes;
}

QRgb ColourOf(UndoOutcome outcome)
{
    switch (outcome) {
    case UndoOutcome::Removed:
        return CreatedColour;
    case UndoOutcome::Kept:
    case UndoOutcome::Gone:
        return ExistedColour;
    case UndoOutcome::Failed:
        break;
    }
    return FailedColour;
}

} // namespace

void TForm3::UndoCreation(QString const& run_name)
{
    if (m_pending || m_run)
        return;
    QWidget* const owner = isVisible() ? static_cast<QWidget*>(this) : parentWidget();
    std::string const folder = JournalFolder();
    std::optional<RunJournal> const journal = FindJournal(folder, run_name);
    if (!journal || journal->Undone) {
        ShowMessage(owner, QMessageBox::Information,
            journal ? QStringLiteral("この作成は取り消し済みです。")
                    : QStringLiteral("取り消せる作成がありません。"));
        return;
    }
    UndoPlan const plan = PlanUndo(*journal, folder);
    if (plan.Removed.isEmpty()) {
        ShowMessage(owner, QMessageBox::Information,
            QStringLiteral("削除できるフォルダはありません。")
                + (plan.Kept.isEmpty() ? QString() : QLatin1Char('\n') + plan.Kept.join(QLatin1Char('\n'))));
        return;
    }
    if (!ConfirmUndo(owner, *journal, plan))
        return;
    bool const shown = isVisible();
    if (!shown) {
        m_log->Clear();
        m_summary.clear();
    }
    m_log->Append(
        QStringLiteral("作成の取り消し: %1").arg(QString::fromStdString(journal->Name)), ExistedColour);
    UndoSummary const summary = UndoRun(*journal, folder, [this](UndoReport const& report) {
        if (report.Outcome == UndoOutcome::Gone)
            return;
        QString const path = QString::fromStdString(report.HostPath);
        QString const reason = QString::fromStdString(report.Reason);
        QString const text
            = report.Outcome == UndoOutcome::Removed ? path : path + QStringLiteral(": ") + reason;
        m_log->Append(text, ColourOf(report.Outcome), reason);
    });
    m_summary = QStringLiteral("取り消し: 削除 %L1 個、残し %L2 個、失敗 %L3 個")
                    .arg(static_cast<qulonglong>(summary.Removed))
                    .arg(static_cast<qulonglong>(summary.Kept))
                    .arg(static_cast<qulonglong>(summary.Failed));
    m_log->Append(m_summary, summary.Kept + summary.Failed > 0 ? FailedColour : ExistedColour);
    m_log->Flush();
    LogList->scrollToBottom();
    if (summary.Kept + summary.Failed == 0 && journal->Name == m_run_journal.toStdString())
        UndoBtn->hide();
    UpdateStatusLine();
    if (!shown)
        exec();
}

} // namespace edamaki
