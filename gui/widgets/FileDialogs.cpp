#include "gui/widgets/FileDialogs.h"

#include <QCompleter>
#include <QCoreApplication>
#include <QEvent>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QTranslator>
#include <QTreeView>

#include <algorithm>

namespace edamaki {

namespace {

// The columns of the file system model that hold the size and the kind of an
// entry, and the time of its last change.
constexpr int SizeColumn = 1;
constexpr int TypeColumn = 2;
constexpr int DateColumn = 3;

// The entries of the dialog as its model has them, but for what Qt's own
// translations leave in English or the system's locale writes its own way:
// the size of a file, the time of the last change, and the kind of a folder.
class JapaneseColumns final : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(QModelIndex const& index, int role) const override
    {
        auto const* files = qobject_cast<QFileSystemModel const*>(sourceModel());
        if (!files || role != Qt::DisplayRole)
            return QIdentityProxyModel::data(index, role);
        if (index.column() == DateColumn)
            return m_locale.toString(files->lastModified(mapToSource(index)), QLocale::ShortFormat);
        bool const is_folder = files->isDir(mapToSource(index));
        if (index.column() == TypeColumn && is_folder)
            return QStringLiteral("フォルダ");
        if (index.column() == SizeColumn && !is_folder)
            return m_locale.formattedDataSize(files->size(mapToSource(index)));
        return QIdentityProxyModel::data(index, role);
    }

private:
    QLocale const m_locale = DialogLocale();
};

// Watches one dialog: its completion is cut off while it is hidden, and its
// columns are widened, with the dialog, to what they show.
class DialogKeeper final : public QObject {
public:
    explicit DialogKeeper(QFileDialog& dialog)
        : QObject(&dialog)
        , m_dialog(dialog)
    {
        dialog.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &m_dialog && event->type() == QEvent::Show)
            DialogShown();
        else if (watched == &m_dialog && event->type() == QEvent::Hide)
            DialogHidden();
        return QObject::eventFilter(watched, event);
    }

private:
    void DialogShown();
    void DialogHidden();
    void FitColumns();
    int FitSidebar();

    QFileDialog& m_dialog;
    QPointer<QLineEdit> m_name;
    QPointer<QCompleter> m_completer;
    bool m_watching_model = false;
};

void DialogKeeper::DialogShown()
{
    if (!m_name)
        m_name = m_dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (m_name && !m_completer)
        m_completer = m_name->completer();
    if (m_name && m_completer && !m_name->completer())
        m_name->setCompleter(m_completer);
    if (!m_watching_model) {
        if (auto* files = m_dialog.findChild<QFileSystemModel*>()) {
            connect(files, &QFileSystemModel::directoryLoaded, this, &DialogKeeper::FitColumns,
                Qt::QueuedConnection);
            m_watching_model = true;
        }
    }
    FitColumns();
}

// A folder the dialog lists once it is gone would otherwise bring the
// completion back, over the window below, taking its clicks and keys.
void DialogKeeper::DialogHidden()
{
    if (!m_name || !m_completer)
        return;
    if (auto* popup = m_completer->popup())
        popup->hide();
    m_name->setCompleter(nullptr);
}

// Widens the list of places to its names, at the cost of the file list;
// returns how much wider it became.
int DialogKeeper::FitSidebar()
{
    auto* sidebar = m_dialog.findChild<QAbstractItemView*>(QStringLiteral("sidebar"));
    auto* splitter = m_dialog.findChild<QSplitter*>(QStringLiteral("splitter"));
    if (!sidebar || !splitter || splitter->count() < 2 || splitter->indexOf(sidebar) != 0)
        return 0;
    // A wider dialog widens the file list, not the places.
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    int const wanted = sidebar->sizeHintForColumn(0) + 2 * sidebar->frameWidth()
        + (sidebar->verticalScrollBar()->isVisible() ? sidebar->verticalScrollBar()->width() : 0);
    QList<int> sizes = splitter->sizes();
    int const missing = wanted - sizes[0];
    if (missing <= 0)
        return 0;
    sizes[0] += missing;
    sizes[1] -= missing;
    splitter->setSizes(sizes);
    return missing;
}

// What a column of the list needs to show its title and entries whole.
int WantedWidth(QTreeView const& view, int column)
{
    return std::max(static_cast<QAbstractItemView const&>(view).sizeHintForColumn(column),
        view.header()->sectionSizeHint(column));
}

// Widens the list of places and each column to what they show, and the
// dialog to them, within the screen. On a screen too narrow for all, the
// names give way first: their column is the only one wider than it needs.
void DialogKeeper::FitColumns()
{
    auto* view = m_dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!view || !m_dialog.isVisible())
        return;
    int const sidebar_growth = FitSidebar();
    QHeaderView* const header = view->header();
    for (int column = 0; column < header->count(); ++column) {
        if (header->sectionSize(column) < WantedWidth(*view, column))
            header->resizeSection(column, WantedWidth(*view, column));
    }
    int const missing = header->length() - (view->viewport()->width() - sidebar_growth);
    if (missing <= 0)
        return;
    QScreen const* screen = m_dialog.screen() ? m_dialog.screen() : QGuiApplication::primaryScreen();
    int const most = screen ? screen->availableGeometry().width() : m_dialog.width() + missing;
    int const width = std::min(m_dialog.width() + missing, most);
    int const still_missing = missing - (width - m_dialog.width());
    m_dialog.resize(width, m_dialog.height());
    int const spare_name_width = header->sectionSize(0) - WantedWidth(*view, 0);
    if (still_missing > 0 && spare_name_width > 0)
        header->resizeSection(0, header->sectionSize(0) - std::min(still_missing, spare_name_width));
}

} // namespace

QLocale DialogLocale()
{
    return QLocale(QLocale::Japanese, QLocale::Japan);
}

QTranslator* UseJapanese(QCoreApplication& application)
{
    QLocale::setDefault(DialogLocale());
    auto* translator = new QTranslator(&application);
    if (!translator->load(DialogLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return nullptr;
    }
    QCoreApplication::installTranslator(translator);
    return translator;
}

void PrepareFileDialog(QFileDialog& dialog)
{
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setLocale(DialogLocale());
    dialog.setProxyModel(new JapaneseColumns(&dialog));
    dialog.resize(std::max(dialog.width(), 760), std::max(dialog.height(), 460));
    new DialogKeeper(dialog);
}

} // namespace edamaki
