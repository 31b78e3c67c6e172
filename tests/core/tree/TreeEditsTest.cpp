#include "core/tree/TreeEdits.h"

#include "core/document/SourceDocument.h"
#include "core/text/SourceOffsets.h"
#include "core/tree/MacroSourceReader.h"
#include "tests/SjisLiteral.h"
#include "tests/TreeDump.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>

namespace edamaki {
namespace {

using Lines = std::vector<std::string>;
using Path = std::vector<std::string>;
using testing::Dump;
using testing::Sjis;

std::string const New = std::string(NewFolderName);

struct LinesSink : SourceSink {
    std::size_t AppendLines(std::vector<std::string> const& lines) override
    {
        std::size_t const start = SourceOffsets(Text).TextLength();
        Text.insert(Text.end(), lines.begin(), lines.end());
        return start;
    }
    std::vector<std::string> Lines() const override { return Text; }
    void ReplaceLines(std::vector<std::size_t> const& kept, std::vector<std::string> const& lines) override
    {
        std::vector<std::string> text;
        for (std::size_t const index : kept)
            text.push_back(Text.at(index));
        text.insert(text.end(), lines.begin(), lines.end());
        Text = text;
    }

    std::vector<std::string> Text;
};

// Does what the tree pane does, on a tree and a list of lines.
struct Pane {
    explicit Pane(Lines const& source)
    {
        Source.Text = source;
        ReadSource(Tree, Map, source);
    }
    EditedTree Edited() { return { Tree, Map, State }; }
    bool IsModified() const { return State.IsEdited() && !Map.IsMacro(); }

    NodeId Find(Path const& path) const
    {
        NodeId node = Tree.Root();
        for (auto const& name : path)
            node = Tree.FindChildNode(node, name);
        return node;
    }
    NodeId Add(Path const& path, bool inside)
    {
        auto const plan = PlanAddition(Tree, Map.IsMacro(), Find(path), inside);
        if (!plan)
            return NoNode;
        NodeId const node = Tree.AppendChild(plan->Parent, plan->Name, plan->Data);
        NoteNodeAdded(Edited());
        BeginLabelEdit(Edited(), node, Source);
        return node;
    }
    LabelOutcome Confirm(NodeId node, std::string const& typed)
    {
        LabelDecision const decision = ConfirmLabelEdit(Edited(), node, typed);
        if (decision.Outcome != LabelOutcome::Kept) {
            Tree.Rename(node, decision.Name);
            FinishLabelEdit(Edited(), node, decision, Source);
        }
        return decision.Outcome;
    }
    LabelOutcome Rename(Path const& path, std::string const& typed)
    {
        BeginLabelEdit(Edited(), Find(path), Source);
        return Confirm(Find(path), typed);
    }
    // The selection in the order it was made; deleted from the last.
    void Delete(std::initializer_list<Path> selection)
    {
        std::vector<NodeId> nodes;
        for (auto const& path : selection)
            nodes.push_back(Find(path));
        Lines tag_lines;
        for (auto node = nodes.rbegin(); node != nodes.rend(); ++node) {
            if (!CanDelete(Tree, Map.IsMacro(), *node))
                continue;
            tag_lines.push_back(DeleteTagLine(Tree, *node));
            Tree.RemoveNode(*node);
        }
        WriteDeletions(Edited(), tag_lines, Source);
    }
    // The lines written after the first `count`.
    Lines Appended(std::size_t count) const { return Lines(Source.Text.begin() + count, Source.Text.end()); }

