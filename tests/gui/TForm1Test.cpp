#include "gui/windows/TForm1.h"

#include "core/document/Document.h"
#include "gui/models/FolderTreeModel.h"
#include "gui/qt/QtShiftJis.h"
#include "gui/qt/SourceReadScheduler.h"
#include "gui/widgets/FolderTreeView.h"
#include "tests/SjisLiteral.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using edamaki::TForm1;
using edamaki::testing::Sjis;

std::vector<std::string> SjisLines(std::vector<std::string> const& utf8_lines)
{
    std::vector<std::string> lines;
    for (auto const& line : utf8_lines)
        lines.push_back(Sjis(line));
    return lines;
}

using Lines = std::vector<std::string>;

// The tree as the view shows it (UTF-8): one line per visible node, indented
// by depth, with "-" in front of a collapsed node that has children.
Lines ShownTree(edamaki::FolderTreeView const& view)
{
    Lines shown;
    std::function<void(QModelIndex const&, int)> walk = [&](QModelIndex const& parent, int depth) {
        auto const* model = view.model();
        for (int row = 0; row < model->rowCount(parent); ++row) {
            QModelIndex const index = model->index(row, 0, parent);
            bool const collapsed = model->rowCount(index) > 0 && !view.isExpanded(index);
            shown.push_back(std::string(static_cast<std::size_t>(depth) * 2, ' ') + (collapsed ? "-" : "")
                + index.data().toString().toStdString());
            if (!collapsed)
                walk(index, depth + 1);
        }
    };
    walk({}, 0);
    return shown;
}

// The pane with the editor and the reads the program links it to: a source
// is shown as the program shows it, read from the editor's text.
struct PaneWithEditor {
    explicit PaneWithEditor(std::function<void(TForm1&)> const& start_up = nullptr)
        : Form(Document, start_up)
        , Reads(Editor, Form, Form, Document)
    {
        Form.LinkEditor(Editor);
        Form.LinkReads(Reads);
    }

    // Puts the Shift-JIS lines in the editor and reads them, as opening a file does.
    void Read(std::vector<std::string> const& shift_jis_lines)
    {
        QStringList text;
        for (std::string const& line : shift_jis_lines)
            text << edamaki::ShiftJisToQString(line);
        {
            edamaki::SourceReadScheduler::ProgramEdit const edit(&Reads);
            Editor.setPlainText(text.join(u'\n'));
        }
        Reads.ReadNow();
    }

    edamaki::Document Document;
    QPlainTextEdit Editor;
    TForm1 Form;
    edamaki::SourceReadScheduler Reads;
};

TEST(TForm1Test, CreationEndsWithTheStartUpCallOnAnEmptyTree)
{
    TForm1* seen = nullptr;
    bool icon_ready = false;
    PaneWithEditor pane([&](TForm1& started) {
        seen = &started;
        icon_ready = started.FolderIconIndex >= 0 && !started.IconList.at(started.FolderIconIndex).isNull();
    });
    TForm1& form = pane.Form;
    // The program's start-up reads the empty source.
    pane.Read({});
    EXPECT_EQ(seen, &form);
    EXPECT_TRUE(icon_ready);
    EXPECT_EQ(form.objectName(), "Form1");
    EXPECT_EQ(form.findChild<edamaki::FolderTreeView*>("Tree1"), form.Tree1);
    EXPECT_EQ(ShownTree(*form.Tree1), Lines { "<ROOT>" });
    EXPECT_EQ(form.GetRootPath(), "");
    EXPECT_FALSE(form.IsTreeModified());
}

TEST(TForm1Test, AReadShowsTheWholeTreeExpandedWithTheRootOnTop)
{
    PaneWithEditor pane;
    TForm1& form = pane.Form;
    edamaki::Document& document = pane.Document;
    form.resize(181, 60);
    form.show();
    struct Case {
        char const* Name;
        bool Macro;
        std::vector<std::string> Source;
        Lines Shown;
    };
    std::vector<Case> const cases {
        { "text", false, { "/srv/作業", "A\\B\\C", "A\\D", "E" },
            { "ROOT [/srv/作業/]", "  A", "    B", "      C", "    D", "  E" } },
        { "macro", true, { "<?dezodedu-macro?>", "/srv", "P<#2:1-2>", ">src", ">>x" },
            { "ROOT [/srv/]", "  P01", "    src", "      x", "  P02", "    src", "      x" } },
        { "empty", false, {}, { "ROOT [/srv/]" } },
    };
    for (Case const& c : cases) {
        // Collapse and scroll first: the next read shows everything again.
        form.Tree1->collapseAll();
        form.Tree1->scrollToBottom();
        pane.Read(SjisLines(c.Source));
        EXPECT_EQ(ShownTree(*form.Tree1), c.Shown) << c.Name;
        EXPECT_EQ(form.Tree1->indexAt(QPoint(5, 2)), form.Tree1->model()->index(0, 0)) << c.Name;
        EXPECT_TRUE(form.Tree1->updatesEnabled());
        EXPECT_EQ(document.Map.IsMacro(), c.Macro);
    }
}

TEST(TForm1Test, EveryNodeShowsTheFolderIcon)
{
    PaneWithEditor pane;
    TForm1& form = pane.Form;
    pane.Read(SjisLines({ "A\\B", "C" }));
    auto const* model = form.Tree1->model();
    QModelIndex const root = model->index(0, 0);
    qint64 const icon_key = form.IconList.at(form.FolderIconIndex).cacheKey();
    for (QModelIndex const& index : { root, model->index(0, 0, root),
             model->index(0, 0, model->index(0, 0, root)), model->index(1, 0, root) }) {
        ASSERT_TRUE(index.isValid());
        EXPECT_EQ(index.data(Qt::DecorationRole).value<QIcon>().cacheKey(), icon_key)
            << index.data().toString().toStdString();
    }
    EXPECT_FALSE(model->index(0, 0).data(Qt::ToolTipRole).isValid());
}

