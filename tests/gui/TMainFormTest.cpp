#include "gui/windows/TMainForm.h"

#include <QAbstractButton>

#include "core/document/Document.h"
#include "core/text/Placeholders.h"
#include "gui/models/FolderTreeModel.h"
#include "gui/models/LogListModel.h"
#include "gui/widgets/FileDialogs.h"
#include "gui/windows/PlaceholderDialog.h"
#include "gui/windows/TForm1.h"
#include "gui/windows/TForm3.h"
#include "tests/SjisLiteral.h"
#include "tests/TreeDump.h"
#include "tests/gui/Child.h"
#include "tests/gui/ModalDriver.h"

#include <QAbstractItemView>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QToolButton>
#include <QTranslator>
#include <QTreeView>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

using edamaki::TForm1;
using edamaki::TForm3;
using edamaki::TMainForm;
using edamaki::testing::Child;

using edamaki::testing::AnswerMessageBox;
using edamaki::testing::Sjis;
using edamaki::testing::WhenModal;

QString const TextCaption = QStringLiteral("Edamaki [テキスト]");
QString const MacroCaption = QStringLiteral("Edamaki [マクロ]");
QString const SavePrompt = QStringLiteral("内容に変更があります。保存しますか？");

QByteArray ReadBytes(QString const& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll();
}

void WriteBytes(QString const& path, QByteArray const& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Goes to the folder of `path` and types its name, as the user would (a
// dialog whose name field has the focus ignores selectFile).
void EnterFileName(QFileDialog* dialog, QString const& path)
{
    QFileInfo const file(path);
    dialog->setDirectory(file.absolutePath());
    // Typing into the focused name field drops the files selected in the list.
    for (auto* view : dialog->findChildren<QAbstractItemView*>())
        view->clearSelection();
    if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        name->setText(file.fileName());
    else
        dialog->selectFile(path);
}

// Chooses the folder in the next folder dialog; `then` runs first.
std::shared_ptr<bool> ChooseFolder(
    QString const& folder, QString* title = nullptr, std::function<void()> then = {})
{
    return WhenModal([=](QWidget* widget) {
        auto* dialog = qobject_cast<QFileDialog*>(widget);
        if (!dialog) {
            widget->close();
            return;
        }
        if (title)
            *title = dialog->windowTitle();
        if (then)
            then();
        dialog->setDirectory(folder);
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            name->clear();
        static_cast<QDialog*>(dialog)->accept();
    });
}

// Chooses `path` in the next file dialog. `then` runs first, so that what it
// schedules waits for a dialog after this one.
std::shared_ptr<bool> ChooseFile(QString const& path, std::function<void()> then = {})
{
    return WhenModal([=](QWidget* widget) {
        auto* dialog = qobject_cast<QFileDialog*>(widget);
        if (!dialog) {
            widget->close();
            return;
        }
        if (then)
            then();
        EnterFileName(dialog, path);
        static_cast<QDialog*>(dialog)->accept();
    });
}

std::shared_ptr<bool> CancelDialog(std::function<void()> then = {}, QStringList* seen_filters = nullptr,
    QString* seen_suffix = nullptr, QStringList* seen_selection = nullptr)
{
    return WhenModal([=](QWidget* widget) {
        if (auto* dialog = qobject_cast<QFileDialog*>(widget)) {
            if (seen_filters)
                *seen_filters = dialog->nameFilters();
            if (seen_suffix)
                *seen_suffix = dialog->defaultSuffix();
            if (seen_selection)
                *seen_selection = dialog->selectedFiles();
        }
        if (then)
            then();
        if (auto* dialog = qobject_cast<QDialog*>(widget))
            dialog->reject();
        else
            widget->close();
    });
}

// Presses `button` in the next message box, after scheduling `then`.
std::shared_ptr<bool> Answer(
    QMessageBox::StandardButton button, QString* text = nullptr, std::function<void()> then = {})
{
    return WhenModal([=](QWidget* widget) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (!box) {
            widget->close();
            return;
        }
        if (text)
            *text = box->text();
        if (then)
            then();
        if (auto* target = box->button(button))
            target->click();
        else
            box->reject();
    });
}

// Closes every modal window that shows while it lives, and counts them.
class UnexpectedDialogs {
public:
    UnexpectedDialogs()
    {
        m_timer.callOnTimeout([this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                ++m_count;
                modal->close();
            }
        });
        m_timer.start(10);
    }
    int Count() const { return m_count; }

private:
    QTimer m_timer;
    int m_count = 0;
};

// Sets an environment variable while it lives.
class ScopedVariable {
public:
    ScopedVariable(char const* name, QString const& value)
        : m_name(name)
        , m_was_set(qEnvironmentVariableIsSet(name))
        , m_before(qgetenv(name))
    {
        qputenv(name, value.toLocal8Bit());
    }
    ~ScopedVariable()
    {
        if (m_was_set)
            qputenv(m_name, m_before);
        else
            qunsetenv(m_name);
    }
    ScopedVariable(ScopedVariable const&) = delete;
    ScopedVariable& operator=(ScopedVariable const&) = delete;

private:
    char const* m_name;
    bool m_was_set;
    QByteArray m_before;
};

// Types `name` into the next template name dialog and presses OK; `then`
// runs first.
std::shared_ptr<bool> NameTemplate(QString const& name, std::function<void()> then = {})
{
    return WhenModal([=](QWidget* widget) {
        auto* dialog = qobject_cast<QInputDialog*>(widget);
        if (!dialog) {
            widget->close();
            return;
        }
        if (then)
            then();
        dialog->setTextValue(name);
        dialog->accept();
    });
}

struct LoggedLine {
    QString Text;
    QRgb Colour;
    bool operator==(LoggedLine const&) const = default;
};

void PrintTo(LoggedLine const& line, std::ostream* out)
{
    *out << line.Text.toStdString() << " #" << std::hex << line.Colour;
}

class TMainFormTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_folder.isValid()); }

    void TearDown() override
    {
        if (m_form)
            Child<QPlainTextEdit>(*m_form, "SrcList")->document()->setModified(false);
        delete m_pane.data();
        m_form.reset();
    }

    // The windows in the program's order; the tree pane's creation starts up
    // the main window.
    void Create(QStringList const& arguments = {})
    {
        m_form = std::make_unique<TMainForm>(m_document, arguments);
        m_log = new TForm3(m_form.get());
        m_form->SetLogWindow(m_log);
        m_pane = new TForm1(m_document, [this](TForm1& pane) { m_form->StartUp(pane); });
    }

    // Closes the log window once its run is over, keeping what it showed.
    std::shared_ptr<bool> CloseLogWhenDone()
    {
        return WhenModal([this](QWidget* widget) {
            if (!QTest::qWaitFor([this] { return m_log->FormCloseQuery(); }, 10000))
                ADD_FAILURE() << "the run did not end";
            m_logged.clear();
            for (std::size_t row = 0; row < m_log->Log().LineCount(); ++row) {
                auto const& line = m_log->Log().LineAt(row);
                m_logged.push_back({ line.Text, line.Colour });
            }
            if (widget == m_log)
                m_log->CloseBtn->click();
            else
                widget->close();
        });
    }

    // Types over the whole text, as the user would.
    void Type(QString const& text)
    {
        Child<QPlainTextEdit>(*m_form, "SrcList")->selectAll();
        Child<QPlainTextEdit>(*m_form, "SrcList")->insertPlainText(text);
    }

    QString Text() const { return Child<QPlainTextEdit>(*m_form, "SrcList")->toPlainText(); }
    std::string Tree() const { return edamaki::testing::Dump(m_document.Tree); }
    QString Path(QString const& name) const { return m_folder.filePath(name); }
    bool TagButtonEnabled() const { return Child<QToolButton>(*m_form, "TagBtn")->isEnabled(); }

    QString File(QString const& name, QByteArray const& bytes)
    {
        QString const path = Path(name);
        WriteBytes(path, bytes);
        return path;
    }

    void Drop(QStringList const& paths, QWidget* target = nullptr)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (QString const& path : paths)
            urls.append(QUrl::fromLocalFile(path));
        data.setUrls(urls);
        QWidget* const receiver = target ? target : m_form.get();
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(receiver, &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(receiver, &drop);
        // The drop is handled once it has been released.
        QApplication::processEvents();
    }

    QTemporaryDir m_folder;
    // The program's document outlives its windows.
    edamaki::Document m_document;
    std::unique_ptr<TMainForm> m_form;
    TForm3* m_log = nullptr;
    QPointer<TForm1> m_pane;
    std::vector<LoggedLine> m_logged;
};

