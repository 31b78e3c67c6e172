#include "core/disk/HostFileSystem.h"
#include "core/document/Document.h"
#include "core/tree/TextSourceReader.h"
#include "gui/models/FolderTreeModel.h"
#include "gui/qt/FolderForecaster.h"
#include "gui/widgets/FolderTreeView.h"
#include "gui/windows/TForm1.h"
#include "gui/windows/TForm3.h"
#include "gui/windows/TMainForm.h"
#include "tests/gui/Child.h"

#include <QAccessible>
#include <QAction>
#include <QBrush>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace {

using edamaki::FolderForecaster;
using edamaki::TForm1;
using edamaki::TMainForm;
using edamaki::testing::Child;

class FolderMarksTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        ASSERT_TRUE(QDir(m_folder.path()).mkdir(QStringLiteral("there")));
        QFile file(m_folder.filePath(QStringLiteral("file")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        Create();
    }

    void TearDown() override { Close(); }

    void Create()
    {
        m_form = std::make_unique<TMainForm>(m_document);
        m_form->SetLogWindow(new edamaki::TForm3(m_form.get()));
        m_pane = new TForm1(m_document, [this](TForm1& pane) { m_form->StartUp(pane); });
    }

    void Close()
    {
        Child<QPlainTextEdit>(*m_form, "SrcList")->document()->setModified(false);
        delete m_pane.data();
        m_form.reset();
    }

    void Type(QString const& text)
    {
        Child<QPlainTextEdit>(*m_form, "SrcList")->selectAll();
        Child<QPlainTextEdit>(*m_form, "SrcList")->insertPlainText(text);
    }

    bool MarksReady() { return !m_pane->Forecaster().IsPending() && m_pane->Model().Forecast(); }

    // Each shown row: its label, tool tip and colour name ("" for the view's own).
    QStringList Rows() const
    {
        QStringList rows;
        edamaki::FolderTreeView const& view = *m_pane->Tree1;
        for (int row = 0; row < view.RowCount(); ++row) {
            QModelIndex const index = view.IndexOfRow(row);
            QVariant const colour = index.data(Qt::ForegroundRole);
            rows.append(index.data().toString() + u'|' + index.data(Qt::ToolTipRole).toString() + u'|'
                + (colour.isValid() ? colour.value<QBrush>().color().name() : QString()));
        }
        return rows;
    }

    QString Status() const
    {
        return m_pane->MarksStatus->isHidden() ? QStringLiteral("<none>") : m_pane->MarksStatus->text();
    }

    QTemporaryDir m_folder;
    edamaki::Document m_document;
    std::unique_ptr<TMainForm> m_form;
    QPointer<TForm1> m_pane;
};

TEST_F(FolderMarksTest, EachFolderShowsWhatTheRunWouldDoWithIt)
{
    Type(QStringLiteral("there\nnew\nfile"));
    EXPECT_EQ(Status(), "<none>") << "no parent folder, no status line";
    Type(m_folder.path() + QStringLiteral("\nthere\nnew\nfile"));
    EXPECT_EQ(Status(), QStringLiteral("確認中…"));
    ASSERT_TRUE(QTest::qWaitFor([this] { return MarksReady(); }));
    QString const root = m_document.Tree.GetRootText().c_str();
    EXPECT_EQ(Rows(),
        QStringList({ root + QStringLiteral("|親フォルダの中にフォルダを作成できます。|"),
            QStringLiteral("there|既にあります。|#808080"), QStringLiteral("new|作成します。|"),
            QStringLiteral("file|同じ名前のファイルがあるため作成できません。|#c80000") }));
    EXPECT_EQ(Status(), QStringLiteral("新規 1 個、既存 1 個、失敗 1 個"));
    // Screen readers hear it first in the row's description.
    QAccessibleInterface* const rows = QAccessible::queryAccessibleInterface(m_pane->Tree1);
    ASSERT_TRUE(rows);
    EXPECT_EQ(rows->child(3)->text(QAccessible::Description),
        QStringLiteral("同じ名前のファイルがあるため作成できません。階層 2、3 個中 3 番目"));

    // A missing parent folder is marked on the root node.
    Type(m_folder.filePath(QStringLiteral("gone")) + QStringLiteral("\nnew"));
    ASSERT_TRUE(QTest::qWaitFor([this] { return MarksReady(); }));
    EXPECT_EQ(Rows().front(),
        m_document.Tree.GetRootText().c_str() + QStringLiteral("|親フォルダがありません。|#c80000"));
}

