#include "gui/widgets/TplBrowseFolder.h"

#include "gui/widgets/FileDialogs.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QScreen>
#include <QTimer>

namespace edamaki {

TplBrowseFolder::TplBrowseFolder(QObject* parent)
    : QObject(parent)
{
}

namespace {

// The folder list fills in the background and sorts itself once loaded:
// bring the selected folder into view then.
void ShowSelectionWhenLoaded(QFileDialog& dialog)
{
    auto const show_selection = [&dialog] {
        for (auto* view : dialog.findChildren<QAbstractItemView*>()) {
            if (auto const* selection = view->selectionModel(); selection && selection->hasSelection())
                view->scrollTo(selection->selectedIndexes().front());
        }
    };
    auto* entries = dialog.findChild<QFileSystemModel*>();
    if (!entries)
        return;
    QObject::connect(
        entries, &QFileSystemModel::directoryLoaded, &dialog, show_selection, Qt::QueuedConnection);
    QObject::connect(
        entries, &QAbstractItemModel::layoutChanged, &dialog, show_selection, Qt::QueuedConnection);
}

} // namespace

bool TplBrowseFolder::Execute(QWidget* owner)
{
    if (!owner)
        owner = QApplication::activeWindow();
    QFileDialog dialog(owner);
    PrepareDialog(dialog);
    SelectInitialFolder(dialog);

    m_shown = false;
    dialog.installEventFilter(this);
    int const result = dialog.exec();
    dialog.removeEventFilter(this);

    m_dialog_handle = nullptr;
    m_dialog_width = 0;
    m_dialog_height = 0;

    return result == QDialog::Accepted && TakeChoice(dialog);
}

void TplBrowseFolder::PrepareDialog(QFileDialog& dialog) const
{
    dialog.setObjectName(QStringLiteral("BrowseFolderDialog"));
    PrepareFileDialog(dialog);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (!Title.isEmpty())
        dialog.setWindowTitle(Title);
}

// Opens the folder that holds InitDir with InitDir itself selected.
void TplBrowseFolder::SelectInitialFolder(QFileDialog& dialog) const
{
    if (InitDir.isEmpty())
        return;
    QFileInfo const initial(QDir::cleanPath(QDir::fromNativeSeparators(InitDir)));
    if (!initial.isDir())
        return;
    QString const absolute = initial.absoluteFilePath();
    if (initial.isRoot()) {
        dialog.setDirectory(absolute);
        return;
    }
    dialog.setDirectory(initial.absolutePath());
    dialog.selectFile(absolute);
    ShowSelectionWhenLoaded(dialog);
}

bool TplBrowseFolder::TakeChoice(QFileDialog const& dialog)
{
    QStringList const chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return false;
    QFileInfo const folder(chosen.front());
    if (!folder.isDir())
        return false;
    m_folder = QDir::toNativeSeparators(folder.absoluteFilePath());
    m_display_name = folder.isRoot() ? m_folder : folder.fileName();
    return true;
}

bool TplBrowseFolder::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show && !m_shown) {
        if (auto* dialog = qobject_cast<QFileDialog*>(watched)) {
            m_shown = true;
            DialogShown(dialog);
        }
    }
    return QObject::eventFilter(watched, event);
}

void TplBrowseFolder::DialogShown(QFileDialog* dialog)
{
    m_dialog_handle = dialog;
    QRect const outer = dialog->frameGeometry();
    m_dialog_width = outer.width();
    m_dialog_height = outer.height();

    if (FormLeft != 0 || FormTop != 0) {
        dialog->move(FormLeft, FormTop);
    } else {
        QScreen const* screen = QGuiApplication::primaryScreen();
        QRect const area = screen ? screen->geometry() : QRect();
        // Integer division truncates toward zero, also for a dialog wider than the screen.
        dialog->move(
            area.x() + (area.width() - m_dialog_width) / 2, area.y() + (area.height() - m_dialog_height) / 2);
    }
    emit OnShow(this);
}

} // namespace edamaki
