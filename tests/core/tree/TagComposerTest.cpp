#include "core/tree/TagComposer.h"

#include "core/tree/FolderTree.h"
#include "core/tree/MacroSourceReader.h"
#include "tests/TreeDump.h"

#include <gtest/gtest.h>

namespace edamaki {
namespace {

using testing::Dump;

TagFields Fields(void (*change)(TagFields&))
{
    TagFields fields;
    change(fields);
    return fields;
}

TEST(TagComposerTest, TagOfEachTab)
{
    struct Case {
        char const* title;
        TagTabIndex tab;
        TagFields fields;
        std::optional<std::string> tag;
    };
    Case const cases[] = {
        { "initial number fields", TagTabIndex::Number, {}, "<#1:0-0>" },
        { "start below end", TagTabIndex::Number,
            Fields([](TagFields& f) { f.FirstNumber = "9", f.LastNumber = "10"; }), "<#1:9-10>" },
        { "start above end", TagTabIndex::Number,
            Fields([](TagFields& f) { f.FirstNumber = "10", f.LastNumber = "9"; }), std::nullopt },
        { "step at position 1 is left out", TagTabIndex::Number,
            Fields([](TagFields& f) { f.Digits = "3", f.FirstNumber = "1", f.LastNumber = "20"; }),
            "<#3:1-20>" },
        { "step above 1", TagTabIndex::Number, Fields([](TagFields& f) {
             f.Digits = "3", f.FirstNumber = "1", f.LastNumber = "20", f.NumberStep = "5",
             f.NumberStepPosition = 5;
         }),
            "<#3:1-20,5>" },
        { "emptied number field", TagTabIndex::Number, Fields([](TagFields& f) { f.LastNumber = ""; }),
            std::nullopt },
        { "characters with step", TagTabIndex::Character, Fields([](TagFields& f) {
             f.Count = "2", f.FirstCharacter = "a", f.LastCharacter = "z", f.CharacterStep = "3",
             f.CharacterStepPosition = 3;
         }),
            "<@2:a-z,3>" },
        { "mixed case", TagTabIndex::Character,
            Fields([](TagFields& f) { f.FirstCharacter = "A", f.LastCharacter = "c"; }), "<@1:A-c>" },
        { "no end character", TagTabIndex::Character, Fields([](TagFields& f) { f.FirstCharacter = "A"; }),
            std::nullopt },
        { "list", TagTabIndex::List, Fields([](TagFields& f) {
             f.ListLines = { "AA", "", "B,B" };
         }),
            "<$:AA,,B,B>" },
        { "one line", TagTabIndex::List, Fields([](TagFields& f) { f.ListLines = { "x" }; }), "<$:x>" },
        { "empty list", TagTabIndex::List, {}, std::nullopt },
        { "add", TagTabIndex::Add, Fields([](TagFields& f) { f.Path = "a/b"; }), "<+:a/b>" },
        { "add without path", TagTabIndex::Add, {}, std::nullopt },
        { "delete", TagTabIndex::Delete, Fields([](TagFields& f) { f.Path = "a"; }), "<-:a>" },
        { "rename", TagTabIndex::Rename, Fields([](TagFields& f) { f.Path = "a/b", f.NewName = "c"; }),
            "<r:a/b,c>" },
        { "rename without name", TagTabIndex::Rename, Fields([](TagFields& f) { f.Path = "a/b"; }),
            std::nullopt },
    };
    for (auto const& c : cases)
        EXPECT_EQ(ComposeTag(c.tab, c.fields), c.tag) << c.title;
}

TEST(TagComposerTest, ComposedTagsReadBackAsMeant)
{
    struct Case {
        char const* title;
        std::vector<std::string> lines; // the tag goes after these
        TagTabIndex tab;
        TagFields fields;
        std::string tree;
    };
    Case const cases[] = {
        { "numbers", {}, TagTabIndex::Number, Fields([](TagFields& f) {
             f.Digits = "2", f.FirstNumber = "1", f.LastNumber = "5", f.NumberStep = "2",
             f.NumberStepPosition = 2;
         }),
            "01,03,05" },
        { "characters", {}, TagTabIndex::Character,
            Fields([](TagFields& f) { f.FirstCharacter = "a", f.LastCharacter = "c"; }), "a,b,c" },
        { "list", {}, TagTabIndex::List, Fields([](TagFields& f) {
             f.ListLines = { "AA", "BB" };
         }),
            "AA,BB" },
        { "add", { "a", ">b" }, TagTabIndex::Add, Fields([](TagFields& f) { f.Path = "a/b/c"; }), "a(b(c))" },
        { "delete", { "a", ">b", "c" }, TagTabIndex::Delete, Fields([](TagFields& f) { f.Path = "a/b"; }),
            "a,c" },
        { "rename", { "a", ">b" }, TagTabIndex::Rename,
            Fields([](TagFields& f) { f.Path = "a/b", f.NewName = "x"; }), "a(x)" },
    };
    for (auto const& c : cases) {
        std::vector<std::string> lines { "<?dezodedu-macro?>" };
        lines.insert(lines.end(), c.lines.begin(), c.lines.end());
        lines.push_back(ComposeTag(c.tab, c.fields).value_or(""));
        FolderTree tree;
        LoadMacroSource(tree, lines);
        EXPECT_EQ(Dump(tree), c.tree) << c.title;
    }
}

TEST(TagComposerTest, CharacterFieldsStayInOrder)
{
    using enum CharacterKeyOutcome;
    struct Case {
        char typed;
        bool into_first;
        char const* other;
        CharacterKeyOutcome outcome;
    };
    Case const cases[] = {
        { '5', true, "b", AcceptAndEmptyOther },
        { 'B', false, "b", AcceptAndEmptyOther },
        { 'c', false, "A", Accept },
        { 'a', true, "5", AcceptAndEmptyOther },
        { 'a', true, "", Accept },
        { '3', true, "7", Accept },
        { '7', true, "7", AcceptAndEmptyOther },
        { '2', false, "7", AcceptAndEmptyOther },
        { '!', true, "", Discard },
        { '\b', true, "a", Discard },
    };
    for (auto const& c : cases)
        EXPECT_EQ(CharacterFieldKeyPress(c.typed, c.into_first, c.other), c.outcome)
            << c.typed << ' ' << c.other;
}

TEST(TagComposerTest, CharacterFieldChanges)
{
    using enum CharacterChangeOutcome;
    EXPECT_EQ(CharacterFieldChange("", "a", true), Nothing);
    EXPECT_EQ(CharacterFieldChange("!", "", true), EmptyChanged);
    EXPECT_EQ(CharacterFieldChange("[", "", true), EmptyChanged);
    EXPECT_EQ(CharacterFieldChange("a", "{", false), EmptyChanged);
    EXPECT_EQ(CharacterFieldChange("c", "B", true), EmptyOther);
    EXPECT_EQ(CharacterFieldChange("c", "B", false), EmptyOther);
    EXPECT_EQ(CharacterFieldChange("a", "", true), Nothing);
    EXPECT_EQ(CharacterFieldChange("1", "a", false), Nothing);
}

} // namespace
} // namespace edamaki