TEST(TForm1Test, TheRootNodeNeverCollapses)
{
    PaneWithEditor pane;
    TForm1& form = pane.Form;
    form.show();
    pane.Read(SjisLines({ "A\\B", "C\\D" }));
    QModelIndex const root = form.Tree1->model()->index(0, 0);
    QModelIndex const folder = form.Tree1->model()->index(0, 0, root);

    EXPECT_FALSE(form.Tree1Collapsing(root));
    EXPECT_TRUE(form.Tree1Collapsing(folder));

    form.Tree1->collapse(root);
    EXPECT_TRUE(form.Tree1->isExpanded(root));
    form.Tree1->setCurrentIndex(root);
    QTest::keyClick(form.Tree1, Qt::Key_Left);
    EXPECT_TRUE(form.Tree1->isExpanded(root));

    form.Tree1->collapse(folder);
    EXPECT_EQ(ShownTree(*form.Tree1), (Lines { "<ROOT>", "  -A", "  C", "    D" }));
}

TEST(TForm1Test, TheParentFolderShowsInTheRootCaptionAndSurvivesReads)
{
    PaneWithEditor pane;
    TForm1& form = pane.Form;
    pane.Read(SjisLines({ "A" }));
    form.SetRootPath(Sjis("/home/利用者/作業"));
    EXPECT_EQ(
        form.Tree1->model()->index(0, 0).data().toString(), QStringLiteral("ROOT [/home/利用者/作業/]"));
    EXPECT_EQ(form.GetRootPath(), Sjis("/home/利用者/作業/"));

    pane.Read(SjisLines({ "<?dezodedu-macro?>", "B" }));
    EXPECT_EQ(ShownTree(*form.Tree1), (Lines { "ROOT [/home/利用者/作業/]", "  B" }));

    form.SetRootPath({});
    EXPECT_EQ(ShownTree(*form.Tree1), (Lines { "<ROOT>", "  B" }));
    EXPECT_EQ(form.GetRootPath(), "");
}

TEST(TForm1Test, ThousandsOfNodesAreAllExpanded)
{
    PaneWithEditor pane;
    TForm1& form = pane.Form;
    edamaki::Document& document = pane.Document;
    form.show();
    std::vector<std::string> lines { "<?dezodedu-macro?>" };
    for (int group = 0; group < 100; ++group) {
        lines.push_back("Group" + std::to_string(group));
        lines.push_back(">Part<#2:1-4>");
        for (int item = 0; item < 18; ++item)
            lines.push_back(">>doc" + std::to_string(item));
    }
    pane.Read(lines);
    auto const* model = form.Tree1->model();
    QModelIndex const root = model->index(0, 0);
    ASSERT_EQ(model->rowCount(root), 100);
    QModelIndex const last_group = model->index(99, 0, root);
    QModelIndex const last_part = model->index(3, 0, last_group);
    EXPECT_EQ(last_part.data().toString(), "Part04");
    EXPECT_TRUE(form.Tree1->isExpanded(last_group));
    EXPECT_TRUE(form.Tree1->isExpanded(last_part));
    EXPECT_EQ(model->rowCount(last_part), 18);
    EXPECT_EQ(document.Tree.NodeCount(), 1u + 100u * (1u + 4u + 4u * 18u));
}

} // namespace

namespace {

TEST(TForm1Test, LongNamesScrollSidewaysUncut)
{
    PaneWithEditor pane;
    TForm1& form = pane.Form;
    edamaki::Document& document = pane.Document;
    form.resize(181, 200);
    form.show();
    QString const long_name
        = QStringLiteral("とても長いフォルダ名のフォルダ") + QString(40, QLatin1Char('W'));
    pane.Read(SjisLines({ "A\\B\\" + long_name.toStdString(), "C" }));
    QApplication::processEvents();

    QModelIndex const root = form.Tree1->model()->index(0, 0);
    QModelIndex const deepest = form.Tree1->model()->index(
        0, 0, form.Tree1->model()->index(0, 0, form.Tree1->model()->index(0, 0, root)));
    ASSERT_EQ(deepest.data().toString(), long_name);
    int const label_right = 3 * form.Tree1->indentation() + form.Tree1->iconSize().width()
        + QFontMetrics(form.Tree1->font()).horizontalAdvance(long_name);
    EXPECT_GE(form.Tree1->ColumnWidth(), label_right);
    EXPECT_GT(form.Tree1->horizontalScrollBar()->maximum(), 0);

    // A short tree fits again.
    pane.Read(SjisLines({ "C" }));
    QApplication::processEvents();
    EXPECT_EQ(form.Tree1->horizontalScrollBar()->maximum(), 0);

    // A long name given in the pane scrolls sideways at once, without a read.
    edamaki::NodeId const folder = document.Tree.Children(document.Tree.Root()).front();
    form.Model().Rename(folder, Sjis(long_name.toStdString()));
    QApplication::processEvents();
    EXPECT_GT(form.Tree1->horizontalScrollBar()->maximum(), 0);
    form.Model().Rename(folder, "C");
    QApplication::processEvents();
    EXPECT_EQ(form.Tree1->horizontalScrollBar()->maximum(), 0);
}

} // namespace
