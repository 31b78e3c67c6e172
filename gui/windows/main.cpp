// The desktop program: it owns the document, and the windows that show it
// are created in their fixed order (main window, log window, tree pane, about
// box, tag dialog); the
// tree pane's creation ends with the main window's StartUp, which opens a
// source named on the command line.

#include "core/document/Document.h"
#include "edamaki/Version.h"
#include "gui/widgets/FileDialogs.h"
#include "gui/windows/TAboutDlg.h"
#include "gui/windows/TForm1.h"
#include "gui/windows/TForm3.h"
#include "gui/windows/TForm4.h"
#include "gui/windows/TMainForm.h"

#include <QApplication>
#include <QIcon>
#include <QPlainTextEdit>
#include <QPointer>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Edamaki"));
    QApplication::setApplicationVersion(QString::fromLatin1(
        edamaki::VersionText.data(), static_cast<qsizetype>(edamaki::VersionText.size())));
    QGuiApplication::setDesktopFileName(QStringLiteral("edamaki"));

    // The program speaks Japanese; Qt's own dialogs should too.
    edamaki::UseJapanese(application);

    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();

    edamaki::Document document;
    edamaki::TMainForm main_form(document, arguments);
    QApplication::setWindowIcon(main_form.windowIcon());
    auto* log_window = new edamaki::TForm3(&main_form);
    main_form.SetLogWindow(log_window);
    // The tree pane ends up inside the main window's form panel, which then owns it.
    QPointer<edamaki::TForm1> const tree_pane
        = new edamaki::TForm1(document, [&main_form](edamaki::TForm1& pane) { main_form.StartUp(pane); });
    main_form.SetAboutBox(new edamaki::TAboutDlg(&main_form));
    auto* tag_dialog
        = new edamaki::TForm4(*main_form.findChild<QPlainTextEdit*>(QStringLiteral("SrcList")), &main_form);
    tree_pane->SetTagDialog(tag_dialog);
    QObject::connect(
        &main_form, &edamaki::TMainForm::TagDialogRequested, tag_dialog, &edamaki::TForm4::ShowOnTab);

    main_form.show();
    int const result = QApplication::exec();
    delete tree_pane.data();
    return result;
}