TEST_F(TMainFormTest, StartsEmptyInTextModeWithTheRootAlone)
{
    Create();
    EXPECT_TRUE(m_form->Started());
    EXPECT_EQ(m_form->windowTitle(), TextCaption);
    EXPECT_FALSE(TagButtonEnabled());
    EXPECT_TRUE(Text().isEmpty());
    EXPECT_EQ(m_document.Tree.NodeCount(), 1u);
    EXPECT_EQ(m_form->minimumSize(), QSize(321, 90));
    m_form->resize(100, 50);
    EXPECT_EQ(m_form->size(), QSize(321, 90));
    for (char const* name :
        { "FormPanel1", "Splitter1", "Panel1", "ToolBar1", "SrcList", "TagBtn", "ToolButton1", "ToolButton3",
            "ToolButton9", "ToolButton12", "ToolButton6", "OpenFolder1", "mOpen1", "mClear", "N4" })
        EXPECT_NE(m_form->findChild<QObject*>(QString::fromLatin1(name)), nullptr) << name;
}

TEST_F(TMainFormTest, ModeFollowsTheFirstLine)
{
    Create();
    struct Case {
        char const* Source;
        bool Macro;
        char const* Tree;
    };
    Case const cases[] = {
        { "<?dezodedu-macro?>\na\n>b", true, "a(b)" },
        { " \t<?dezodedu-macro?>  \na\n>b", true, "a(b)" },
        { "<?DEZODEDU-MACRO?>\na", false, "a" },
        { "a\\b\nc", false, "a(b),c" },
        { "", false, "" },
        { "\n<?dezodedu-macro?>", false, "" },
    };
    for (auto const& test : cases) {
        Type(QString::fromUtf8(test.Source));
        EXPECT_EQ(m_form->windowTitle(), test.Macro ? MacroCaption : TextCaption) << test.Source;
        EXPECT_EQ(TagButtonEnabled(), test.Macro) << test.Source;
        EXPECT_EQ(Tree(), test.Tree) << test.Source;
    }
}

TEST_F(TMainFormTest, HeaderInsertionAndClearSwitchTheMode)
{
    Create();
    Type(QStringLiteral("a\n>b"));
    EXPECT_EQ(Tree(), "a");
    m_form->mInsHeaderClick();
    EXPECT_EQ(Text(), QStringLiteral("<?dezodedu-macro?>\na\n>b"));
    EXPECT_EQ(m_form->windowTitle(), MacroCaption);
    EXPECT_EQ(Tree(), "a(b)");
    m_form->mInsHeaderClick();
    EXPECT_EQ(Text(), QStringLiteral("<?dezodedu-macro?>\na\n>b"));

    m_form->mClearClick();
    EXPECT_TRUE(Text().isEmpty());
    EXPECT_EQ(m_form->windowTitle(), TextCaption);
    EXPECT_FALSE(TagButtonEnabled());
    EXPECT_EQ(Tree(), "");
    // Each of the program's rewrites is one undo step.
    Child<QPlainTextEdit>(*m_form, "SrcList")->undo();
    EXPECT_EQ(Text(), QStringLiteral("<?dezodedu-macro?>\na\n>b"));
    EXPECT_EQ(m_form->windowTitle(), MacroCaption);
    Child<QPlainTextEdit>(*m_form, "SrcList")->undo();
    EXPECT_EQ(Text(), QStringLiteral("a\n>b"));
    EXPECT_EQ(m_form->windowTitle(), TextCaption);
}

TEST_F(TMainFormTest, TheTagButtonOpensTheTagDialogOnItsLastTab)
{
    Create();
    EXPECT_EQ(Child<QToolButton>(*m_form, "TagBtn")->menu(), Child<QMenu>(*m_form, "TagMenu"));
    EXPECT_EQ(Child<QToolButton>(*m_form, "TagBtn")->popupMode(), QToolButton::MenuButtonPopup);

    int requested = 0;
    QObject::connect(m_form.get(), &TMainForm::TagDialogRequested, [&](int tab) { requested = tab + 100; });
    Type(QStringLiteral("<?dezodedu-macro?>"));
    Child<QToolButton>(*m_form, "TagBtn")->click();
    EXPECT_EQ(requested, 99);
}

