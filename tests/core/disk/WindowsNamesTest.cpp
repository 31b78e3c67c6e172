#include "core/disk/WindowsNames.h"

#include <gtest/gtest.h>

#include <string>

namespace edamaki {
namespace {

TEST(WindowsNamesTest, NamesWhatWindowsClientsCantOpen)
{
    std::string const parent = "/srv/share/";
    std::string const long_name(200, 'x');
    struct Case {
        std::string Below; // the path below the parent folder
        WindowsNameIssue Issue;
    };
    Case const cases[] = {
        { "CON", WindowsNameIssue::DeviceName },
        { "a/nul.txt", WindowsNameIssue::DeviceName },
        { "Com7", WindowsNameIssue::DeviceName },
        { "LPT1 .tar.gz", WindowsNameIssue::DeviceName },
        { "COM0", WindowsNameIssue::None },
        { "CONSOLE", WindowsNameIssue::None },
        { "xCON", WindowsNameIssue::None },
        { "end.", WindowsNameIssue::EndsInDotOrBlank },
        { "end ", WindowsNameIssue::EndsInDotOrBlank },
        { ".hidden", WindowsNameIssue::None },
        // Counted in characters as Windows counts them: 261 is too long, at the
        // folder that passes the limit only.
        { long_name + "/" + std::string(60, 'y'), WindowsNameIssue::PathTooLong },
        { long_name + "/" + std::string(59, 'y'), WindowsNameIssue::None },
        { long_name + "/" + std::string(60, 'y') + "/z", WindowsNameIssue::None },
    };
    for (Case const& test : cases)
        EXPECT_EQ(FindWindowsNameIssue(parent + test.Below, parent.size()), test.Issue) << test.Below;

    // 87 kanji are 261 bytes but 87 characters.
    std::string kanji;
    for (int count = 0; count < 87; ++count)
        kanji += "\xE6\xBC\xA2";
    EXPECT_EQ(FindWindowsNameIssue(parent + kanji, parent.size()), WindowsNameIssue::None);
    // The parent folder's own length doesn't count.
    EXPECT_EQ(FindWindowsNameIssue("/" + std::string(300, 'p') + "/a", 302), WindowsNameIssue::None);
}

} // namespace
} // namespace edamaki
