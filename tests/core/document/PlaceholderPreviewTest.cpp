#include "core/document/PlaceholderPreview.h"
#include "tests/SjisLiteral.h"
#include "tests/TreeDump.h"

#include <gtest/gtest.h>

namespace edamaki {
namespace {

using testing::Sjis;

std::vector<std::string> SjisLines(std::initializer_list<char const*> utf8)
{
    std::vector<std::string> lines;
    for (char const* line : utf8)
        lines.push_back(Sjis(line));
    return lines;
}

// The pane's read of a source with placeholders: each filled with the value
// it starts with, or shown by name while it has none; the folders that took
// a value are marked, and an edit that would write a value over its
// placeholder is refused.
TEST(PlaceholderPreviewTest, FillsAsTheValuesDialogStartsAndMarksWhatTookAValue)
{
    struct Case {
        char const* Name;
        std::vector<std::string> Source;
        char const* Tree;
        char const* Marked; // the top-level folder whose name took a value
    };
    Case const cases[] = {
        { "text, a value last given", SjisLines({ "<%客先>\\資料", "共通" }), "山田(資料),共通", "山田" },
        { "text, a default", SjisLines({ "<%版=v1>\\x" }), "v1(x)", "v1" },
        { "macro, no value yet", SjisLines({ "<?dezodedu-macro?>", "<%案件>", ">図面" }), "《案件》(図面)",
            "《案件》" },
        { "none", SjisLines({ "a\\b" }), "a(b)", nullptr },
    };
    PreviewValues const values { { { Sjis("客先"), Sjis("山田") } }, CalendarDate { 2026, 12, 8 } };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.Name);
        FolderTree tree;
        SourceMap map;
        FilledRead read;
        ReadPreview(tree, map, c.Source, &values, read);
        EXPECT_EQ(testing::Dump(tree), Sjis(c.Tree));
        PlaceholderMarks marks;
        marks.Take(read, tree);
        for (NodeId const node : tree.Children(tree.Root())) {
            bool const marked = c.Marked && tree.Name(node) == Sjis(c.Marked);
            EXPECT_EQ(marks.HoldsValue(tree, node), marked) << testing::Dump(tree);
            EXPECT_EQ(marks.WritesValue(tree, { &node, 1 }), marked || (!read.Macro && read.Filled));
        }
    }
}

} // namespace
} // namespace edamaki
