// The desktop program: it owns the document, and the windows that show it
// are created in their fixed order (main window, log window, tree pane, about
// box, tag dialog); the
// tree pane's creation ends with the main window's StartUp, which opens a
// source named on the command line. --help and --version are answered first,
// before there is an application, so they need no display.

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

#include <iostream>
#include <optional>
#include <string_view>

namespace {

constexpr char const* Usage = "usage: edamaki [-f] [FILE]\n"
                              "\n"
                              "Opens the main window of Edamaki: the source editor beside the tree of\n"
                              "folders the source describes, re-read at every key stroke. FILE, a\n"
                              "text-mode or macro-mode source, is opened at start.\n"
                              "  -f          create FILE's folders at once, without asking, when the\n"
                              "              source names its parent folder (as the first argument only)\n"
                              "  -h, --help  print this help and exit\n"
                              "  --version   print the version and exit\n"
                              "Qt's own options (-platform, -style, ...) are taken too.\n"
                              "\n"
                              "The command line edamaki-cli does the same work in scripts.\n";

// The exit status when the first argument asks for the help or the version.
std::optional<int> AnswerFirstArgument(int argc, char** argv)
{
    if (argc < 2)
        return std::nullopt;
    std::string_view const first = argv[1];
    if (first == "--help" || first == "-h") {
        std::cout << Usage;
    } else if (first == "--version") {
        std::cout << "edamaki " << edamaki::VersionText << '\n';
    } else {
        return std::nullopt;
    }
    std::cout.flush();
    return std::cout ? 0 : 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (auto const status = AnswerFirstArgument(argc, argv))
        return *status;
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Edamaki"));
    // Where QSettings keeps the user's choices.
    QApplication::setOrganizationName(QStringLiteral("edamaki"));
    QApplication::setApplicationVersion(QString::fromLatin1(
        edamaki::VersionText.data(), static_cast<qsizetype>(edamaki::VersionText.size())));
    QGuiApplication::setDesktopFileName(QStringLiteral(EDAMAKI_DESKTOP_ID));

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