TEST_F(FolderMarksTest, TheSwitchTakesTheMarksOffAndIsRemembered)
{
    Type(m_folder.path() + QStringLiteral("\nthere"));
    ASSERT_TRUE(QTest::qWaitFor([this] { return MarksReady(); }));
    auto* item = Child<QAction>(*m_form, "mShowMarks");
    ASSERT_TRUE(item->isChecked());
    item->trigger();
    EXPECT_EQ(Rows().last(), QStringLiteral("there||"));
    EXPECT_EQ(Status(), "<none>");
    Type(m_folder.path() + QStringLiteral("\nthere\nnew"));
    EXPECT_FALSE(m_pane->Forecaster().IsPending());
    EXPECT_EQ(m_pane->Forecaster().RunningCount(), 0u);

    // The next start is off too, until switched on again.
    Close();
    Create();
    EXPECT_FALSE(Child<QAction>(*m_form, "mShowMarks")->isChecked());
    EXPECT_FALSE(m_pane->FolderMarksShown());
    Child<QAction>(*m_form, "mShowMarks")->trigger();
    Type(m_folder.path() + QStringLiteral("\nthere"));
    ASSERT_TRUE(QTest::qWaitFor([this] { return MarksReady(); }));
    EXPECT_EQ(Rows().last(), QStringLiteral("there|既にあります。|#808080"));
}

// Holds the first call of a forecast's file system until opened, as a file
// server that does not answer would, and tells when the forecast is done
// with the file system.
struct Gate {
    std::atomic<bool> Reached { false };
    std::atomic<bool> Open { false };
    std::atomic<bool> Ended { false };
};

std::function<void(edamaki::HostFileSystem&)> HeldAt(std::shared_ptr<Gate> gate)
{
    return [gate](edamaki::HostFileSystem& file_system) {
        auto const on_end = std::shared_ptr<void>(nullptr, [gate](void*) { gate->Ended = true; });
        file_system.SetCallHook([gate, on_end](edamaki::HostCall, char const*) {
            gate->Reached = true;
            while (!gate->Open)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return edamaki::HostError {};
        });
    };
}

TEST(FolderForecasterTest, AForecastOfAnEarlierTreeIsDropped)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    edamaki::FolderTree tree;
    edamaki::LoadTextSource(tree, { folder.path().toStdString(), "a" });
    edamaki::NodeId const a = tree.Children(tree.Root()).front();
    auto const first = std::make_shared<Gate>();
    auto const second = std::make_shared<Gate>();
    // Whatever fails, no forecast stays held.
    std::shared_ptr<void> const open_gates(nullptr, [&](void*) { first->Open = second->Open = true; });
    FolderForecaster forecaster(tree);
    forecaster.SetDelay(std::chrono::milliseconds(0));
    forecaster.SetFileSystemSetup(HeldAt(first));
    forecaster.TreeChanged();
    ASSERT_TRUE(QTest::qWaitFor([&] { return first->Reached.load(); }));

    // The first forecast ends, and the disk changes before its result is taken.
    forecaster.SetFileSystemSetup(HeldAt(second));
    first->Open = true;
    for (int waited = 0; !first->Ended && waited < 10'000; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(first->Ended);
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("a")));
    forecaster.TreeChanged();
    // The first has reported back, and the second is held.
    ASSERT_TRUE(QTest::qWaitFor([&] { return second->Reached && forecaster.RunningCount() == 1; }));
    EXPECT_EQ(forecaster.Forecast(), nullptr);
    EXPECT_TRUE(forecaster.IsPending());

    second->Open = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return forecaster.Forecast() != nullptr; }));
    EXPECT_EQ(forecaster.Forecast()->MarkOf(a), edamaki::FolderMark::Existing);
    EXPECT_FALSE(forecaster.IsPending());
}

} // namespace