TEST_F(TMainFormTest, CommandShortcutsWinOverTheEditorsKeys)
{
    Create();
    m_form->show();
    QApplication::setActiveWindow(m_form.get());
    Child<QPlainTextEdit>(*m_form, "SrcList")->setFocus();
    Type(QStringLiteral("a"));
    QTest::keyClick(Child<QPlainTextEdit>(*m_form, "SrcList"), Qt::Key_H, Qt::ControlModifier);
    EXPECT_EQ(m_form->windowTitle(), MacroCaption);
    QTest::keyClick(Child<QPlainTextEdit>(*m_form, "SrcList"), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_TRUE(Text().isEmpty());
    EXPECT_EQ(m_form->windowTitle(), TextCaption);
}

TEST_F(TMainFormTest, EditActionsFollowTheEditor)
{
    Create();
    m_form->show();
    QApplication::setActiveWindow(m_form.get());
    Child<QPlainTextEdit>(*m_form, "SrcList")->setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(Child<QAction>(*m_form, "EditSelectAll1")->isEnabled());
    EXPECT_FALSE(Child<QAction>(*m_form, "EditCopy1")->isEnabled());
    EXPECT_FALSE(Child<QAction>(*m_form, "EditUndo1")->isEnabled());

    QTest::keyClicks(Child<QPlainTextEdit>(*m_form, "SrcList"), QStringLiteral("abc"));
    EXPECT_TRUE(Child<QAction>(*m_form, "EditSelectAll1")->isEnabled());
    EXPECT_TRUE(Child<QAction>(*m_form, "EditUndo1")->isEnabled());
    EXPECT_FALSE(Child<QAction>(*m_form, "EditCut1")->isEnabled());

    Child<QAction>(*m_form, "EditSelectAll1")->trigger();
    EXPECT_TRUE(Child<QAction>(*m_form, "EditCopy1")->isEnabled());
    EXPECT_TRUE(Child<QAction>(*m_form, "EditCut1")->isEnabled());
    Child<QAction>(*m_form, "EditCut1")->trigger();
    EXPECT_TRUE(Text().isEmpty());
    EXPECT_TRUE(Child<QAction>(*m_form, "EditPaste1")->isEnabled());
    Child<QAction>(*m_form, "EditPaste1")->trigger();
    Child<QAction>(*m_form, "EditPaste1")->trigger();
    EXPECT_EQ(Text(), QStringLiteral("abcabc"));
    EXPECT_EQ(Tree(), "abcabc");

    // The tool bar's copy button is the copy action.
    auto* copy_button = m_form->findChild<QToolButton*>(QStringLiteral("ToolButton9"));
    ASSERT_NE(copy_button, nullptr);
    EXPECT_EQ(copy_button->defaultAction(), Child<QAction>(*m_form, "EditCopy1"));
    EXPECT_EQ(copy_button->toolTip(), QStringLiteral("コピー"));
}

TEST_F(TMainFormTest, OpeningTrimsEveryLineAndSetsTheMode)
{
    Create();
    struct Case {
        QByteArray Bytes;
        QString Text;
        bool Macro;
    };
    Case const cases[] = {
        { Sjis(" <?dezodedu-macro?> \r\n\t>>名前 \t\r\n>x\r\n").c_str(),
            QStringLiteral("<?dezodedu-macro?>\n>>名前\n>x\n"), true },
        { "  a \rb\t\n\x01 c\x02", QStringLiteral("a\nb\nc"), false },
        { Sjis("\xE3\x80\x80全角\r\n").c_str(), QStringLiteral("\u3000全角\n"), false },
        { "", QString(), false },
    };
    int index = 0;
    for (auto const& test : cases) {
        Type(QStringLiteral("typed"));
        QString const path = File(QStringLiteral("open%1.txt").arg(index++), test.Bytes);
        ASSERT_TRUE(m_form->OpenSource(path));
        EXPECT_EQ(Text(), test.Text) << test.Bytes.toStdString();
        EXPECT_EQ(m_form->windowTitle(), test.Macro ? MacroCaption : TextCaption);
        EXPECT_EQ(TagButtonEnabled(), test.Macro);
        EXPECT_EQ(m_document.Mode, test.Macro ? edamaki::SourceMode::Macro : edamaki::SourceMode::Text);
        EXPECT_EQ(m_document.FileName, path.toStdString());
        EXPECT_EQ(Child<QPlainTextEdit>(*m_form, "SrcList")->textCursor().position(), 0);
        EXPECT_FALSE(Child<QPlainTextEdit>(*m_form, "SrcList")->textCursor().hasSelection());
        EXPECT_FALSE(Child<QPlainTextEdit>(*m_form, "SrcList")->document()->isModified());
        EXPECT_TRUE(Child<QPlainTextEdit>(*m_form, "SrcList")->isEnabled());
    }
    EXPECT_EQ(Tree(), "");
    m_form->OpenSource(File(QStringLiteral("tree.txt"), "a\\b\r\na\\c\r\n"));
    EXPECT_EQ(Tree(), "a(b,c)");
}

// Undo never reaches back past an open, whichever way the file came.
TEST_F(TMainFormTest, OpeningAFileStartsAFreshUndoHistory)
{
    QString const path = File(QStringLiteral("opened.txt"), QStringLiteral("顧客\n").toUtf8());
    struct Case {
        char const* Name;
        QStringList Arguments;
        std::function<void()> Open;
    };
    Case const cases[] = {
        { "the open command", {},
            [&] {
                ChooseFile(path);
                m_form->mOpen1Click();
            } },
        { "a drop", {}, [&] { Drop({ path }); } },
        { "the start file", { path }, {} },
    };
    for (auto const& test : cases) {
        Create(test.Arguments);
        if (test.Open) {
            Type(QStringLiteral("typed"));
            Child<QPlainTextEdit>(*m_form, "SrcList")->document()->setModified(false);
            test.Open();
        }
        EXPECT_EQ(Text(), QStringLiteral("顧客\n")) << test.Name;
        EXPECT_FALSE(Child<QPlainTextEdit>(*m_form, "SrcList")->document()->isUndoAvailable()) << test.Name;
        Child<QPlainTextEdit>(*m_form, "SrcList")->undo();
        EXPECT_EQ(Text(), QStringLiteral("顧客\n")) << test.Name;
        EXPECT_EQ(m_document.Format.Encoding, edamaki::TextEncoding::Utf8) << test.Name;
        TearDown();
    }
}

// A cleared source is a new one, in Shift-JIS; undoing the clear brings the
// file's text back with its encoding.
TEST_F(TMainFormTest, ClearingStartsANewShiftJisSourceThatUndoTurnsBack)
{
    Create();
    QString const path = File(QStringLiteral("utf-8.txt"), QStringLiteral("顧客\n").toUtf8());
    ASSERT_TRUE(m_form->OpenSource(path));
    m_form->mClearClick();
    EXPECT_EQ(m_document.Format.Encoding, edamaki::TextEncoding::ShiftJis);
    EXPECT_TRUE(m_document.FileName.empty());

    Child<QPlainTextEdit>(*m_form, "SrcList")->undo();
    EXPECT_EQ(Text(), QStringLiteral("顧客\n"));
    EXPECT_EQ(m_document.Format.Encoding, edamaki::TextEncoding::Utf8);
    EXPECT_EQ(m_document.FileName, path.toStdString());
    Child<QPlainTextEdit>(*m_form, "SrcList")->redo();
    EXPECT_TRUE(Text().isEmpty());
    EXPECT_EQ(m_document.Format.Encoding, edamaki::TextEncoding::ShiftJis);

    Type(QStringLiteral("見積"));
    QString const saved = Path(QStringLiteral("new.txt"));
    ChooseFile(saved);
    m_document.PaneEdit.NoteEdited(); // as an edit in the tree pane leaves it
    ASSERT_TRUE(m_form->IsDocumentModified());
    m_form->mSave1Click();
    EXPECT_EQ(ReadBytes(saved), QByteArray(Sjis("見積").c_str()));
    // What was saved holds the pane's edits: closing asks nothing more.
    EXPECT_FALSE(m_form->IsDocumentModified());
}

TEST_F(TMainFormTest, AFileThatCantBeOpenedLeavesTheEditorAlone)
{
    Create();
    Type(QStringLiteral("keep"));
    QString message;
    AnswerMessageBox(QMessageBox::Ok, &message);
    EXPECT_FALSE(m_form->OpenSource(Path(QStringLiteral("missing.txt"))));
    EXPECT_EQ(message, QStringLiteral("ファイル %1 は開けません").arg(Path(QStringLiteral("missing.txt"))));
    EXPECT_EQ(Text(), QStringLiteral("keep"));
    EXPECT_TRUE(Child<QPlainTextEdit>(*m_form, "SrcList")->isEnabled());
    EXPECT_TRUE(Child<QPlainTextEdit>(*m_form, "SrcList")->document()->isModified());
}

TEST_F(TMainFormTest, AFileThatIsNotShiftJisIsRefusedNamingTheLine)
{
    Create();
    ASSERT_TRUE(m_form->OpenSource(File(QStringLiteral("utf-8.txt"), QStringLiteral("顧客\n").toUtf8())));
    Type(QStringLiteral("keep"));
    QString const broken
        = File(QStringLiteral("broken.txt"), QByteArray("a\r\n") + Sjis("名").c_str() + "\r\n\x81\x20");
    QString message;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    auto const answered = AnswerMessageBox(QMessageBox::Ok, &message, &icon);
    EXPECT_FALSE(m_form->OpenSource(broken));
    EXPECT_TRUE(*answered);
    EXPECT_EQ(message,
        QStringLiteral("ファイル %1 は開けません\n3 行目に Shift-JIS として読めないバイトがあります。")
            .arg(broken));
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(Text(), QStringLiteral("keep"));
    EXPECT_TRUE(Child<QPlainTextEdit>(*m_form, "SrcList")->document()->isModified());
    EXPECT_TRUE(Child<QPlainTextEdit>(*m_form, "SrcList")->isEnabled());
    EXPECT_EQ(m_document.Format.Encoding, edamaki::TextEncoding::Utf8);
}

TEST_F(TMainFormTest, TheSavePromptsThreeAnswers)
{
    Create();
    QString const next = File(QStringLiteral("next.txt"), "next\r\n");
    QString const saved = Path(QStringLiteral("saved.txt"));

    // Cancel: nothing is opened.
    Type(QStringLiteral("mine"));
    QString prompt;
    Answer(QMessageBox::Cancel, &prompt);
    m_form->mOpen1Click();
    EXPECT_EQ(prompt, SavePrompt);
    EXPECT_EQ(Text(), QStringLiteral("mine"));

    // Yes: saved first, then opened.
    Answer(QMessageBox::Yes, nullptr, [&] { ChooseFile(saved, [&] { ChooseFile(next); }); });
    m_form->mOpen1Click();
    EXPECT_EQ(ReadBytes(saved), QByteArray("mine"));
    EXPECT_EQ(Text(), QStringLiteral("next\n"));

    // Yes, then the save dialog is cancelled: the open still goes on.
    Type(QStringLiteral("lost"));
    Answer(QMessageBox::Yes, nullptr, [&] { CancelDialog([&] { ChooseFile(next); }); });
    m_form->mOpen1Click();
    EXPECT_EQ(Text(), QStringLiteral("next\n"));
    EXPECT_EQ(ReadBytes(saved), QByteArray("mine"));

    // No: opened without saving.
    Type(QStringLiteral("dropped"));
    Answer(QMessageBox::No, nullptr, [&] { ChooseFile(next); });
    m_form->mOpen1Click();
    EXPECT_EQ(Text(), QStringLiteral("next\n"));
    EXPECT_EQ(ReadBytes(saved), QByteArray("mine"));
}

// A path typed into the open dialog and confirmed before the dialog has
// listed its folder: once the folder is listed, no completion
// pops up over the main window to take the next keys and clicks.
TEST_F(TMainFormTest, TheOpenDialogsCompletionEndsWithTheDialog)
{
    Create();
    m_form->show();
    QApplication::setActiveWindow(m_form.get());
    QString const folder = Path(QStringLiteral("typed/path"));
    ASSERT_TRUE(QDir().mkpath(folder));
    for (int index = 0; index < 50; ++index)
        File(QStringLiteral("typed/path/source%1.txt").arg(index), "opened");
    WhenModal([&](QWidget* widget) {
        auto* dialog = qobject_cast<QFileDialog*>(widget);
        auto* name = widget->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_TRUE(dialog && name);
        dialog->setDirectory(folder);
        name->setFocus();
        QTest::keyClicks(name, QStringLiteral("source1.txt"));
        // What Enter in the name field does, whether a completion shows or not.
        static_cast<QDialog*>(dialog)->accept();
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the dialog did not take " << name->text().toStdString();
            dialog->reject();
        }
    });
    m_form->mOpen1Click();
    EXPECT_EQ(Text(), QStringLiteral("opened"));
    // A completion popup that outlived the dialog would show within a second.
    EXPECT_FALSE(QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }, 1000));
    // Keys go where the application sends them: to a popup when there is one.
    QApplication::setActiveWindow(m_form.get());
    Child<QPlainTextEdit>(*m_form, "SrcList")->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), Child<QPlainTextEdit>(*m_form, "SrcList"));
    QTest::keyClicks(Child<QPlainTextEdit>(*m_form, "SrcList"), QStringLiteral("!"));
    EXPECT_EQ(Text(), QStringLiteral("!opened"));
}

