#include "core/disk/FolderNameRules.h"

#include <gtest/gtest.h>

#include <string_view>

namespace edamaki {
namespace {

TEST(FolderNameRulesTest, RefusesOnlyNamesThatCantBeOneFolderLevel)
{
    struct Case {
        std::string_view Name;
        bool Refused;
    };
    Case const cases[] = {
        { "", true },
        { ".", true },
        { "..", true },
        { "a\\b", true },
        { "a/b", true },
        { std::string_view("a\0b", 3), true },
        { "...", false },
        { ".hidden", false },
        { "a b", false },
        // The second byte of a double-byte character is no separator.
        { "\x95\x5c", false },
        { "\x83\x5c\x83\x74\x83\x67", false },
        { "\x95\x5c\\x", true },
    };
    for (Case const& test : cases)
        EXPECT_EQ(RefusedNameReason(test.Name) != nullptr, test.Refused) << test.Name;
}

} // namespace
} // namespace edamaki