    FolderTree Tree;
    SourceMap Map;
    TreeEditState State;
    LinesSink Source;
};

TEST(TreeEditsTest, MakeUniqueName)
{
    struct Case {
        Lines Siblings;
        char const* Name;
        int Except; // index among the siblings, -1 for none
        char const* Expected;
    };
    std::vector<Case> const cases {
        { { "a", "a(1)", "a(3)" }, "a", -1, "a(2)" },
        { { "a(1)", "a" }, "a(1)", -1, "a(1)(1)" },
        { { "Abc" }, "abc", -1, "abc" },
        { { "a" }, "a", 0, "a" },
        { { "a(1)", "a" }, "a", 0, "a(1)" },
        { { "x", "a", "a" }, "a", 1, "a(1)" },
    };
    for (Case const& c : cases) {
        FolderTree tree;
        tree.BeginRead(false);
        std::vector<NodeId> nodes;
        for (int index = 0; index < 12; ++index) // enough siblings for the name index
            tree.AppendChild(tree.Root(), "pad" + std::to_string(index), 0);
        for (auto const& name : c.Siblings)
            nodes.push_back(tree.AppendChild(tree.Root(), name, 0));
        NodeId const except = c.Except < 0 ? NoNode : nodes[static_cast<std::size_t>(c.Except)];
        EXPECT_EQ(MakeUniqueName(tree, tree.Root(), c.Name, except), c.Expected) << c.Name;
    }
}

// Macro mode: every edit appends one tag line, and reading the source again
// gives the tree the edit left.
TEST(TreeEditsTest, MacroEditsAppendTagLinesThatRepeatThem)
{
    Lines const source { "<?dezodedu-macro?>", "A", ">B", ">新規フォルダ", "C", "a,b", "<+:/E>" };
    struct Case {
        char const* Name;
        std::function<void(Pane&)> Edit;
        Lines Appended;
        char const* Tree;
    };
    std::vector<Case> const cases {
        { "rename",
            [](Pane& pane) {
                pane.Rename({ "A", "B" }, "D");
            },
            { "<r:A/B,D>" }, "A(D,新規フォルダ),C,a,b,(E)" },
        { "rename to a name with commas", [](Pane& pane) { pane.Rename({ "C" }, " x,y "); }, { "<r:C,x,y>" },
            "A(B,新規フォルダ),x,y,a,b,(E)" },
        { "add twice beside",
            [](Pane& pane) {
                pane.Add({ "A", "B" }, false);
                pane.Add({ "A", "B" }, false);
            },
            { "<+:A/新規フォルダ(1)>", "<+:A/新規フォルダ(2)>" },
            "A(B,新規フォルダ,新規フォルダ(1),新規フォルダ(2)),C,a,b,(E)" },
        { "add child, Enter without typing", [](Pane& pane) { pane.Confirm(pane.Add({ "C" }, true), New); },
            { "<+:C/新規フォルダ>", "<r:C/新規フォルダ,新規フォルダ>" },
            "A(B,新規フォルダ),C(新規フォルダ),a,b,(E)" },
        { "add child of the root, then name it", [](Pane& pane) { pane.Confirm(pane.Add({}, true), "Z"); },
            { "<+:新規フォルダ>", "<r:新規フォルダ,Z>" }, "A(B,新規フォルダ),C,a,b,(E),Z" },
        { "rename to a sibling's name",
            [](Pane& pane) {
                pane.Rename({ "A", "B" }, New);
            },
            { "<r:A/B,新規フォルダ(1)>" }, "A(新規フォルダ(1),新規フォルダ),C,a,b,(E)" },
        { "refused name", [](Pane& pane) { pane.Rename({ "C" }, "x:y"); }, { "<r:C,C>" },
            "A(B,新規フォルダ),C,a,b,(E)" },
        { "no folder name", [](Pane& pane) { pane.Rename({ "C" }, ".."); }, { "<r:C,C>" },
            "A(B,新規フォルダ),C,a,b,(E)" },
        { "a second byte like a backslash", [](Pane& pane) { pane.Rename({ "C" }, Sjis("表")); },
            { "<r:C,表>" }, "A(B,新規フォルダ),表,a,b,(E)" },
        { "empty name", [](Pane& pane) { pane.Rename({ "C" }, " "); }, {}, "A(B,新規フォルダ),C,a,b,(E)" },
        { "the folder with an empty name", [](Pane& pane) { pane.Rename({ "" }, "F"); }, { "<r:/,F>" },
            "A(B,新規フォルダ),C,a,b,F(E)" },
        { "inside the folder with an empty name",
            [](Pane& pane) {
                pane.Rename({ "", "E" }, "G");
            },
            { "<r:/E,G>" }, "A(B,新規フォルダ),C,a,b,(G)" },
        { "delete three, the last selected first",
            [](Pane& pane) {
                pane.Delete({ { "C" }, { "a,b" }, { "" } });
            },
            { "<-:/>", "<-:a,b>", "<-:C>" }, "A(B,新規フォルダ)" },
        { "delete the root alone", [](Pane& pane) { pane.Delete({ {} }); }, {},
            "A(B,新規フォルダ),C,a,b,(E)" },
    };
    for (Case const& c : cases) {
        Lines sjis_source;
        for (auto const& line : source)
            sjis_source.push_back(Sjis(line));
        Pane pane(sjis_source);
        c.Edit(pane);
        Lines expected;
        for (auto const& line : c.Appended)
            expected.push_back(Sjis(line));
        EXPECT_EQ(pane.Appended(source.size()), expected) << c.Name;
        EXPECT_EQ(Dump(pane.Tree), Sjis(c.Tree)) << c.Name;
        FolderTree again;
        LoadMacroSource(again, pane.Source.Text);
        EXPECT_EQ(Dump(again), Dump(pane.Tree)) << c.Name;
    }
}

// A tag finds the first folder of a name on its way, and reads a rename's
// path up to the first ",": what it cannot repeat is refused.
TEST(TreeEditsTest, EditsNoTagCanRepeatAreRefused)
{
    // The rename makes the first "b" hide the second.
    Pane pane({ "<?dezodedu-macro?>", "a", "b", ">x", "<r:a,b>", "c,d", ">e" });
    NodeId const hidden = pane.Tree.Children(pane.Tree.Root())[1];
    ASSERT_EQ(pane.Tree.Name(hidden), "b");
    EXPECT_FALSE(TagPathOf(pane.Tree, pane.Tree.Children(hidden)[0]));
    EXPECT_FALSE(CanRename(pane.Tree, true, hidden));
    EXPECT_FALSE(CanDelete(pane.Tree, true, hidden));
    EXPECT_FALSE(PlanAddition(pane.Tree, true, hidden, true));
    EXPECT_FALSE(PlanAddition(pane.Tree, true, pane.Tree.Root(), false));

    // A folder added inside "c,d" could never be given its name.
    NodeId const comma = pane.Find({ "c,d" });
    EXPECT_FALSE(CanRename(pane.Tree, true, comma));
    EXPECT_TRUE(CanDelete(pane.Tree, true, comma));
    EXPECT_FALSE(PlanAddition(pane.Tree, true, comma, true));
    EXPECT_FALSE(PlanAddition(pane.Tree, true, pane.Find({ "c,d", "e" }), false));
    EXPECT_TRUE(PlanAddition(pane.Tree, true, comma, false));

    // Text mode rewrites the whole source, so every edit can be written.
    Pane text({ "b\\x", "c,d" });
    EXPECT_TRUE(CanRename(text.Tree, false, text.Find({ "c,d" })));
}

// Text mode: the source is written anew from the tree, as leaf paths after
// the parent folder line and the comments.
TEST(TreeEditsTest, TextEditsRewriteTheSourceAndKeepTheFlags)
{
    Pane pane({ "C:\\work", "; plan", "A\\B", "C" });
    NodeId const added = pane.Add({ "A" }, true);
    EXPECT_EQ(pane.Source.Text, (Lines { "C:\\work", "; plan", "A\\B", Sjis("A\\新規フォルダ"), "C" }));
    EXPECT_FALSE(pane.State.IsAdditionPending());
    EXPECT_FALSE(pane.IsModified());
    EXPECT_EQ(pane.State.EditPath(), Sjis("A/新規フォルダ"));

    pane.Confirm(added, "N");
    EXPECT_EQ(pane.Source.Text, (Lines { "C:\\work", "; plan", "A\\B", "A\\N", "C" }));

    pane.Delete({ { "C" } });
    EXPECT_EQ(pane.Source.Text, (Lines { "C:\\work", "; plan", "A\\B", "A\\N" }));
    EXPECT_TRUE(pane.IsModified());
}

// A fresh read takes the pane's edits up; a folder added but not yet written
// survives a text read (its line comes with the next rewrite), not a macro read.
TEST(TreeEditsTest, AReadTakesTheEditsUp)
{
    for (bool const macro : { false, true }) {
        TreeEditState state;
        state.NoteAddition();
        EXPECT_TRUE(state.IsEdited());
        state.NoteRead(macro);
        EXPECT_FALSE(state.IsEdited()) << macro;
        EXPECT_EQ(state.IsAdditionPending(), !macro) << macro;
    }
}

// What a text rewrite keeps of the old source, and the names it refuses
// because its lines could not hold them.
TEST(TreeEditsTest, TextRewritesKeepWhatTheSourceSaysBesideItsFolders)
{
    struct Case {
        char const* Name;
        Lines Source;
        Path Renamed;
        char const* Typed;
        LabelOutcome Outcome;
        Lines Written;
    };
    std::vector<Case> const cases {
        { "parent folder line and comments, in their order", { " /srv/w ", "", "a\\b", " ; x", "c", ";y" },
            { "c" }, "d", LabelOutcome::Accepted, { " /srv/w ", " ; x", ";y", "a\\b", "d" } },
        { "a parent folder line the reader forgets is kept", { "C:\\a|b", "a" }, { "a" }, "d",
            LabelOutcome::Accepted, { "C:\\a|b", "d" } },
        { "a drive below line 1 is a folder line", { "a", "C:\\c" }, { "a" }, "d", LabelOutcome::Accepted,
            { "d", "c" } },
        { "a top-level name read as a comment", { "/w", "a\\b" }, { "a" }, " ;a ", LabelOutcome::Refused,
            { "/w", "a\\b" } },
        { "a comment mark inside a line", { "a\\b" }, { "a", "b" }, ";b", LabelOutcome::Accepted,
            { "a\\;b" } },
    };
    for (Case const& c : cases) {
        Pane pane(c.Source);
        EXPECT_EQ(pane.Rename(c.Renamed, c.Typed), c.Outcome) << c.Name;
        EXPECT_EQ(pane.Source.Text, c.Written) << c.Name;
        FolderTree again;
        ReadSource(again, pane.Source.Text);
        EXPECT_EQ(Dump(again), Dump(pane.Tree)) << c.Name;
        EXPECT_EQ(again.GetRootPath(), pane.Tree.GetRootPath()) << c.Name;
    }
}

} // namespace
} // namespace edamaki