// Qt's translations and the Japanese locale for one test.
class JapaneseDialogs {
public:
    JapaneseDialogs()
        : m_translator(edamaki::UseJapanese(*QCoreApplication::instance()))
    {
    }
    ~JapaneseDialogs()
    {
        QLocale::setDefault(m_previous);
        if (m_translator) {
            QCoreApplication::removeTranslator(m_translator);
            delete m_translator;
        }
    }
    bool Installed() const { return m_translator != nullptr; }

private:
    QLocale m_previous;
    QTranslator* m_translator;
};

bool HoldsJapanese(QString const& text)
{
    return std::any_of(
        text.begin(), text.end(), [](QChar character) { return character.unicode() >= 0x3000; });
}

// The open, save and folder dialogs: labels and types in Japanese, dates the
// Japanese way, every column as wide as what it shows.
TEST_F(TMainFormTest, FileDialogsSpeakJapaneseAndShowTheirColumnsWhole)
{
    JapaneseDialogs const japanese;
    if (!japanese.Installed())
        GTEST_SKIP() << "Qt's Japanese translations (qtbase_ja.qm) are not installed";
    Create();
    m_form->show();
    ASSERT_TRUE(QDir().mkpath(Path(QStringLiteral("サブフォルダ"))));
    Type(QStringLiteral("a"));
    Child<QPlainTextEdit>(*m_form, "SrcList")->document()->setModified(false);
    QDateTime const changed = QFileInfo(Path(QStringLiteral("サブフォルダ"))).lastModified();
    QRegularExpression const japanese_date(QStringLiteral("^\\d{4}/\\d{2}/\\d{2} \\d{1,2}:\\d{2}$"));
    struct Case {
        char const* Name;
        std::function<void()> Command;
    };
    Case const cases[] = {
        { "open", [&] { m_form->mOpen1Click(); } },
        { "save", [&] { m_form->mSave1Click(); } },
        { "parent folder", [&] { m_form->mSelRootClick(); } },
    };
    for (auto const& test : cases) {
        auto const checked = WhenModal([&](QWidget* widget) {
            auto* dialog = qobject_cast<QFileDialog*>(widget);
            ASSERT_NE(dialog, nullptr);
            dialog->setDirectory(m_folder.path());
            auto* view = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
            ASSERT_NE(view, nullptr);
            QAbstractItemModel const* model = view->model();
            ASSERT_TRUE(QTest::qWaitFor([&] { return model->rowCount(view->rootIndex()) > 0; }, 5000));
            QModelIndex const folder = model->index(0, 0, view->rootIndex());
            // The type and date columns are filled in after the names.
            EXPECT_TRUE(QTest::qWaitFor(
                [&] { return japanese_date.match(folder.siblingAtColumn(3).data().toString()).hasMatch(); },
                5000));
            EXPECT_EQ(folder.data().toString(), QStringLiteral("サブフォルダ")) << test.Name;
            EXPECT_TRUE(HoldsJapanese(folder.siblingAtColumn(2).data().toString())) << test.Name;
            QString const date = folder.siblingAtColumn(3).data().toString();
            EXPECT_TRUE(japanese_date.match(date).hasMatch()) << test.Name << ": " << date.toStdString();
            EXPECT_TRUE(date.startsWith(changed.toString(QStringLiteral("yyyy/MM/dd"))))
                << date.toStdString();
            QHeaderView const* header = view->header();
            for (int column = 0; column < header->count(); ++column) {
                EXPECT_TRUE(HoldsJapanese(model->headerData(column, Qt::Horizontal).toString()))
                    << test.Name << " " << column;
                EXPECT_GE(header->sectionSize(column),
                    static_cast<QAbstractItemView const*>(view)->sizeHintForColumn(column))
                    << test.Name << " " << column;
                EXPECT_GE(header->sectionSize(column), header->sectionSizeHint(column))
                    << test.Name << " " << column;
            }
            EXPECT_LE(header->length(), view->viewport()->width()) << test.Name;
            auto const* places = dialog->findChild<QAbstractItemView*>(QStringLiteral("sidebar"));
            ASSERT_NE(places, nullptr);
            EXPECT_GE(places->viewport()->width(), places->sizeHintForColumn(0)) << test.Name;
            dialog->reject();
        });
        test.Command();
        EXPECT_TRUE(*checked) << test.Name;
    }
}

TEST_F(TMainFormTest, OpeningAnEmptyEditorDoesNotPrompt)
{
    Create();
    Type(QStringLiteral("x"));
    m_form->mClearClick();
    ASSERT_TRUE(Text().isEmpty());
    ASSERT_TRUE(Child<QPlainTextEdit>(*m_form, "SrcList")->document()->isModified());
    QString const next = File(QStringLiteral("next.txt"), "next");
    auto const chosen = ChooseFile(next);
    m_form->mOpen1Click();
    EXPECT_TRUE(*chosen);
    EXPECT_EQ(Text(), QStringLiteral("next"));
}

TEST_F(TMainFormTest, ClosingAsksAndCancelKeepsTheWindow)
{
    Create();
    m_form->show();
    Type(QStringLiteral("unsaved"));
    Answer(QMessageBox::Cancel);
    EXPECT_FALSE(m_form->close());
    EXPECT_TRUE(m_form->isVisible());
    Answer(QMessageBox::No);
    EXPECT_TRUE(m_form->close());
}

TEST_F(TMainFormTest, SavingOffersTheModesFilterAndExtension)
{
    Create();
    Type(QStringLiteral("<?dezodedu-macro?>\nproject"));
    QStringList filters;
    QString suffix;
    CancelDialog({}, &filters, &suffix);
    m_form->mSave1Click();
    EXPECT_EQ(filters,
        (QStringList { QStringLiteral("スクリプトファイル(*.fms) (*.fms *.mks)"),
            QStringLiteral("全てのファイル(*.*) (*)") }));
    EXPECT_EQ(suffix, QStringLiteral("mks"));

    // A name typed without an extension gets the default one.
    ChooseFile(Path(QStringLiteral("script")));
    m_form->mSave1Click();
    EXPECT_EQ(ReadBytes(Path(QStringLiteral("script.mks"))), QByteArray("<?dezodedu-macro?>\r\nproject"));
    EXPECT_FALSE(Child<QPlainTextEdit>(*m_form, "SrcList")->document()->isModified());

    // Text mode, and the last name is offered again.
    Type(QStringLiteral("a\\b\n"));
    QStringList selection;
    CancelDialog({}, &filters, &suffix, &selection);
    m_form->mSave1Click();
    EXPECT_EQ(filters.front(), QStringLiteral("テキストファイル(*.txt) (*.txt)"));
    EXPECT_EQ(suffix, QStringLiteral("txt"));
    EXPECT_EQ(selection, QStringList { Path(QStringLiteral("script.mks")) });
    EXPECT_TRUE(Child<QPlainTextEdit>(*m_form, "SrcList")->document()->isModified());

    // An empty editor saves nothing.
    m_form->mClearClick();
    UnexpectedDialogs const dialogs;
    m_form->mSave1Click();
    EXPECT_EQ(dialogs.Count(), 0);
}

