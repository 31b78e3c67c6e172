#include "gui/windows/TForm3.h"

#include <QAbstractButton>

#include "core/disk/CreationRun.h"
#include "core/tree/TextSourceReader.h"
#include "gui/models/LogListModel.h"
#include "gui/qt/QtShiftJis.h"
#include "tests/SjisLiteral.h"
#include "tests/gui/ModalDriver.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QFrame>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using edamaki::TForm3;
using edamaki::testing::Sjis;

constexpr QRgb Blue = qRgb(0, 0, 255);
constexpr QRgb Black = qRgb(0, 0, 0);
constexpr QRgb Red = qRgb(255, 0, 0);

struct LoggedLine {
    QString Text;
    QRgb Colour;
    bool operator==(LoggedLine const&) const = default;
};

void PrintTo(LoggedLine const& line, std::ostream* out)
{
    *out << line.Text.toStdString() << " #" << std::hex << line.Colour;
}

// The lines as the view shows them: text and foreground colour.
std::vector<LoggedLine> ShownLines(TForm3 const& form)
{
    std::vector<LoggedLine> lines;
    auto const* model = form.LogList->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        QModelIndex const index = model->index(row, 0);
        lines.push_back(
            { index.data().toString(), index.data(Qt::ForegroundRole).value<QBrush>().color().rgb() });
    }
    return lines;
}

// Closes the log window with its button once the run is over.
std::shared_ptr<bool> CloseWhenRunEnds(TForm3& form)
{
    return edamaki::testing::WhenModal([&form](QWidget*) {
        if (form.FormCloseQuery())
            form.CloseBtn->click();
        else // once: a later run's end must not close the window of the next
            QObject::connect(&form, &TForm3::RunFinished, form.CloseBtn, &QPushButton::click,
                static_cast<Qt::ConnectionType>(Qt::QueuedConnection | Qt::SingleShotConnection));
    });
}

class TForm3Test : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_directory.isValid()); }

    // A tree read from text-mode lines (UTF-8 here) under the temporary folder.
    edamaki::FolderTree ReadTree(std::vector<std::string> const& utf8_lines, QString const& below = {})
    {
        std::vector<std::string> lines;
        for (auto const& line : utf8_lines)
            lines.push_back(Sjis(line));
        edamaki::FolderTree tree;
        edamaki::LoadTextSource(tree, lines);
        tree.SetRootPath((below.isEmpty() ? m_directory.path() : Path(below)).toStdString());
        return tree;
    }

    // 100 new folders under `below`, each of which takes a while to make.
    edamaki::FolderTree SlowTree(QString const& below = {})
    {
        if (!below.isEmpty()) {
            EXPECT_TRUE(QDir(m_directory.path()).mkdir(below));
        }
        m_form.SetFileSystemHook([](edamaki::HostCall call, char const*) {
            if (call == edamaki::HostCall::Create)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            return edamaki::HostError {};
        });
        std::vector<std::string> lines;
        for (int folder = 0; folder < 100; ++folder)
            lines.push_back("f" + std::to_string(folder));
        return ReadTree(lines, below);
    }

    QString Path(QString const& relative) const { return m_directory.path() + QLatin1Char('/') + relative; }

    void Run(edamaki::FolderTree const& tree)
    {
        auto const closed = CloseWhenRunEnds(m_form);
        m_form.StartCreation(tree);
        ASSERT_TRUE(*closed);
    }

    QTemporaryDir m_directory;
    TForm3 m_form;
};

