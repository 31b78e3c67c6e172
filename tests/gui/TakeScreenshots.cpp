// Takes the screenshots of the desktop program: the main window in text mode
// and in macro mode with the tree of an example source, the find and the
// replace dialog over it, the log window after a run into a temporary folder,
// the macro tag dialog on each of its tabs, and the about box.
//
//   edamaki_screenshots OUTPUT_FOLDER EXAMPLES_FOLDER

#include "core/document/Document.h"
#include "gui/windows/FindDlg.h"
#include "gui/windows/ReplaceDlg.h"
#include "gui/windows/TAboutDlg.h"
#include "gui/windows/TForm1.h"
#include "gui/windows/TForm3.h"
#include "gui/windows/TForm4.h"
#include "gui/windows/TMainForm.h"

#include <QAbstractButton> // ModalDriver presses buttons

#include "tests/gui/ModalDriver.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRect>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTranslator>

#include <cstdio>

namespace {

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
    QTextCursor cursor(form.SrcList->document()->findBlockByNumber(1));
    cursor.insertText(folder + u'\n');
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Edamaki"));
    QTranslator qt_translator;
    if (qt_translator.load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qt_translator);
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
    main_form.FindDlg->SetSearchText(QStringLiteral("契約"));
    main_form.mFindNext->trigger();
    main_form.resize(640, 400);
    for (TSearchDialog* dialog : { static_cast<TSearchDialog*>(main_form.FindDlg),
             static_cast<TSearchDialog*>(main_form.ReplaceDlg) }) {
        if (dialog == main_form.FindDlg)
            main_form.mFind->trigger();
        else
            main_form.mReplace->trigger();
        dialog->move(main_form.frameGeometry().topLeft() + QPoint(150, 190));
        Settle();
        QString const name = dialog == main_form.FindDlg ? QStringLiteral("find-dialog.png")
                                                         : QStringLiteral("replace-dialog.png");
        saved = Save(&main_form, output.filePath(name)) && saved;
        dialog->hide();
    }
    main_form.resize(480, 340);

    main_form.OpenSource(examples.filePath(QStringLiteral("school.fms")));
    InsertParentFolderLine(main_form, run_folder.path());
    main_form.SrcList->document()->setModified(false);
    Settle();
    saved = Save(&main_form, output.filePath(QStringLiteral("main-macro.png"))) && saved;

    // Execute: confirm, let the run fill the log, take the picture, close.
    edamaki::testing::AnswerMessageBox(QMessageBox::Yes);
    QTimer::singleShot(0, [&] {
        edamaki::testing::WhenModal(
            [&](QWidget* window) {
                QElapsedTimer timer;
                timer.start();
                while (!log_window->CloseBtn->isEnabled() && timer.elapsed() < 10000)
                    QApplication::processEvents();
                Settle();
                saved = Save(window, output.filePath(QStringLiteral("log-window.png"))) && saved;
                log_window->CloseBtn->click();
            },
            10000);
    });
    main_form.ExeBtnClick();
    Settle();

    // The macro tag dialog on each of its tabs.
    auto* tag_dialog = new TForm4(*main_form.SrcList, &main_form);
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
    main_form.mAbout->trigger();
    Settle();

    main_form.SrcList->document()->setModified(false);
    delete tree_pane.data();
    return saved ? 0 : 1;
}