TEST_F(TMainFormTest, SavingWritesTheEncodingTheDocumentWasOpenedIn)
{
    Create();
    struct Case {
        char const* Name;
        QByteArray Bytes;
        edamaki::TextEncoding Encoding;
        QString Text;
    };
    QByteArray const utf8 = QStringLiteral("顧客A\r\n見積\r\n").toUtf8();
    Case const cases[] = {
        { "shift-jis.txt", Sjis("顧客A\r\n見積\r\n").c_str(), edamaki::TextEncoding::ShiftJis,
            QStringLiteral("顧客A\n見積\n") },
        { "utf-8.txt", utf8, edamaki::TextEncoding::Utf8, QStringLiteral("顧客A\n見積\n") },
        { "bom.txt", "\xEF\xBB\xBF" + utf8, edamaki::TextEncoding::Utf8, QStringLiteral("顧客A\n見積\n") },
        { "ascii.txt", "a\r\nb", edamaki::TextEncoding::ShiftJis, QStringLiteral("a\nb") },
    };
    for (auto const& test : cases) {
        QString const path = File(QString::fromLatin1(test.Name), test.Bytes);
        ASSERT_TRUE(m_form->OpenSource(path));
        EXPECT_EQ(Text(), test.Text) << test.Name;
        EXPECT_EQ(m_document.Format.Encoding, test.Encoding) << test.Name;
        QString const copy = Path(QStringLiteral("copy-") + QString::fromLatin1(test.Name));
        ChooseFile(copy);
        m_form->mSave1Click();
        EXPECT_EQ(ReadBytes(copy), test.Bytes) << test.Name;
    }
}

TEST_F(TMainFormTest, ASaveShiftJisCantHoldIsRefusedAndWritesNothing)
{
    Create();
    QByteArray const old_bytes = Sjis("古い\r\n").c_str();
    QString const path = File(QStringLiteral("old.txt"), old_bytes);
    ASSERT_TRUE(m_form->OpenSource(path));
    ChooseFile(path, [] { AnswerMessageBox(QMessageBox::Yes); });
    m_form->mSave1Click();
    ASSERT_EQ(ReadBytes(path), old_bytes);

    Type(QStringLiteral("一\n二\u00e9\U0001F600\n三"));
    QString message;
    auto const answered = Answer(QMessageBox::Ok, &message);
    m_form->mSave1Click();
    EXPECT_TRUE(*answered);
    EXPECT_TRUE(message.contains(QStringLiteral("2 行目"))) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("\u00e9"))) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("U+00E9"))) << message.toStdString();
    EXPECT_EQ(ReadBytes(path), old_bytes);
    EXPECT_TRUE(Child<QPlainTextEdit>(*m_form, "SrcList")->document()->isModified());

    // Yes in the prompt with a refused save keeps the document: nothing is opened.
    Answer(QMessageBox::Yes, nullptr, [] { AnswerMessageBox(QMessageBox::Ok); });
    m_form->mOpen1Click();
    EXPECT_TRUE(Text().contains(QStringLiteral("\U0001F600")));
}

// The names the tree pane shows below a node, as "a(b),c".
QString ShownNames(QAbstractItemModel const& model, QModelIndex const& parent)
{
    QStringList names;
    for (int row = 0; row < model.rowCount(parent); ++row) {
        QModelIndex const index = model.index(row, 0, parent);
        QString const below = ShownNames(model, index);
        names << index.data().toString() + (below.isEmpty() ? QString() : u'(' + below + u')');
    }
    return names.join(u',');
}

TEST_F(TMainFormTest, ANameShiftJisLacksIsShownAndMadeExactlyAsTyped)
{
    Create();
    QString const root = m_folder.path();
    struct Case {
        QString Source;
        QString Shown;
    };
    Case const cases[] = {
        { root + QStringLiteral("\n顧客😀\\テスト\n; メモ 〜 です"), QStringLiteral("顧客😀(テスト)") },
        { QStringLiteral("<?dezodedu-macro?>\n") + root + QStringLiteral("\n4月〜6月\n>2026"),
            QStringLiteral("4月〜6月(2026)") },
        { root + QStringLiteral("\na−\\b\na～\\c"), QStringLiteral("a−(b),a～(c)") },
    };
    for (auto const& test : cases) {
        Type(test.Source);
        QAbstractItemModel const& shown = m_pane->Model();
        EXPECT_EQ(ShownNames(shown, shown.index(0, 0)), test.Shown);
        Answer(QMessageBox::Yes, nullptr, [this] { CloseLogWhenDone(); });
        m_form->ExeBtnClick();
    }
    QStringList made = QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    EXPECT_EQ(made,
        (QStringList { QStringLiteral("4月〜6月"), QStringLiteral("a−"), QStringLiteral("a～"),
            QStringLiteral("顧客😀") }));
}

TEST_F(TMainFormTest, ConversionCarriesTheParentFolderLineBothWays)
{
    Create();
    Type(QStringLiteral("C:\\work\na\\b\nc"));
    m_form->mTextMacroClick();
    EXPECT_EQ(Text(), QStringLiteral("<?dezodedu-macro?>\nC:\\work\na\n>b\nc"));
    EXPECT_EQ(m_form->windowTitle(), MacroCaption);
    EXPECT_TRUE(TagButtonEnabled());
    EXPECT_EQ(Tree(), "a(b),c");
    EXPECT_EQ(m_pane->GetRootPath(), "C:\\work\\");
    EXPECT_EQ(Child<QPlainTextEdit>(*m_form, "SrcList")->textCursor().position(), 0);
    // A click on a folder selects its line of the converted text, after the carried line.
    edamaki::FolderTree const& tree = m_document.Tree;
    EXPECT_EQ(
        m_document.Map.Find(tree.Data(tree.Children(tree.Root()).front())), (edamaki::LineRange { 29, 3 }));

    m_form->mTextMacroClick();
    EXPECT_EQ(Text(), QStringLiteral("C:\\work\na\\b\nc"));
    EXPECT_EQ(m_form->windowTitle(), TextCaption);
    EXPECT_FALSE(TagButtonEnabled());
    // A rewrite is a change like any other: it needs saving.
    Child<QPlainTextEdit>(*m_form, "SrcList")->document()->setModified(false);
    m_form->mTextMacroClick();
    EXPECT_TRUE(Child<QPlainTextEdit>(*m_form, "SrcList")->document()->isModified());
    Child<QPlainTextEdit>(*m_form, "SrcList")->undo();

    // Without a parent folder line nothing is carried; one undo step each.
    Type(QStringLiteral("x\\y"));
    m_form->mTextMacroClick();
    EXPECT_EQ(Text(), QStringLiteral("<?dezodedu-macro?>\nx\n>y"));
    Child<QPlainTextEdit>(*m_form, "SrcList")->undo();
    EXPECT_EQ(Text(), QStringLiteral("x\\y"));
    EXPECT_EQ(m_form->windowTitle(), TextCaption);
}

TEST_F(TMainFormTest, ExecuteCreatesTheFoldersAndLogsThemInColour)
{
    Create();
    QString const root = m_folder.path();
    ASSERT_TRUE(QDir(root).mkdir(QStringLiteral("b")));
    File(QStringLiteral("c"), "a file in the way");
    Type(root + QStringLiteral("\na\nb\nc\\d"));

    QString question;
    Answer(QMessageBox::Yes, &question, [this] { CloseLogWhenDone(); });
    m_form->ExeBtnClick();
    EXPECT_EQ(question, QStringLiteral("フォルダを\"%1/\"の下に作成しますか？").arg(root));
    std::vector<LoggedLine> const expected {
        { root + QStringLiteral("/a"), qRgb(0, 0, 255) },
        { root + QStringLiteral("/b"), qRgb(0, 0, 0) },
        { root + QStringLiteral("/c"), qRgb(255, 0, 0) },
        { root + QStringLiteral("/c/d"), qRgb(255, 0, 0) },
    };
    EXPECT_EQ(m_logged, expected);
    EXPECT_TRUE(QFileInfo(Path(QStringLiteral("a"))).isDir());
    EXPECT_FALSE(Child<QPlainTextEdit>(*m_form, "SrcList")->document()->isModified());

    // No: nothing runs.
    QDir(Path(QStringLiteral("a"))).removeRecursively();
    Answer(QMessageBox::No);
    m_form->ExeBtnClick();
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("a"))));

    // The log view shows the last run again.
    CloseLogWhenDone();
    m_form->mLogViewClick();
    EXPECT_EQ(m_logged, expected);
}