TEST_F(TForm3Test, LogsEachFolderInWalkOrderColouredByOutcome)
{
    ASSERT_TRUE(QDir(m_directory.path()).mkdir(QStringLiteral("既存")));
    QFile blocker(Path(QStringLiteral("塞ぐ")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    auto const tree = ReadTree({ "作業\\資料", "既存\\中身", "塞ぐ\\下\\更に下", "作業\\写真", "次" });
    Run(tree);

    std::vector<LoggedLine> const expected {
        { Path(QStringLiteral("作業")), Blue },
        { Path(QStringLiteral("作業/資料")), Blue },
        { Path(QStringLiteral("作業/写真")), Blue },
        { Path(QStringLiteral("既存")), Black },
        { Path(QStringLiteral("既存/中身")), Blue },
        { Path(QStringLiteral("塞ぐ")), Red },
        { Path(QStringLiteral("塞ぐ/下")), Red },
        { Path(QStringLiteral("塞ぐ/下/更に下")), Red },
        { Path(QStringLiteral("次")), Blue },
    };
    EXPECT_EQ(ShownLines(m_form), expected);
    EXPECT_TRUE(QFileInfo(Path(QStringLiteral("作業/写真"))).isDir());
    EXPECT_TRUE(QFileInfo(Path(QStringLiteral("既存/中身"))).isDir());
    EXPECT_TRUE(QFileInfo(Path(QStringLiteral("次"))).isDir());
    EXPECT_TRUE(m_form.CloseBtn->isEnabled());
    EXPECT_FALSE(m_form.isVisible());
    EXPECT_EQ(m_form.result(), QDialog::Accepted);
}

TEST_F(TForm3Test, ASecondRunFindsEveryFolderAndLogsItBlack)
{
    auto const tree = ReadTree({ "a\\b", "c" });
    Run(tree);
    Run(tree);
    std::vector<LoggedLine> const expected {
        { Path("a"), Black },
        { Path("a/b"), Black },
        { Path("c"), Black },
    };
    EXPECT_EQ(ShownLines(m_form), expected);
}

TEST_F(TForm3Test, ALinkThatLeadsOutsideSaysSoInItsLine)
{
    QTemporaryDir outside;
    ASSERT_TRUE(QFile::link(outside.path(), Path(QStringLiteral("link"))));
    Run(ReadTree({ "link\\x" }));
    auto const* model = m_form.LogList->model();
    ASSERT_EQ(model->rowCount(), 2);
    QString const reason = model->index(0, 0).data(Qt::ToolTipRole).toString();
    EXPECT_TRUE(reason.contains(outside.path())) << reason.toStdString();
    EXPECT_TRUE(QFileInfo(outside.path() + QStringLiteral("/x")).isDir());
}

// The status line says why the line under the pointer, or else the current
// line, failed; otherwise it sums the run up. The lines stay as they are.
TEST_F(TForm3Test, TheStatusLineSaysWhyALineFailedAndSumsTheRunUp)
{
    QTemporaryDir outside;
    ASSERT_TRUE(QFile::link(outside.path(), Path(QStringLiteral("link"))));
    QFile blocker(Path(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    auto const tree = ReadTree({ "file\\below", "link", "new", std::string(300, 'n') });
    Run(tree);
    m_form.show();
    QApplication::processEvents();

    QString const summary = QStringLiteral("作成 1 個、既存 1 個、失敗 3 個");
    EXPECT_EQ(m_form.StatusLine->text(), summary);
    struct Case {
        int Row;
        QString Status;
    };
    Case const cases[] = {
        { 0, QStringLiteral("同じ名前のファイルがあるため作成できません。") },
        { 1, QStringLiteral("上のフォルダがないため作成できません。") },
        { 2,
            QStringLiteral("親フォルダの外へのリンクです: ")
                + QFileInfo(outside.path()).canonicalFilePath() },
        { 3, summary },
        { 4, QStringLiteral("名前かパスが長すぎるため作成できません。") },
    };
    auto* view = m_form.LogList;
    for (auto const& c : cases) {
        QModelIndex const index = view->model()->index(c.Row, 0);
        view->setCurrentIndex(index);
        EXPECT_EQ(m_form.StatusLine->text(), c.Status) << c.Row;
        // The tool tip says it in the same words, not the system's English.
        if (c.Row != 3) {
            EXPECT_EQ(index.data(Qt::ToolTipRole).toString(), c.Status) << c.Row;
        }
        // The line under the pointer wins over the current one.
        view->setCurrentIndex(view->model()->index(0, 0));
        QPoint const point = view->visualRect(index).center();
        QMouseEvent move(QEvent::MouseMove, point, view->viewport()->mapToGlobal(point), Qt::NoButton,
            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &move);
        EXPECT_EQ(m_form.StatusLine->text(), c.Row == 3 ? cases[0].Status : c.Status) << c.Row;
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(view->viewport(), &leave);
    }
    view->setCurrentIndex({});
    EXPECT_EQ(m_form.StatusLine->text(), summary);
    std::vector<LoggedLine> const expected {
        { Path(QStringLiteral("file")), Red },
        { Path(QStringLiteral("file/below")), Red },
        { Path(QStringLiteral("link")), Black },
        { Path(QStringLiteral("new")), Blue },
        { Path(QString(300, u'n')), Red },
    };
    EXPECT_EQ(ShownLines(m_form), expected);
    m_form.hide();
}

TEST_F(TForm3Test, ATreeWithoutFoldersLogsOneRedLine)
{
    auto const tree = ReadTree({});
    Run(tree);
    std::vector<LoggedLine> const expected { { QStringLiteral("作成するフォルダがありませんでした。"),
        Red } };
    EXPECT_EQ(ShownLines(m_form), expected);
    EXPECT_EQ(QDir(m_directory.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
}

TEST_F(TForm3Test, AFolderWindowsClientsCantOpenIsMadeAndNamedBelowItsLine)
{
    auto const tree = ReadTree({ "CON", "end." });
    Run(tree);
    QRgb const warning = qRgb(170, 85, 0);
    std::vector<LoggedLine> const expected {
        { Path("CON"), Blue },
        { QStringLiteral("　⚠ Windows の予約名 (CON、NUL、COM1 など) のため、Windows からは開けません。"),
            warning },
        { Path("end."), Blue },
        { QStringLiteral("　⚠ 名前の末尾が「.」か空白のため、Windows からは開けません。"), warning },
    };
    EXPECT_EQ(ShownLines(m_form), expected);
}

TEST_F(TForm3Test, ShowingTheLogAgainRunsNothing)
{
    // Before any run: an empty log that can be closed at once.
    auto closed = CloseWhenRunEnds(m_form);
    m_form.ShowLog();
    ASSERT_TRUE(*closed);
    EXPECT_TRUE(ShownLines(m_form).empty());

    auto const tree = ReadTree({ "x" });
    Run(tree);
    ASSERT_TRUE(QDir(m_directory.path()).rmdir(QStringLiteral("x")));

    closed = CloseWhenRunEnds(m_form);
    m_form.ShowLog();
    ASSERT_TRUE(*closed);
    std::vector<LoggedLine> const expected { { Path("x"), Blue } };
    EXPECT_EQ(ShownLines(m_form), expected);
    EXPECT_FALSE(QFileInfo::exists(Path("x")));
}

// The run goes on while the window takes input: it shows its lines and how
// far it got, the focus on the button that would stop it.
TEST_F(TForm3Test, ASlowRunShowsItsProgressAndEndsAsUsual)
{
    auto const tree = SlowTree();
    QString button_text;
    bool button_focused = false;
    bool progress_shown = false;
    auto const watched = edamaki::testing::WhenModal([&](QWidget*) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return m_form.LogList->model()->rowCount() >= 2; }, 5000));
        EXPECT_FALSE(m_form.FormCloseQuery());
        button_text = m_form.CloseBtn->text();
        button_focused = QApplication::focusWidget() == m_form.CloseBtn && m_form.CloseBtn->isEnabled();
        progress_shown = m_form.StatusLine->text()
            == QStringLiteral("作成中 %1 / 100 個").arg(m_form.LogList->model()->rowCount());
        QObject::connect(&m_form, &TForm3::RunFinished, m_form.CloseBtn, &QPushButton::click,
            static_cast<Qt::ConnectionType>(Qt::QueuedConnection | Qt::SingleShotConnection));
    });
    m_form.StartCreation(tree);
    ASSERT_TRUE(*watched);
    EXPECT_EQ(button_text, QStringLiteral("中止"));
    EXPECT_TRUE(button_focused);
    EXPECT_TRUE(progress_shown);

    EXPECT_EQ(m_form.CloseBtn->text(), QStringLiteral("閉じる"));
    EXPECT_EQ(m_form.StatusLine->text(), QStringLiteral("作成 100 個、既存 0 個、失敗 0 個"));
    auto const lines = ShownLines(m_form);
    ASSERT_EQ(lines.size(), 100u);
    EXPECT_EQ(lines.back(), (LoggedLine { Path(QStringLiteral("f99")), Blue }));
}

// The button by key, Escape and closing the window all stop the run; the
// window stays until the run has wound down, and the log ends saying what
// was left.
TEST_F(TForm3Test, ARunStopsByKeyOrClosingAndSaysWhatWasLeft)
{
    struct Case {
        char const* Name;
        std::function<void(TForm3&)> Stop;
    };
    Case const cases[] = {
        { "space", [](TForm3&) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space); } },
        { "enter", [](TForm3&) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); } },
        { "escape", [](TForm3&) { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); } },
        { "close", [](TForm3& form) { EXPECT_FALSE(form.close()); } },
    };
    QRegularExpression const stopped_line(
        QStringLiteral("^中止しました。作成 (\\d+) 個、既存 (\\d+) 個、失敗 (\\d+) 個、未処理 (\\d+) 個$"));
    for (auto const& c : cases) {
        SCOPED_TRACE(c.Name);
        auto const tree = SlowTree(QString::fromLatin1(c.Name));
        bool winding_down = false;
        bool closed_after = false;
        auto const stopped = edamaki::testing::WhenModal([&](QWidget*) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return m_form.LogList->model()->rowCount() >= 1; }, 5000));
            ASSERT_EQ(QApplication::focusWidget(), m_form.CloseBtn);
            c.Stop(m_form);
            winding_down = !m_form.CloseBtn->isEnabled() && m_form.isVisible();
            ASSERT_TRUE(QTest::qWaitFor([&] { return m_form.FormCloseQuery(); }, 5000));
            closed_after = m_form.close();
        });
        m_form.StartCreation(tree);
        ASSERT_TRUE(*stopped);
        EXPECT_TRUE(winding_down);
        EXPECT_TRUE(closed_after);

        auto const lines = ShownLines(m_form);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back().Colour, Red);
        auto const match = stopped_line.match(lines.back().Text);
        ASSERT_TRUE(match.hasMatch()) << lines.back().Text.toStdString();
        int const created = match.captured(1).toInt();
        int const not_tried = match.captured(4).toInt();
        EXPECT_EQ(
            created, std::count_if(lines.begin(), lines.end(), [](auto& l) { return l.Colour == Blue; }));
        EXPECT_EQ(lines.size(), static_cast<std::size_t>(created + 1));
        EXPECT_EQ(created + match.captured(2).toInt() + match.captured(3).toInt() + not_tried, 100);
        EXPECT_GT(not_tried, 0);
        EXPECT_EQ(m_form.StatusLine->text(),
            QStringLiteral("中止: 作成 %1、既存 %2、失敗 %3、未処理 %4 個")
                .arg(match.captured(1), match.captured(2), match.captured(3), match.captured(4)));
        EXPECT_EQ(m_form.CloseBtn->text(), QStringLiteral("閉じる"));
    }
}

