#include "core/disk/FolderNameRules.h"

#include <gtest/gtest.h>

#include <string_view>

namespace edamaki {
namespace {

TEST(FolderNameRulesTest, RefusesOnlyNamesThatCantBeOneFolderLevel)
{
    std::string_view const separator = "the folder name holds a path separator";
    struct Case {
        std::string_view Name;
        std::string_view Reason; // empty: not refused
    };
    Case const cases[] = {
        { "", "the folder name is empty" },
        { ".", "\".\" and \"..\" are not folder names" },
        { "..", "\".\" and \"..\" are not folder names" },
        { "a\\b", separator },
        { "a/b", separator },
        { std::string_view("a\0b", 3), "the folder name holds a NUL character" },
        { std::string_view("\0a/b", 4), separator },
        { "...", "" },
        { ".hidden", "" },
        { "a b", "" },
        // The second byte of a double-byte character is no separator.
        { "\x95\x5c", "" },
        { "\x83\x5c\x83\x74\x83\x67", "" },
        { "\x95\x5c\\x", separator },
        // Control characters, a C1 one as the stand-in the text holds it as.
        { "a\tb", "the folder name holds the control character U+0009" },
        { "a\x7F", "the folder name holds the control character U+007F" },
        { "a\x85\x40\x86\x40\x86\xC6", "the folder name holds the control character U+0085" },
        // Any other character a stand-in holds is a name.
        { "\x85\x40\x86\x40\x86\xE6", "" },
    };
    for (Case const& test : cases)
        EXPECT_EQ(RefusedNameReason(test.Name), test.Reason) << test.Name;
}

} // namespace
} // namespace edamaki