TEST_F(TMainFormTest, ExecuteRefusesWithoutAUsableParentFolderOrWithATruncatedTree)
{
    Create();
    // Both refusals apply: the missing parent folder is named first.
    m_document.Tree.SetFolderBudget(3);
    Type(QStringLiteral("a\nb\nc\nd"));
    ASSERT_TRUE(m_document.Tree.IsTruncated());
    QString warning;
    AnswerMessageBox(QMessageBox::Ok, &warning);
    m_form->ExeBtnClick();
    EXPECT_EQ(warning, QStringLiteral("親フォルダが選択されていません。"));

    // A Windows-style parent folder can't be used here: said once, before the folder count.
    Type(QStringLiteral("C:\\Work\na\nb\nc\nd"));
    AnswerMessageBox(QMessageBox::Ok, &warning);
    m_form->ExeBtnClick();
    EXPECT_EQ(warning,
        QStringLiteral("親フォルダ\"C:\\Work\\\"はこのコンピュータの絶対パスではないため、使用できません。"
                       "フォルダを作成しません。"));

    // A read that stopped names its limit, with the figure of this budget.
    struct Case {
        QString Source; // after the parent folder line
        QString Limit;
    };
    QString const macro = QStringLiteral("<?dezodedu-macro?>\n");
    Case const cases[] = {
        { QStringLiteral("a\nb\nc\nd"),
            QStringLiteral("ソースから作られるフォルダが多すぎます（1 回の読み込みで 3 個まで）。") },
        { QStringLiteral("<$:a>\n><$:a>\n>><$:a>\n>>><$:a>"),
            QStringLiteral("タグの展開で作られるフォルダが、後で取り除かれるコピーも含めて多すぎます"
                           "（1 回の読み込みで延べ 6 個まで）。") },
        { QStringLiteral("<$:%1>").arg(QString(20, u',')),
            QStringLiteral("タグから生成される名前が多すぎます（1 回の読み込みで 12 個まで）。") },
        { QStringLiteral("<$:%1>").arg(QString(800, u'a')),
            QStringLiteral(
                "タグから生成される名前が長すぎます（1 回の読み込みで合わせて 768 バイトまで）。") },
    };
    for (auto const& c : cases) {
        bool const is_macro = c.Source.contains(u'<');
        Type((is_macro ? macro : QString()) + m_folder.path() + u'\n' + c.Source);
        ASSERT_TRUE(m_document.Tree.IsTruncated()) << c.Source.toStdString();
        AnswerMessageBox(QMessageBox::Ok, &warning);
        m_form->ExeBtnClick();
        EXPECT_EQ(warning,
            c.Limit + QStringLiteral("ツリーは途中までしか読み込まれていないため、フォルダを作成しません。"));
    }
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("a"))));
}

TEST_F(TMainFormTest, ARunAsksForThePlaceholdersValuesAndRemembersThemForTheFile)
{
    ScopedVariable const config("XDG_CONFIG_HOME", Path(QStringLiteral("config")));
    QString const root = m_folder.path();
    QString const year = QString::number(edamaki::Today().Year);
    QString const source = File(QStringLiteral("案件.fms"),
        (QStringLiteral("<?dezodedu-macro?>\n") + root
            + QStringLiteral("\n<%顧客名>\n><%日付:YYYY>_<%案件=見積>"))
            .toUtf8());
    QString const made = Path(QStringLiteral("山田商事/%1_見積").arg(year));
    // Runs the file in a new window: `answer` fills in the dialog's fields
    // (seen: what they started with) and returns whether to press OK.
    auto const run = [&](QStringList* seen, std::function<bool(edamaki::PlaceholderDialog&)> answer) {
        TearDown();
        Create();
        ASSERT_TRUE(m_form->OpenSource(source));
        WhenModal([=, this](QWidget* widget) {
            auto* dialog = qobject_cast<edamaki::PlaceholderDialog*>(widget);
            if (!dialog) {
                widget->close();
                return;
            }
            for (QLineEdit const* field : dialog->Fields)
                seen->append(field->text());
            if (!answer(*dialog)) {
                dialog->Buttons->button(QDialogButtonBox::Cancel)->click();
                return;
            }
            Answer(QMessageBox::Yes, nullptr, [this] { CloseLogWhenDone(); });
            dialog->Buttons->button(QDialogButtonBox::Ok)->click();
        });
        m_form->ExeBtnClick();
    };

    QStringList seen;
    run(&seen, [](edamaki::PlaceholderDialog& dialog) {
        dialog.Fields.front()->setText(QStringLiteral("山田商事"));
        return true;
    });
    EXPECT_EQ(seen, QStringList({ QString(), year, QStringLiteral("見積") }));
    EXPECT_TRUE(QFileInfo(made).isDir());
    // The text stays; the pane shows the values given.
    EXPECT_EQ(Text(), QString::fromUtf8(ReadBytes(source)));
    EXPECT_EQ(Tree(), Sjis("山田商事(" + year.toStdString() + "_見積)"));

    // The next window starts with them; Cancel runs nothing.
    QDir(Path(QStringLiteral("山田商事"))).removeRecursively();
    seen.clear();
    run(&seen, [](edamaki::PlaceholderDialog&) { return false; });
    EXPECT_EQ(seen, QStringList({ QStringLiteral("山田商事"), year, QStringLiteral("見積") }));
    EXPECT_FALSE(QFileInfo::exists(made));
}

TEST_F(TMainFormTest, ANewDocumentStartsFromItsDefaultsNotFromAnotherUnsavedOnesValues)
{
    ScopedVariable const config("XDG_CONFIG_HOME", Path(QStringLiteral("config")));
    ScopedVariable const own("XDG_DATA_HOME", Path(QStringLiteral("own")));
    ScopedVariable const installed("XDG_DATA_DIRS", Path(QStringLiteral("installed")));
    ASSERT_TRUE(QDir().mkpath(Path(QStringLiteral("own/edamaki/templates"))));
    File(QStringLiteral("own/edamaki/templates/経理.txt"), "<%顧客=未定>\\決算\n");
    Create();
    Type(m_folder.path() + QStringLiteral("\n<%顧客=未定>\\資料"));
    // Values given to the unsaved source; the run itself is declined.
    WhenModal([this](QWidget* widget) {
        auto* dialog = qobject_cast<edamaki::PlaceholderDialog*>(widget);
        if (!dialog) {
            widget->close();
            return;
        }
        dialog->Fields.front()->setText(QStringLiteral("A社"));
        Answer(QMessageBox::No);
        dialog->Buttons->button(QDialogButtonBox::Ok)->click();
    });
    m_form->ExeBtnClick();
    EXPECT_EQ(Tree(), Sjis("A社(資料)"));

    auto* menu = Child<QMenuBar>(*m_form, "Menu1")->findChild<QMenu*>(QStringLiteral("Template1"));
    ASSERT_TRUE(menu);
    emit menu->aboutToShow();
    Answer(QMessageBox::No);
    menu->actions().front()->trigger();
    EXPECT_EQ(Tree(), Sjis("未定(決算)"));
    m_form->mClearClick();
    Type(m_folder.path() + QStringLiteral("\n<%顧客=未定>\\資料"));
    EXPECT_EQ(Tree(), Sjis("未定(資料)"));
}