TEST_F(TForm3Test, WhatTheRunThrowsIsLoggedInRed)
{
    m_form.SetFileSystemHook([](edamaki::HostCall, char const*) -> edamaki::HostError {
        throw std::runtime_error("out of memory");
    });
    Run(ReadTree({ "x" }));
    std::vector<LoggedLine> const expected { { QStringLiteral("out of memory"), Red } };
    EXPECT_EQ(ShownLines(m_form), expected);
}

// What the window is for: its longest summary shows whole, and Enter closes
// it once the run is over, the close button being the default.
TEST_F(TForm3Test, TheLongestSummaryShowsWholeAndEnterCloses)
{
    EXPECT_GE(m_form.StatusLine->width(),
        m_form.StatusLine->fontMetrics().horizontalAdvance(QStringLiteral(
            "中止しました。作成 1,000,000 個、既存 1,000,000 個、失敗 1,000,000 個、未処理 1,000,000 個")));
    auto const closed = edamaki::testing::WhenModal([this](QWidget* window) {
        EXPECT_TRUE(QTest::qWaitFor([this] { return m_form.FormCloseQuery(); }, 5000));
        QTest::keyClick(window, Qt::Key_Return);
    });
    m_form.StartCreation(ReadTree({ "x" }));
    EXPECT_TRUE(*closed);
    EXPECT_FALSE(m_form.isVisible());
    EXPECT_TRUE(QFileInfo(Path("x")).isDir());
}

