// Takes the screenshots of the desktop program: the main window in text mode
// and in macro mode with the tree of an example source, the find and the
// replace dialog over it, the log window after a run into a temporary folder,
// the macro tag dialog on each of its tabs, the about box, the tree pane's
// context menu and a folder being named in it, the open, save and folder
// dialogs, and the help window.
//
//   edamaki_screenshots OUTPUT_FOLDER EXAMPLES_FOLDER

#include "core/document/Document.h"
#include "gui/models/FolderTreeModel.h"
#include "gui/qt/QtShiftJis.h"
#include "gui/widgets/FileDialogs.h"
#include "gui/widgets/FolderTreeView.h"
#include "gui/windows/FindDlg.h"
#include "gui/windows/HelpWindow.h"
#include "gui/windows/ReplaceDlg.h"
#include "gui/windows/TAboutDlg.h"
#include "gui/windows/TForm1.h"
#include "gui/windows/TForm3.h"
#include "gui/windows/TForm4.h"
#include "gui/windows/TMainForm.h"

#include <QAbstractButton> // ModalDriver presses buttons

#include "tests/gui/ModalDriver.h"

#include <QApplication>
#include <QBrush>
#include <QColor>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRect>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextBrowser>

#include <cstdio>

namespace {

using edamaki::HelpWindow;
using edamaki::TAboutDlg;
using edamaki::TFindDialog;
using edamaki::TForm1;
using edamaki::TForm3;
using edamaki::TForm4;
using edamaki::TMainForm;
using edamaki::TReplaceDialog;
using edamaki::TSearchDialog;

// A window's widget or action, found by its object name.
template<class T> T* Child(QObject const& parent, char const* name)
{
    T* const child = parent.findChild<T*>(QString::fromLatin1(name));
    if (!child)
        qFatal("no child named %s", name);
    return child;
}

void Settle(int milliseconds = 200)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool Save(QWidget* window, QString const& path)
{
    // The screen's own pixels: what the window system shows, not a re-rendering.
    QRect const area = window->frameGeometry();
    QPixmap picture = window->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    if (picture.isNull())
        picture = window->grab();
    if (!picture.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// Gives a macro source a parent folder line, so the run stays in `folder`.
void InsertParentFolderLine(TMainForm& form, QString const& folder)
{
    QTextCursor cursor(Child<QPlainTextEdit>(form, "SrcList")->document()->findBlockByNumber(1));
    cursor.insertText(folder + u'\n');
}

// The node at a path of names, "" for the root node.
edamaki::NodeId NodeAt(edamaki::FolderTree const& tree, QString const& path)
{
    edamaki::NodeId node = tree.Root();
    for (QString const& name : path.split(u'/', Qt::SkipEmptyParts))
        node = tree.FindChildNode(node, edamaki::QStringToShiftJisForReading(name));
    return node;
}

void SelectNode(TForm1& pane, edamaki::NodeId node)
{
    pane.Tree1->selectionModel()->setCurrentIndex(
        pane.Model().IndexOfNode(node), QItemSelectionModel::ClearAndSelect);
}

// The tree pane's context menu on a class, then a folder added beside a
// class list being named, its addition already in the source.
bool SaveTreePaneEdit(
    TMainForm& form, TForm1& pane, edamaki::FolderTree const& tree, QDir const& examples, QDir const& output)
{
    form.OpenSource(examples.filePath(QStringLiteral("school.fms")));
    form.resize(560, 380);
    Settle();
    edamaki::NodeId const class_b = NodeAt(tree, QStringLiteral("1年/B組"));
    SelectNode(pane, class_b);
    QRect const label = pane.Tree1->visualRect(pane.Model().IndexOfNode(class_b));
    pane.PopupMenu1->popup(pane.Tree1->viewport()->mapToGlobal(label.topLeft() + QPoint(30, 10)));
    Settle();
    bool saved = Save(&form, output.filePath(QStringLiteral("tree-pane-menu.png")));
    pane.PopupMenu1->hide();

    // A box closed before may have left no window active.
    form.activateWindow();
    QApplication::setActiveWindow(&form);
    SelectNode(pane, NodeAt(tree, QStringLiteral("1年/A組/名簿")));
    pane.mAddNodeClick();
    QLineEdit* edit = nullptr;
    for (auto* child : pane.Tree1->findChildren<QLineEdit*>()) {
        if (child->isVisible())
            edit = child;
    }
    if (!edit) {
        std::fprintf(stderr, "no label edit opened\n");
        return false;
    }
    edit->insert(QStringLiteral("出席簿"));
    Settle();
    saved = Save(&form, output.filePath(QStringLiteral("tree-pane-edit.png"))) && saved;
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(edit, &enter);
    return saved;
}

// The first red line of the log made current: the status line says why.
void SelectFirstFailure(TForm3& log_window)
{
    // The pointer away from the list, which would show the line under it.
    QCursor::setPos(0, 0);
    auto const* model = log_window.LogList->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        QModelIndex const index = model->index(row, 0);
        if (index.data(Qt::ForegroundRole).value<QBrush>().color() == QColor(255, 0, 0)) {
            log_window.LogList->setCurrentIndex(index);
            log_window.LogList->scrollTo(index);
            return;
        }
    }
}

// Takes the picture of the next file dialog once it has listed `folder`.
std::shared_ptr<bool> SaveNextFileDialog(QString const& folder, QString const& path, bool& saved)
{
    return edamaki::testing::WhenModal([folder, path, &saved](QWidget* widget) {
        auto* dialog = qobject_cast<QFileDialog*>(widget);
        if (!dialog) {
            widget->close();
            saved = false;
            return;
        }
        dialog->setDirectory(folder);
        Settle(600);
        saved = Save(dialog, path) && saved;
        dialog->reject();
    });
}

// The open and the save dialog on the examples, the folder dialog on the
// folder that holds them.
bool SaveFileDialogs(TMainForm& form, QDir const& examples, QDir const& output)
{
    bool saved = form.OpenSource(examples.filePath(QStringLiteral("school.fms")));
    SaveNextFileDialog(examples.absolutePath(), output.filePath(QStringLiteral("open-dialog.png")), saved);
    form.mOpen1Click();
    SaveNextFileDialog(examples.absolutePath(), output.filePath(QStringLiteral("save-dialog.png")), saved);
    form.mSave1Click();
    QString const above = QDir::cleanPath(examples.absoluteFilePath(QStringLiteral("..")));
    SaveNextFileDialog(above, output.filePath(QStringLiteral("folder-dialog.png")), saved);
    form.mSelRootClick();
    return saved;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Edamaki"));
    edamaki::UseJapanese(application);
    if (argc != 3) {
        std::fprintf(stderr, "usage: edamaki_screenshots OUTPUT_FOLDER EXAMPLES_FOLDER\n");
        return 2;
    }
    QDir const output(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(output.path());
    QDir const examples(QString::fromLocal8Bit(argv[2]));
    QTemporaryDir run_folder;

    edamaki::Document document;
    TMainForm main_form(document);
    auto* log_window = new TForm3(&main_form);
    main_form.SetLogWindow(log_window);
    QPointer<TForm1> const tree_pane
        = new TForm1(document, [&main_form](TForm1& pane) { main_form.StartUp(pane); });
    main_form.show();
    Settle();

    bool saved = true;
    main_form.OpenSource(examples.filePath(QStringLiteral("projects.txt")));
    Settle();
    saved = Save(&main_form, output.filePath(QStringLiteral("main-text.png"))) && saved;

    // The find and the replace dialog over the window, a match selected.
    Child<TFindDialog>(main_form, "FindDlg")->SetSearchText(QStringLiteral("契約"));
    Child<QAction>(main_form, "mFindNext")->trigger();
    main_form.resize(640, 400);
    for (TSearchDialog* dialog : { static_cast<TSearchDialog*>(Child<TFindDialog>(main_form, "FindDlg")),
             static_cast<TSearchDialog*>(Child<TReplaceDialog>(main_form, "ReplaceDlg")) }) {
        if (dialog == Child<TFindDialog>(main_form, "FindDlg"))
            Child<QAction>(main_form, "mFind")->trigger();
        else
            Child<QAction>(main_form, "mReplace")->trigger();
        dialog->move(main_form.frameGeometry().topLeft() + QPoint(150, 190));
        Settle();
        QString const name = dialog == Child<TFindDialog>(main_form, "FindDlg")
            ? QStringLiteral("find-dialog.png")
            : QStringLiteral("replace-dialog.png");
        saved = Save(&main_form, output.filePath(name)) && saved;
        dialog->hide();
    }
    main_form.resize(480, 340);

    main_form.OpenSource(examples.filePath(QStringLiteral("school.fms")));
    InsertParentFolderLine(main_form, run_folder.path());
    // A file in the way of one class, so the log shows why a line is red.
    QFile(QDir(run_folder.path()).filePath(QStringLiteral("3年"))).open(QIODevice::WriteOnly);
    Child<QPlainTextEdit>(main_form, "SrcList")->document()->setModified(false);
    Settle();
    saved = Save(&main_form, output.filePath(QStringLiteral("main-macro.png"))) && saved;

    // Execute: confirm, let the run fill the log, take the picture, close.
    edamaki::testing::AnswerMessageBox(QMessageBox::Yes);
    QTimer::singleShot(0, [&] {
        edamaki::testing::WhenModal(
            [&](QWidget* window) {
                QElapsedTimer timer;
                timer.start();
                while (!log_window->FormCloseQuery() && timer.elapsed() < 10000)
                    QApplication::processEvents();
                SelectFirstFailure(*log_window);
                Settle();
                saved = Save(window, output.filePath(QStringLiteral("log-window.png"))) && saved;
                log_window->CloseBtn->click();
            },
            10000);
    });
    main_form.ExeBtnClick();
    Settle();

    // The macro tag dialog on each of its tabs.
    auto* tag_dialog = new TForm4(*Child<QPlainTextEdit>(main_form, "SrcList"), &main_form);
    for (int tab = 0; tab < 6; ++tab) {
        tag_dialog->ShowOnTab(tab);
        Settle();
        saved = Save(tag_dialog, output.filePath(QStringLiteral("tag-dialog-%1.png").arg(tab))) && saved;
    }
    tag_dialog->hide();

    // The about box, opened from its menu item.
    main_form.SetAboutBox(new TAboutDlg(&main_form));
    edamaki::testing::WhenModal([&](QWidget* window) {
        Settle();
        saved = Save(window, output.filePath(QStringLiteral("about-box.png"))) && saved;
        static_cast<TAboutDlg*>(window)->Button1->click();
    });
    Child<QAction>(main_form, "mAbout")->trigger();
    Settle();

    saved = SaveTreePaneEdit(main_form, *tree_pane, document.Tree, examples, output) && saved;
    saved = SaveFileDialogs(main_form, examples, output) && saved;

    // The help page in the program's own window, as a desktop without a
    // launcher for it shows it.
    HelpWindow help(&main_form);
    help.ShowPage(
        QDir(examples.filePath(QStringLiteral("../docs"))).absoluteFilePath(QStringLiteral("Ramuspan.html")));
    Settle();
    saved = Save(&help, output.filePath(QStringLiteral("help-window.png"))) && saved;
    help.hide();

    Child<QPlainTextEdit>(main_form, "SrcList")->document()->setModified(false);
    delete tree_pane.data();
    return saved ? 0 : 1;
}