TEST_F(TMainFormTest, TheTemplateMenuListsTheTemplatesAndOpensOneAsANewSource)
{
    ScopedVariable const own("XDG_DATA_HOME", Path(QStringLiteral("own")));
    ScopedVariable const installed("XDG_DATA_DIRS", Path(QStringLiteral("installed")));
    for (char const* folder : { "own/edamaki/templates", "installed/edamaki/templates" })
        ASSERT_TRUE(QDir().mkpath(Path(QString::fromLatin1(folder))));
    QByteArray const customer = "<?dezodedu-macro?>\n; 顧客ごと\n<%顧客名>\n>01_見積\n";
    File(QStringLiteral("installed/edamaki/templates/顧客案件.fms"), customer);
    File(QStringLiteral("own/edamaki/templates/週報.txt"), "週報\\<%日付>\n");
    Create();
    auto* menu = Child<QMenuBar>(*m_form, "Menu1")->findChild<QMenu*>(QStringLiteral("Template1"));
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->title(), QStringLiteral("テンプレート(&M)"));
    auto const items = [menu] {
        emit menu->aboutToShow();
        QStringList texts;
        for (QAction const* item : menu->actions())
            texts << (item->isSeparator() ? QStringLiteral("-")
                                          : item->text() + (item->isEnabled() ? "" : " (off)"));
        return texts;
    };
    QString const save = QStringLiteral("テンプレートとして保存(&S)...");
    // Each with an access key, none the save item's.
    EXPECT_EQ(items(), QStringList({ "&1 週報", "&2 顧客案件", "-", save }));

    // The template becomes a new source after the prompt; undo brings back the one before.
    Type(QStringLiteral("x"));
    QString prompt;
    Answer(QMessageBox::No, &prompt);
    menu->actions().at(1)->trigger();
    EXPECT_EQ(prompt, SavePrompt);
    EXPECT_EQ(Text(), QString::fromUtf8(customer));
    EXPECT_EQ(m_form->windowTitle(), MacroCaption);
    EXPECT_TRUE(m_document.FileName.empty());
    EXPECT_EQ(Tree(), Sjis("《顧客名》(01_見積)"));
    QApplication::setActiveWindow(m_form.get()); // the prompt before took it
    // The edit actions follow the active window once its activation is through.
    EXPECT_TRUE(QTest::qWaitFor([&] { return Child<QAction>(*m_form, "EditUndo1")->isEnabled(); }, 5000));
    Child<QAction>(*m_form, "EditUndo1")->trigger();
    EXPECT_EQ(Text(), QStringLiteral("x"));

    QDir(Path(QStringLiteral("own"))).removeRecursively();
    QDir(Path(QStringLiteral("installed"))).removeRecursively();
    EXPECT_EQ(items(), QStringList({ "(テンプレートがありません) (off)", "-", save }));
}

TEST_F(TMainFormTest, SavingAsATemplateWritesTheSourceIntoTheUsersOwnFolder)
{
    std::optional<ScopedVariable> own(std::in_place, "XDG_DATA_HOME", Path(QStringLiteral("own")));
    ScopedVariable const installed("XDG_DATA_DIRS", Path(QStringLiteral("installed")));
    QString const folder = Path(QStringLiteral("own/edamaki/templates"));
    Create();
    Type(QStringLiteral("週報\\<%日付>\n会議"));

    // A name with "/" is refused and asked for again; the folder is made.
    QString warning;
    NameTemplate(QStringLiteral("a/b"),
        [&] { Answer(QMessageBox::Ok, &warning, [] { NameTemplate(QStringLiteral("週報")); }); });
    m_form->mSaveTemplateClick();
    EXPECT_EQ(warning, QStringLiteral("テンプレートの名前に「/」や制御文字は使えません。"));
    EXPECT_EQ(
        ReadBytes(folder + QStringLiteral("/週報.txt")), QStringLiteral("週報\\<%日付>\r\n会議").toUtf8());

    // A macro source of the same name takes its place once the user agrees.
    Type(QStringLiteral("<?dezodedu-macro?>\n週報"));
    QString question;
    NameTemplate(QStringLiteral("週報"), [&] { Answer(QMessageBox::Yes, &question); });
    m_form->mSaveTemplateClick();
    EXPECT_EQ(question, QStringLiteral("テンプレート「週報」は既にあります。上書きしますか？"));
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/週報.txt")));
    EXPECT_EQ(ReadBytes(folder + QStringLiteral("/週報.fms")),
        QByteArray("<?dezodedu-macro?>\r\n") + QStringLiteral("週報").toUtf8());

    // A folder that can't be made is named, and nothing is written.
    File(QStringLiteral("blocked"), "a file");
    own.emplace("XDG_DATA_HOME", Path(QStringLiteral("blocked")));
    QString error;
    NameTemplate(QStringLiteral("週報"), [&] { Answer(QMessageBox::Ok, &error); });
    m_form->mSaveTemplateClick();
    EXPECT_EQ(error,
        QStringLiteral("テンプレートのフォルダ %1 を作成できません。テンプレートは保存されませんでした。")
            .arg(Path(QStringLiteral("blocked/edamaki/templates"))));
}

TEST_F(TMainFormTest, CommandLineSwitchAndStartFile)
{
    struct Case {
        QStringList Arguments;
        bool AutoRun;
        QString StartFile;
    };
    Case const cases[] = {
        { {}, false, {} },
        { { "F" }, false, "F" },
        { { "-f" }, true, {} },
        { { "-f", "F" }, true, "F" },
        { { "F", "G" }, false, "F" },
        { { "-f", "F", "G" }, true, "F" },
        { { "-F" }, false, "-F" },
    };
    for (auto const& test : cases) {
        edamaki::Document document;
        TMainForm form(document, test.Arguments);
        EXPECT_EQ(form.AutoRun(), test.AutoRun) << test.Arguments.join(' ').toStdString();
        EXPECT_EQ(form.StartFile(), test.StartFile) << test.Arguments.join(' ').toStdString();
        EXPECT_FALSE(form.Started());
    }
}

TEST_F(TMainFormTest, StartingWithTheSwitchOpensAndRunsWithoutAsking)
{
    QString const source = File(QStringLiteral("start.fms"),
        ("<?dezodedu-macro?>\r\n" + m_folder.path() + "\r\nP<#1:1-2>\r\n").toUtf8());
    CloseLogWhenDone();
    Create({ QStringLiteral("-f"), source });
    EXPECT_TRUE(QFileInfo(Path(QStringLiteral("P1"))).isDir());
    EXPECT_TRUE(QFileInfo(Path(QStringLiteral("P2"))).isDir());
    EXPECT_EQ(m_logged.size(), 2u);
    EXPECT_EQ(m_form->windowTitle(), MacroCaption);
    EXPECT_TRUE(m_form->StartFile().isEmpty());
}

TEST_F(TMainFormTest, StartingWithAFileThatCantBeReadRunsNothing)
{
    QString message;
    AnswerMessageBox(QMessageBox::Ok, &message);
    Create({ QStringLiteral("-f"), Path(QStringLiteral("missing.fms")) });
    EXPECT_TRUE(message.startsWith(QStringLiteral("ファイル ")));
    EXPECT_TRUE(Text().isEmpty());
    EXPECT_TRUE(m_log->Log().LineCount() == 0);
}

// The message box of a start file that can't be opened shows over the main
// window, which is on the screen by then.
TEST_F(TMainFormTest, StartUpErrorBoxesShowOverTheMainWindow)
{
    QString const folder = Path(QStringLiteral("a folder"));
    ASSERT_TRUE(QDir().mkpath(folder));
    for (QString const& start_file : { Path(QStringLiteral("missing.fms")), folder }) {
        m_form = std::make_unique<TMainForm>(m_document, QStringList { start_file });
        // Small enough for the box to be centred on it on the small offscreen screen.
        m_form->resize(480, 340);
        m_form->move(300, 200);
        QRect box;
        QRect window;
        bool window_shown = false;
        WhenModal([&](QWidget* widget) {
            box = widget->frameGeometry();
            window = m_form->frameGeometry();
            window_shown = m_form->isVisible();
            widget->close();
        });
        m_pane = new TForm1(m_document, [this](TForm1& pane) { m_form->StartUp(pane); });
        EXPECT_TRUE(window_shown) << start_file.toStdString();
        EXPECT_TRUE(window.contains(box)) << start_file.toStdString();
        QPoint const offset = box.center() - window.center();
        EXPECT_LE(offset.manhattanLength(), 4) << start_file.toStdString();
        delete m_pane.data();
    }
}

TEST_F(TMainFormTest, DroppingAFolderSetsTheParentFolderOnly)
{
    Create();
    Type(QStringLiteral("a"));
    Drop({ m_folder.path(), Path(QStringLiteral("ignored")) });
    EXPECT_EQ(m_pane->GetRootPath(), (m_folder.path() + u'/').toStdString());
    EXPECT_EQ(Text(), QStringLiteral("a"));
}

