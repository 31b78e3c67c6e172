#include "gui/widgets/TplBrowseFolder.h"

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include "tests/gui/ModalDriver.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using edamaki::TplBrowseFolder;

struct SeenInDialog {
    QString Title;
    QStringList Selected;
    QPoint Position;
    bool NativeDialog = true;
};

// Runs Execute while `answer` handles the dialog; records what the dialog showed.
bool ExecuteWith(TplBrowseFolder& browse, SeenInDialog& seen, std::function<void(QFileDialog&)> const& answer)
{
    auto const ran = edamaki::testing::WhenModal([&](QWidget* widget) {
        auto* dialog = qobject_cast<QFileDialog*>(widget);
        if (!dialog) {
            widget->close();
            return;
        }
        seen.Title = dialog->windowTitle();
        seen.Selected = dialog->selectedFiles();
        seen.Position = dialog->frameGeometry().topLeft();
        seen.NativeDialog = !dialog->testOption(QFileDialog::DontUseNativeDialog);
        answer(*dialog);
    });
    bool const chosen = browse.Execute();
    EXPECT_TRUE(*ran);
    return chosen;
}

// Presses the dialog's accept button, as the user does, once the dialog has
// listed the chosen folder and enabled the button. Never leaves it open.
void Choose(QFileDialog& dialog)
{
    QAbstractButton* accept = nullptr;
    if (auto const* buttons = dialog.findChild<QDialogButtonBox*>()) {
        for (QAbstractButton* button : buttons->buttons()) {
            if (buttons->buttonRole(button) == QDialogButtonBox::AcceptRole)
                accept = button;
        }
    }
    if (!accept || !QTest::qWaitFor([accept] { return accept->isEnabled(); }, 5000)) {
        ADD_FAILURE() << "no enabled accept button";
        dialog.reject();
        return;
    }
    accept->click();
}

void ExpectIdle(TplBrowseFolder const& browse)
{
    EXPECT_EQ(browse.DialogHandle(), nullptr);
    EXPECT_EQ(browse.DialogWidth(), 0);
    EXPECT_EQ(browse.DialogHeight(), 0);
}

class TplBrowseFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_directory.isValid());
        ASSERT_TRUE(QDir(m_directory.path()).mkpath(QStringLiteral("作業/写真")));
        ASSERT_TRUE(QDir(m_directory.path()).mkpath(QStringLiteral("別")));
    }

    QString Path(QString const& relative) const { return m_directory.path() + QLatin1Char('/') + relative; }

    QTemporaryDir m_directory;
    TplBrowseFolder m_browse;
};

TEST_F(TplBrowseFolderTest, OpensWithTheTitleAndInitialFolderAndHandsBackTheChoice)
{
    m_browse.Title = QStringLiteral("親フォルダの選択");
    m_browse.InitDir = Path(QStringLiteral("作業/写真"));
    int shows = 0;
    QWidget* handle_at_show = nullptr;
    QObject::connect(&m_browse, &TplBrowseFolder::OnShow, [&](TplBrowseFolder* sender) {
        ++shows;
        EXPECT_EQ(sender, &m_browse);
        handle_at_show = sender->DialogHandle();
        EXPECT_GT(sender->DialogWidth(), 0);
        EXPECT_GT(sender->DialogHeight(), 0);
    });

    SeenInDialog seen;
    EXPECT_TRUE(ExecuteWith(m_browse, seen, Choose));
    EXPECT_EQ(seen.Title, QStringLiteral("親フォルダの選択"));
    EXPECT_EQ(seen.Selected, QStringList { Path(QStringLiteral("作業/写真")) });
    EXPECT_FALSE(seen.NativeDialog);
    EXPECT_EQ(shows, 1);
    EXPECT_NE(handle_at_show, nullptr);
    EXPECT_EQ(m_browse.Folder(), Path(QStringLiteral("作業/写真")));
    EXPECT_EQ(m_browse.DisplayName(), QStringLiteral("写真"));
    ExpectIdle(m_browse);

    // A second run raises OnShow once more and takes another folder.
    m_browse.InitDir = Path(QStringLiteral("別"));
    SeenInDialog again;
    EXPECT_TRUE(ExecuteWith(m_browse, again, Choose));
    EXPECT_EQ(shows, 2);
    EXPECT_EQ(m_browse.Folder(), Path(QStringLiteral("別")));
    EXPECT_EQ(m_browse.DisplayName(), QStringLiteral("別"));
}

TEST_F(TplBrowseFolderTest, CancellingKeepsTheLastChoice)
{
    SeenInDialog seen;
    EXPECT_FALSE(ExecuteWith(m_browse, seen, [](QFileDialog& dialog) { dialog.reject(); }));
    EXPECT_EQ(m_browse.Folder(), QString());
    EXPECT_EQ(m_browse.DisplayName(), QString());
    ExpectIdle(m_browse);

    m_browse.InitDir = Path(QStringLiteral("作業"));
    EXPECT_TRUE(ExecuteWith(m_browse, seen, Choose));
    EXPECT_FALSE(ExecuteWith(m_browse, seen, [&](QFileDialog& dialog) {
        dialog.selectFile(Path(QStringLiteral("別")));
        dialog.reject();
    }));
    EXPECT_EQ(m_browse.Folder(), Path(QStringLiteral("作業")));
    EXPECT_EQ(m_browse.DisplayName(), QStringLiteral("作業"));
    ExpectIdle(m_browse);
}

TEST_F(TplBrowseFolderTest, AMissingInitialFolderOpensTheDefaultSelection)
{
    m_browse.InitDir = Path(QStringLiteral("無い"));
    SeenInDialog seen;
    EXPECT_FALSE(ExecuteWith(m_browse, seen, [](QFileDialog& dialog) { dialog.reject(); }));
    EXPECT_FALSE(seen.Selected.contains(Path(QStringLiteral("無い"))));
}

TEST_F(TplBrowseFolderTest, PlacesTheDialogWhereAskedOrCentresIt)
{
    QRect const screen = QGuiApplication::primaryScreen()->geometry();
    struct Case {
        int Left;
        int Top;
        bool Centred;
    };
    for (Case const c :
        { Case { 0, 0, true }, Case { 0, 10, false }, Case { 10, 0, false }, Case { 37, 52, false } }) {
        m_browse.FormLeft = c.Left;
        m_browse.FormTop = c.Top;
        QSize size_at_show;
        auto const connection
            = QObject::connect(&m_browse, &TplBrowseFolder::OnShow, [&](TplBrowseFolder* sender) {
                  size_at_show = QSize(sender->DialogWidth(), sender->DialogHeight());
              });
        SeenInDialog seen;
        ExecuteWith(m_browse, seen, [](QFileDialog& dialog) { dialog.reject(); });
        QObject::disconnect(connection);

        QPoint const expected = c.Centred ? QPoint(screen.x() + (screen.width() - size_at_show.width()) / 2,
                                    screen.y() + (screen.height() - size_at_show.height()) / 2)
                                          : QPoint(c.Left, c.Top);
        EXPECT_EQ(seen.Position, expected) << c.Left << "," << c.Top;
        ExpectIdle(m_browse);
    }
}

} // namespace
