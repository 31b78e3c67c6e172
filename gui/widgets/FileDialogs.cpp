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
#include <QTranslator>
#include <QTreeView>

#include <algorithm>

namespace edamaki {

namespace {

// The columns of the file system model that hold the kind of an entry and
// the time of its last change.
constexpr int TypeColumn = 2;
constexpr int DateColumn = 3;

// The entries of the dialog as its model has them, but for what Qt's own
// translations leave in English or the system's locale writes its own way:
// the time of the last change, and the kind of a folder.
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
        if (index.column() == TypeColumn && files->isDir(mapToSource(index)))
            return QStringLiteral("フォルダ");
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

// Widens each column to what it shows, and the dialog to its columns, within
// the screen.
void DialogKeeper::FitColumns()
{
    auto* view = m_dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!view || !m_dialog.isVisible())
        return;
    QHeaderView* const header = view->header();
    for (int column = 0; column < header->count(); ++column) {
        int const wanted = std::max(static_cast<QAbstractItemView const*>(view)->sizeHintForColumn(column),
            header->sectionSizeHint(column));
        if (header->sectionSize(column) < wanted)
            header->resizeSection(column, wanted);
    }
    int const missing = header->length() - view->viewport()->width();
    if (missing <= 0)
        return;
    QScreen const* screen = m_dialog.screen() ? m_dialog.screen() : QGuiApplication::primaryScreen();
    int const most = screen ? screen->availableGeometry().width() : m_dialog.width() + missing;
    m_dialog.resize(std::min(m_dialog.width() + missing, most), m_dialog.height());
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