TEST_F(TMainFormTest, DroppingFilesOpensTheFirstAfterThePrompt)
{
    Create();
    QString const first = File(QStringLiteral("first.txt"), "first");
    QString const second = File(QStringLiteral("second.txt"), "second");

    // Even an empty editor with the mark set prompts; Cancel opens nothing.
    Child<QPlainTextEdit>(*m_form, "SrcList")->document()->setModified(true);
    QString prompt;
    Answer(QMessageBox::Cancel, &prompt);
    Drop({ first, second }, Child<QPlainTextEdit>(*m_form, "SrcList")->viewport());
    EXPECT_EQ(prompt, SavePrompt);
    EXPECT_TRUE(Text().isEmpty());

    Answer(QMessageBox::No);
    Drop({ first, second }, Child<QPlainTextEdit>(*m_form, "SrcList")->viewport());
    EXPECT_EQ(Text(), QStringLiteral("first"));

    // Unmodified: no prompt.
    Drop({ second });
    EXPECT_EQ(Text(), QStringLiteral("second"));
}

TEST_F(TMainFormTest, DroppingWithTheSwitchRunsAtOnce)
{
    // Any character: the folder is one of this host's.
    QString const run_folder = Path(QStringLiteral("run〜😀"));
    ASSERT_TRUE(QDir().mkpath(run_folder));
    Create({ QStringLiteral("-f") });
    Type(QStringLiteral("x\\y"));
    Child<QPlainTextEdit>(*m_form, "SrcList")->document()->setModified(false);
    CloseLogWhenDone();
    Drop({ run_folder });
    EXPECT_TRUE(QFileInfo(run_folder + QStringLiteral("/x/y")).isDir());

    // A dropped source runs under the parent folder that is still set.
    QString const source = File(QStringLiteral("plain.txt"), "z");
    CloseLogWhenDone();
    Drop({ source });
    EXPECT_EQ(Text(), QStringLiteral("z"));
    EXPECT_TRUE(QFileInfo(run_folder + QStringLiteral("/z")).isDir());
}

TEST_F(TMainFormTest, ChoosingTheParentFolderRewritesOnlyAnExistingParentFolderLine)
{
    Create();
    struct Case {
        QString Source;
        QString Result;
    };
    QString const folder = m_folder.path();
    Case const cases[] = {
        { QStringLiteral("C:\\old\na"), folder + QStringLiteral("\na") },
        { QStringLiteral("<?dezodedu-macro?>\n/old\na"),
            QStringLiteral("<?dezodedu-macro?>\n") + folder + "\na" },
        { QStringLiteral("a\nC:\\old"), QStringLiteral("a\nC:\\old") },
        // Set off by blanks, the line names the parent folder as the reader takes it.
        { QStringLiteral("  /old\na"), folder + QStringLiteral("\na") },
        { QStringLiteral("<?dezodedu-macro?>\na"), QStringLiteral("<?dezodedu-macro?>\na") },
    };
    for (auto const& test : cases) {
        Type(test.Source);
        m_pane->SetRootPath({});
        QString title;
        ChooseFolder(m_folder.path(), &title);
        m_form->mSelRootClick();
        EXPECT_EQ(title, QStringLiteral("親フォルダの選択"));
        EXPECT_EQ(Text(), test.Result);
        EXPECT_EQ(m_pane->GetRootPath(), (folder + u'/').toStdString());
    }
}

TEST_F(TMainFormTest, ImportReplacesTheSourceWithTheLeafFolders)
{
    Create();
    QDir const base(Path(QStringLiteral("base")));
    for (char const* folder : { "A/B", "A/C", "D", "x:y/z" })
        ASSERT_TRUE(QDir().mkpath(base.filePath(QString::fromLatin1(folder))));
    File(QStringLiteral("base/A/file.txt"), "not a folder");
    // A link to a folder listed already: each real folder comes in once.
    ASSERT_TRUE(QFile::link(base.filePath(QStringLiteral("A")), base.filePath(QStringLiteral("zlink"))));
    Type(QStringLiteral("<?dezodedu-macro?>\nunsaved"));
    // Text that came in UTF-8 (a template): the imported source is a new one, in Shift-JIS.
    m_document.Format = { edamaki::TextEncoding::Utf8, true };

    QString information;
    QString title;
    ChooseFolder(base.path(), &title, [&] { AnswerMessageBox(QMessageBox::Ok, &information); });
    m_form->mGetFolderClick();
    EXPECT_EQ(title, QStringLiteral("参照フォルダの選択"));
    EXPECT_EQ(Text(), QStringLiteral("A\\B\nA\\C\nD"));
    EXPECT_EQ(m_document.Format.Encoding, edamaki::TextEncoding::ShiftJis);
    EXPECT_FALSE(m_document.Format.HasByteOrderMark);
    EXPECT_EQ(m_form->windowTitle(), TextCaption);
    EXPECT_FALSE(TagButtonEnabled());
    EXPECT_EQ(Tree(), "A(B,C),D");
    EXPECT_TRUE(information.contains(base.filePath(QStringLiteral("x:y")))) << information.toStdString();
    EXPECT_TRUE(information.contains(base.filePath(QStringLiteral("zlink")))) << information.toStdString();
    Child<QPlainTextEdit>(*m_form, "SrcList")->undo();
    EXPECT_EQ(Text(), QStringLiteral("<?dezodedu-macro?>\nunsaved"));
    EXPECT_TRUE(m_document.Format.HasByteOrderMark);
}

class UrlCatcher : public QObject {
    Q_OBJECT

public:
    QList<QUrl> Opened;

public slots:
    void Open(QUrl const& url) { Opened.append(url); }
};

TEST_F(TMainFormTest, HelpOpensThePageBesideTheProgram)
{
    Create();
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "Open");
    m_form->mHelpClick();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    EXPECT_TRUE(m_form->HelpFile().endsWith(QStringLiteral("/Ramuspan.html")));
    if (QFileInfo::exists(m_form->HelpFile()))
        EXPECT_EQ(catcher.Opened, QList<QUrl> { QUrl::fromLocalFile(m_form->HelpFile()) });
    else
        EXPECT_TRUE(catcher.Opened.isEmpty());
}

// The offscreen platform has nothing that opens a document, as a desktop
// without a launcher: the page shows in a window of the program's own.
TEST_F(TMainFormTest, HelpWithNothingToOpenItShowsThePageInAWindowOfItsOwn)
{
    Create();
    ASSERT_TRUE(QFileInfo::exists(m_form->HelpFile())) << m_form->HelpFile().toStdString();
    for (int time = 0; time < 2; ++time)
        m_form->mHelpClick();
    auto const browsers = m_form->findChildren<QTextBrowser*>(QStringLiteral("HelpBrowser"));
    ASSERT_EQ(browsers.size(), 1);
    QTextBrowser const* browser = browsers.front();
    EXPECT_TRUE(browser->window()->isVisible());
    EXPECT_EQ(browser->source(), QUrl::fromLocalFile(m_form->HelpFile()));
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("Edamaki ヘルプ")));
    auto const* location = browser->window()->findChild<QLabel*>(QStringLiteral("HelpLocation"));
    ASSERT_NE(location, nullptr);
    EXPECT_TRUE(location->text().contains(m_form->HelpFile())) << location->text().toStdString();
}

TEST(TMainFormHelpTest, ThePageBesideTheProgramComesBeforeTheInstalledOne)
{
    struct Case {
        bool BesideProgram;
        bool Installed;
        char const* Found;
    };
    Case const cases[] = {
        { true, true, "bin/Ramuspan.html" },
        { true, false, "bin/Ramuspan.html" },
        { false, true, "share/edamaki/Ramuspan.html" },
        { false, false, "bin/Ramuspan.html" },
    };
    for (auto const& test : cases) {
        QTemporaryDir prefix;
        QDir const root(prefix.path());
        ASSERT_TRUE(root.mkpath(QStringLiteral("bin")) && root.mkpath(QStringLiteral("share/edamaki")));
        if (test.BesideProgram)
            WriteBytes(root.filePath(QStringLiteral("bin/Ramuspan.html")), "<html>");
        if (test.Installed)
            WriteBytes(root.filePath(QStringLiteral("share/edamaki/Ramuspan.html")), "<html>");
        EXPECT_EQ(TMainForm::FindHelpFile(root.filePath(QStringLiteral("bin"))),
            root.filePath(QString::fromLatin1(test.Found)))
            << test.BesideProgram << test.Installed;
    }
}

} // namespace

#include "TMainFormTest.moc"