TEST_F(TForm3Test, ResizingKeepsTheCloseButtonCentred)
{
    struct Case {
        int Width;
        int Left;
    };
    m_form.show();
    for (Case const c :
        { Case { 385, 155 }, Case { 400, 162 }, Case { 76, 0 }, Case { 50, -12 }, Case { 1001, 463 } }) {
        m_form.resize(c.Width, 200);
        ASSERT_TRUE(QTest::qWaitFor([&] { return m_form.Panel1->width() == c.Width; }, 1000)) << c.Width;
        EXPECT_EQ(m_form.CloseBtn->x(), c.Left) << c.Width;
        EXPECT_EQ(m_form.Panel1->width(), c.Width);
    }
    m_form.hide();
}

TEST_F(TForm3Test, LongPathsScrollSidewaysInsteadOfWrapping)
{
    std::string const long_name(200, 'n');
    auto const tree = ReadTree({ long_name + "\\" + long_name });
    m_form.resize(385, 302);
    Run(tree);
    m_form.show();
    QApplication::processEvents();
    EXPECT_GT(m_form.LogList->horizontalScrollBar()->maximum(), 0);
    int const row_height = m_form.LogList->visualRect(m_form.LogList->model()->index(0, 0)).height();
    EXPECT_LT(row_height, 2 * QFontMetrics(m_form.LogList->font()).height());
    m_form.hide();
}

} // namespace

