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
#include <QListView>
#include <QMetaObject>
#include <QPushButton>
#include <QScrollBar>

#include <algorithm>
#include <exception>
#include <functional>

namespace {

constexpr QRgb CreatedColour = qRgb(0, 0, 255);
constexpr QRgb ExistedColour = qRgb(0, 0, 0);
constexpr QRgb FailedColour = qRgb(255, 0, 0);

constexpr int PanelHeight = 41;
// How often a long run puts its progress on the screen.
constexpr qint64 PaintIntervalMs = 40;

QRgb ColourOf(edamaki::FolderOutcome outcome)
{
    switch (outcome) {
    case edamaki::FolderOutcome::Created:
        return CreatedColour;
    case edamaki::FolderOutcome::Existed:
        return ExistedColour;
    case edamaki::FolderOutcome::Failed:
        break;
    }
    return FailedColour;
}

// Appends one coloured line per folder and shows the log every few
// milliseconds while the run goes on.
class LogSink final : public edamaki::CreationSink {
public:
    LogSink(edamaki::LogListModel& log, std::function<void()> show_progress)
        : m_log(log)
        , m_show_progress(std::move(show_progress))
    {
        m_since_paint.start();
    }

    void FolderHandled(edamaki::FolderReport const& report) override
    {
        // The path exactly as the file system got it; the tree's spelling when
        // it had no host spelling.
        QString text = report.HostPath.empty() ? edamaki::ShiftJisToQString(report.Path)
                                               : QString::fromStdString(report.HostPath);
        // Why a folder failed, or where a link it passed through leads.
        QString reason = QString::fromStdString(report.Reason);
        m_log.Append(std::move(text), ColourOf(report.Outcome), std::move(reason));
        if (m_since_paint.elapsed() >= PaintIntervalMs) {
            m_show_progress();
            m_since_paint.restart();
        }
    }

    void NothingToCreate() override
    {
        m_log.Append(edamaki::ShiftJisToQString(edamaki::NothingToCreateMessage), FailedColour);
    }

private:
    edamaki::LogListModel& m_log;
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
    setFont(edamaki::JapaneseFont(QStringLiteral("ＭＳ Ｐゴシック"), 12));
    QPalette window_palette = palette();
    window_palette.setColor(QPalette::Window, QColor(192, 192, 192));
    window_palette.setColor(QPalette::WindowText, QColor(0, 0, 128));
    window_palette.setColor(QPalette::ButtonText, QColor(0, 0, 128));
    setPalette(window_palette);
    setAutoFillBackground(true);

    m_log = new edamaki::LogListModel(this);

    LogList = new QListView(this);
    LogList->setObjectName(QStringLiteral("LogList"));
    QFont const log_font = edamaki::JapaneseFont(QStringLiteral("ＭＳ Ｐゴシック"), 13);
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
    auto* copy = new QAction(LogList);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    connect(copy, &QAction::triggered, this, &TForm3::CopySelectedLines);
    LogList->addAction(copy);

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

void TForm3::StartCreation(edamaki::FolderTree const& tree)
{
    m_tree = &tree;
    m_log->Clear();
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
    edamaki::CreateFolders(*m_tree, sink);
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
    int const log_height = std::max(0, height() - PanelHeight);
    LogList->setGeometry(0, 0, width(), log_height);
    Panel1->setGeometry(0, log_height, width(), PanelHeight);
    FormResize();
}

void TForm3::FormResize()
{
    CloseBtn->move((Panel1->contentsRect().width() - CloseBtn->width()) / 2, CloseBtn->y());
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
