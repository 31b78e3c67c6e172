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
    };
    for (Case const& test : cases) {
        char const* const reason = RefusedNameReason(test.Name);
        EXPECT_EQ(reason ? std::string_view(reason) : std::string_view(), test.Reason) << test.Name;
    }
}

} // namespace
} // namespace edamaki