namespace {

// The button under the log takes back the run just made, after a question
// that names each folder to go; the log then lists them blue.
TEST_F(TForm3Test, TheUndoButtonTakesBackTheRunAfterAsking)
{
    ASSERT_TRUE(QDir(m_directory.path()).mkdir(QStringLiteral("既存")));
    auto const tree = ReadTree({ "作業\\資料", "既存" });
    QString question;
    QString listed;
    bool button_shown = false;
    auto const undo_and_close = [&] {
        button_shown = m_form.UndoBtn->isVisible();
        edamaki::testing::WhenModal([&](QWidget* widget) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            ASSERT_TRUE(box);
            question = box->text();
            listed = box->informativeText();
            if (auto* yes = box->button(QMessageBox::Yes))
                yes->click();
            else
                box->reject();
        });
        m_form.UndoBtn->click();
        m_form.CloseBtn->click();
    };
    auto const closed = edamaki::testing::WhenModal([&](QWidget*) {
        if (m_form.FormCloseQuery())
            QTimer::singleShot(0, &m_form, undo_and_close);
        else
            QObject::connect(&m_form, &TForm3::RunFinished, &m_form, undo_and_close, Qt::QueuedConnection);
    });
    m_form.StartCreation(tree);
    ASSERT_TRUE(*closed);
    EXPECT_TRUE(button_shown);
    EXPECT_NE(question.indexOf(QStringLiteral("2 個を削除しますか")), -1) << question.toStdString();
    EXPECT_EQ(listed, Path(QStringLiteral("作業/資料")) + QLatin1Char('\n') + Path(QStringLiteral("作業")));
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("作業"))));
    EXPECT_TRUE(QFileInfo(Path(QStringLiteral("既存"))).isDir());
    auto const lines = ShownLines(m_form);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 3], (LoggedLine { Path(QStringLiteral("作業/資料")), Blue }));
    EXPECT_EQ(lines[lines.size() - 2], (LoggedLine { Path(QStringLiteral("作業")), Blue }));
    EXPECT_FALSE(m_form.UndoBtn->isVisible());
}

} // namespace
