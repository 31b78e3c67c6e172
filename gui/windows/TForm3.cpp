#include "gui/windows/TForm3.h"

#include "core/disk/CreationRun.h"
#include "gui/models/LogListModel.h"
#include "gui/qt/QtShiftJis.h"
#include "gui/widgets/JapaneseFont.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFrame>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QMetaObject>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>
#include <exception>
#include <functional>

namespace edamaki {

namespace {

constexpr QRgb CreatedColour = qRgb(0, 0, 255);
constexpr QRgb ExistedColour = qRgb(0, 0, 0);
constexpr QRgb FailedColour = qRgb(255, 0, 0);

constexpr int PanelHeight = 41;
constexpr int StatusLineHeight = 20;
// How often a long run puts its progress on the screen.
constexpr qint64 PaintIntervalMs = 40;

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

// Why a folder failed, or where the link it passed through leads, in the
// user's words; empty for a line that needs no word.
QString Explanation(FolderReport const& report)
{
    if (report.Outcome != FolderOutcome::Failed) {
        if (report.LinkTarget.empty())
            return {};
        return QStringLiteral("親フォルダの外へのリンクです: %1")
            .arg(QString::fromStdString(report.LinkTarget));
    }
    switch (report.Cause) {
    case FailureCause::NoPermission:
        return QStringLiteral("アクセス権がないため作成できません。");
    case FailureCause::NoSpace:
        return QStringLiteral("ディスクに空きがないため作成できません。");
    case FailureCause::ReadOnly:
        return QStringLiteral("書き込みのできない場所のため作成できません。");
    case FailureCause::InTheWay:
        return QStringLiteral("同じ名前のファイルがあるため作成できません。");
    case FailureCause::MissingAbove:
        return QStringLiteral("上のフォルダがないため作成できません。");
    case FailureCause::NameTooLong:
        return QStringLiteral("名前かパスが長すぎるため作成できません。");
    case FailureCause::InvalidName:
        return QStringLiteral("フォルダ名に使えない名前です。");
    case FailureCause::NotTried:
        return QStringLiteral("上のフォルダの名前が使えないため、作成していません。");
    case FailureCause::LinkNotFollowed:
        return QStringLiteral("リンクをたどらないため、作成していません。");
    case FailureCause::UnusableParentFolder:
        return QStringLiteral("親フォルダが使えないため、作成していません。");
    case FailureCause::None:
    case FailureCause::Other:
        break;
    }
    return QStringLiteral("作成できません: %1").arg(QString::fromStdString(report.Reason));
}

// Appends one coloured line per folder and shows the log every few
// milliseconds while the run goes on.
class LogSink final : public CreationSink {
public:
    LogSink(LogListModel& log, std::function<void()> show_progress)
        : m_log(log)
        , m_show_progress(std::move(show_progress))
    {
        m_since_paint.start();
    }

    void FolderHandled(FolderReport const& report) override
    {
        // The path exactly as the file system got it; the tree's spelling when
        // it had no host spelling.
        QString text = report.HostPath.empty() ? ShiftJisToQString(report.Path)
                                               : QString::fromStdString(report.HostPath);
        m_log.Append(std::move(text), ColourOf(report.Outcome), Explanation(report));
        if (m_since_paint.elapsed() >= PaintIntervalMs) {
            m_show_progress();
            m_since_paint.restart();
        }
    }

    void NothingToCreate() override { m_log.Append(ShiftJisToQString(NothingToCreateMessage), FailedColour); }

private:
    LogListModel& m_log;
    std::function<void()> m_show_progress;
    QElapsedTimer m_since_paint;
};

} // namespace

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

    CloseBtn = new QPushButton(QStringLiteral("閉じる"), Panel1);
    CloseBtn->setObjectName(QStringLiteral("CloseBtn"));
    CloseBtn->setGeometry(0, 10, 75, 25);
    CloseBtn->setDefault(true);
    CloseBtn->setAutoDefault(true);
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::accept);

    // The position is the frame's; the size is the inside, as the frame is the desktop's.
    resize(385, 302);
    move(495, 194);
    LayOutComponents();
}

TForm3::~TForm3() = default;

void TForm3::StartCreation(FolderTree const& tree)
{
    m_tree = &tree;
    m_log->Clear();
    m_hovered = QPersistentModelIndex();
    m_summary.clear();
    UpdateStatusLine();
    CloseBtn->setEnabled(false);
    exec();
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
    if (!CloseBtn->isEnabled())
        QMetaObject::invokeMethod(this, &TForm3::FormShow, Qt::QueuedConnection);
}

void TForm3::FormShow()
{
    if (CloseBtn->isEnabled())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    PaintLogSoFar();
    try {
        CreateFolders();
    } catch (std::exception const& error) {
        m_log->Append(QString::fromStdString(error.what()), FailedColour);
    }
    PaintLogSoFar();
    UpdateStatusLine();
    QApplication::restoreOverrideCursor();
    CloseBtn->setEnabled(true);
    CloseBtn->setFocus();
    emit RunFinished();
}

void TForm3::CreateFolders()
{
    LogSink sink(*m_log, [this] { PaintLogSoFar(); });
    if (!m_tree) {
        sink.NothingToCreate();
        return;
    }
    CreationSummary const summary = edamaki::CreateFolders(*m_tree, sink);
    if (m_tree->NodeCount() >= 2)
        m_summary = QStringLiteral("作成 %L1 個、既存 %L2 個、失敗 %L3 個")
                        .arg(static_cast<qulonglong>(summary.Created))
                        .arg(static_cast<qulonglong>(summary.Existed))
                        .arg(static_cast<qulonglong>(summary.Failed));
}

void TForm3::PaintLogSoFar()
{
    m_log->Flush();
    LogList->doItemsLayout();
    LogList->scrollToBottom();
    // Paints now, handling no input: the user can't act until the run ends.
    repaint();
}

bool TForm3::FormCloseQuery() const
{
    return CloseBtn->isEnabled();
}

void TForm3::reject()
{
    if (!FormCloseQuery())
        return;
    QDialog::reject();
}

void TForm3::closeEvent(QCloseEvent* event)
{
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TForm3::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    LayOutComponents();
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
