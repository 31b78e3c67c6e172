#include "core/disk/FolderImport.h"
#include "core/disk/CreationRun.h"
#include "core/disk/HostFileSystem.h"
#include "core/tree/TextSourceReader.h"
#include "tests/FileServerHook.h"
#include "tests/ScratchFolder.h"
#include "tests/SjisLiteral.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

namespace edamaki {
namespace {

namespace fs = std::filesystem;
using testing::Sjis;
using Lines = std::vector<std::string>;

class FolderImportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_sandbox = testing::MakeScratchFolder("import-test");
        m_chosen = m_sandbox / "chosen";
        fs::create_directories(m_chosen);
    }
    void TearDown() override { fs::remove_all(m_sandbox); }

    static std::set<std::string> PathsOf(std::vector<ImportNotice> const& notices)
    {
        std::set<std::string> paths;
        for (auto const& notice : notices)
            paths.insert(notice.HostPath);
        return paths;
    }

    void MakeFolders(std::initializer_list<char const*> paths) const
    {
        for (char const* path : paths)
            fs::create_directories(m_chosen / path);
    }

    static std::set<std::string> ListFolders(fs::path const& folder)
    {
        std::set<std::string> entries;
        for (auto const& entry : fs::recursive_directory_iterator(folder))
            entries.insert(fs::relative(entry.path(), folder).string());
        return entries;
    }

    fs::path m_sandbox;
    fs::path m_chosen;
};

struct NullSink : CreationSink {
    void FolderHandled(FolderReport const&) override { }
    void NothingToCreate() override { }
};

TEST_F(FolderImportTest, LeafFoldersInOrderWithoutFiles)
{
    MakeFolders({ "D", "A/C", "A/B" });
    std::ofstream(m_chosen / "A" / "file.txt") << "x";
    std::ofstream(m_chosen / "top.txt") << "x";
    FolderImport const result = CollectLeafFolders(m_chosen.string());
    EXPECT_TRUE(result.Readable);
    EXPECT_EQ(result.Lines, (Lines { "A\\B", "A\\C", "D" }));
    EXPECT_TRUE(result.LeftOut.empty());
}

TEST_F(FolderImportTest, AFolderWithoutSubfoldersIsOneEmptyLine)
{
    std::ofstream(m_chosen / "only-a-file") << "x";
    FolderImport const result = CollectLeafFolders(m_chosen.string() + "/");
    EXPECT_TRUE(result.Readable);
    EXPECT_EQ(result.Lines, (Lines { "" }));
}

TEST_F(FolderImportTest, AFolderThatCantBeReadIsReported)
{
    std::ofstream(m_sandbox / "file") << "x";
    for (fs::path const& path : { m_sandbox / "missing", m_sandbox / "file" }) {
        FolderImport const result = CollectLeafFolders(path.string());
        EXPECT_FALSE(result.Readable) << path;
        EXPECT_TRUE(result.Lines.empty());
    }
}

TEST_F(FolderImportTest, CaseTwinsBothStayNextToEachOther)
{
    MakeFolders({ "C", "b", "B", "a", "_x", "A/z", "A/Y", "a/y" });
    FolderImport const result = CollectLeafFolders(m_chosen.string());
    EXPECT_EQ(result.Lines, (Lines { "_x", "A\\Y", "A\\z", "a\\y", "B", "b", "C" }));
}

TEST_F(FolderImportTest, HiddenFoldersAndEverythingBelowThemAreNotImported)
{
    MakeFolders({ ".git/objects", "src/.cache/x", "src/main" });
    FolderImport const result = CollectLeafFolders(m_chosen.string());
    EXPECT_EQ(result.Lines, (Lines { "src\\main" }));
    EXPECT_TRUE(result.LeftOut.empty());
}

TEST_F(FolderImportTest, LinksAreFollowedButEachRealFolderIsListedOnce)
{
    MakeFolders({ "A/B" });
    fs::create_directories(m_sandbox / "outside" / "deep");
    fs::create_directory_symlink(m_sandbox / "outside", m_chosen / "A" / "B" / "out");
    fs::create_directory_symlink(m_chosen / "A", m_chosen / "A" / "B" / "up");
    fs::create_directory_symlink(m_chosen, m_chosen / "A" / "self");
    fs::create_directory_symlink(m_sandbox / "nowhere", m_chosen / "dangling");
    // Links to folders inside the imported folder are left out: each folder
    // is listed in its own place. A link to a folder outside is followed.
    fs::create_directory_symlink(m_chosen / "A" / "B", m_chosen / "side");
    FolderImport const result = CollectLeafFolders(m_chosen.string());
    EXPECT_EQ(result.Lines, (Lines { "A\\B\\out\\deep" }));
    EXPECT_EQ(PathsOf(result.LeftOut),
        (std::set<std::string> {
            (m_chosen / "A/B/up").string(), (m_chosen / "A/self").string(), (m_chosen / "side").string() }));
    EXPECT_TRUE(result.Unreadable.empty());
}

TEST_F(FolderImportTest, TwoLinksToOneFolderOutsideListItOnce)
{
    fs::create_directories(m_sandbox / "outside" / "deep");
    fs::create_directory_symlink(m_sandbox / "outside", m_chosen / "first");
    fs::create_directory_symlink(m_sandbox / "outside", m_chosen / "second");
    FolderImport const result = CollectLeafFolders(m_chosen.string());
    EXPECT_EQ(result.Lines, (Lines { "first\\deep" }));
    EXPECT_EQ(PathsOf(result.LeftOut), (std::set<std::string> { (m_chosen / "second").string() }));
}

TEST_F(FolderImportTest, AFolderOfMoreEntriesThanOneReadTakesIsListedWhole)
{
    Lines expected;
    for (int index = 0; index < 1500; ++index) {
        std::string const name = "folder-with-a-long-name-" + std::to_string(10000 + index);
        fs::create_directory(m_chosen / name);
        expected.push_back(name);
    }
    FolderImport const result = CollectLeafFolders(m_chosen.string());
    EXPECT_EQ(result.Lines, expected);
}

// Deeper than the folders the walk holds open: on its way back up it reopens
// the ones it closed, and lists the leaf beside each level.
TEST_F(FolderImportTest, ATreeDeeperThanTheOpenFoldersIsListedWhole)
{
    int const depth = 150;
    fs::path folder = m_chosen;
    std::string line;
    Lines expected;
    for (int level = 0; level < depth; ++level) {
        fs::create_directories(folder / "z");
        expected.insert(expected.begin(), line + "z");
        folder /= "d";
        line += "d\\";
    }
    fs::create_directory(folder);
    line.resize(line.size() - 1);
    expected.insert(expected.begin(), line);
    FolderImport const result = CollectLeafFolders(m_chosen.string());
    EXPECT_EQ(result.Lines, expected);
    EXPECT_TRUE(result.Unreadable.empty());
}

TEST_F(FolderImportTest, ATreeLargerThanTheBudgetIsRefused)
{
    MakeFolders({ "a/b", "a/c", "d" });
    EXPECT_FALSE(CollectLeafFolders(m_chosen.string(), 4).Truncated);
    for (std::size_t const budget : { 3, 1 }) {
        FolderImport const result = CollectLeafFolders(m_chosen.string(), budget);
        EXPECT_TRUE(result.Readable) << budget;
        EXPECT_TRUE(result.Truncated) << budget;
        EXPECT_TRUE(result.Lines.empty()) << budget;
    }
}

TEST_F(FolderImportTest, DanglingLinksBesideFoldersAreSkippedQuietly)
{
    // Whatever order the folder lists them in, the links that lead nowhere
    // leave the folder readable.
    MakeFolders({ "real" });
    for (int link = 0; link < 10; ++link)
        fs::create_directory_symlink(m_sandbox / "nowhere", m_chosen / ("dangling" + std::to_string(link)));
    FolderImport const result = CollectLeafFolders(m_chosen.string());
    EXPECT_TRUE(result.Readable);
    EXPECT_EQ(result.Lines, (Lines { "real" }));
    EXPECT_TRUE(result.LeftOut.empty() && result.Unreadable.empty());
}

TEST_F(FolderImportTest, NamesASourceCantHoldAreLeftOutWithTheirSubfolders)
{
    char const* const names[] = {
        "what?", "a:b", "back\\slash", "star*", "pipe|", "quote\"", "less<", "greater>", "tab\tinside",
        "line\nbreak", " leading", ";comment",
        "\xFF", // not UTF-8
    };
    for (char const* name : names)
        fs::create_directories(m_chosen / name / "below");
    // Blanks at the edge of a name are lost only at the start or the end of a line.
    MakeFolders({ "ok/;fine inside/x", "ok/inner space", "ok/ inner/x", "trailing /x", "ok/end " });
    // Characters Shift-JIS lacks or holds one way only come in as themselves.
    for (char const* name : { "\xC2\xA5", "\xE3\x80\x9C", "\xF0\x9F\x98\x80" })
        fs::create_directories(m_chosen / name / "below");
    FolderImport const result = CollectLeafFolders(m_chosen.string());
    EXPECT_EQ(result.Lines,
        (Lines { "ok\\ inner\\x", "ok\\;fine inside\\x", "ok\\inner space", "trailing \\x",
            Utf8ToShiftJisForReading("\xC2\xA5\\below"), Utf8ToShiftJisForReading("\xE3\x80\x9C\\below"),
            Utf8ToShiftJisForReading("\xF0\x9F\x98\x80\\below") }));
    std::set<std::string> expected { (m_chosen / "ok/end ").string() };
    for (char const* name : names)
        expected.insert((m_chosen / name).string());
    EXPECT_EQ(PathsOf(result.LeftOut), expected);
}

TEST_F(FolderImportTest, JapaneseNamesBecomeShiftJisLines)
{
    MakeFolders({ "表/ソ/ｱ" });
    FolderImport const result = CollectLeafFolders(m_chosen.string());
    EXPECT_EQ(result.Lines, (Lines { Sjis("表\\ソ\\ｱ") }));
}

TEST_F(FolderImportTest, ImportingACreatedTreeAndCreatingItElsewhereGivesTheSameFolders)
{
    fs::path const first = m_sandbox / "first";
    fs::path const second = m_sandbox / "second";
    fs::create_directories(first);
    fs::create_directories(second);
    auto create = [](fs::path const& parent, Lines lines) {
        lines.insert(lines.begin(), parent.string());
        FolderTree tree;
        LoadTextSource(tree, lines);
        NullSink sink;
        return CreateFolders(tree, sink).Failed;
    };
    ASSERT_EQ(create(first,
                  { Sjis("顧客A\\見積\\2026"), Sjis("顧客A\\請求"), "Case\\x", "case\\y", Sjis("ソ\\ｿ"),
                      "a b\\c", "~tilde\\deep\\er\\still" }),
        0u);
    FolderImport const imported = CollectLeafFolders(first.string());
    EXPECT_TRUE(imported.LeftOut.empty() && imported.Unreadable.empty());
    ASSERT_EQ(create(second, imported.Lines), 0u);
    EXPECT_EQ(ListFolders(first), ListFolders(second));
}

// The whole of an import, in order.
std::vector<std::string> Dump(FolderImport const& result)
{
    std::vector<std::string> dump { "readable " + std::to_string(result.Readable) + ", truncated "
        + std::to_string(result.Truncated) + ", budget " + std::to_string(result.FolderBudget) };
    for (auto const& line : result.Lines)
        dump.push_back("line " + line);
    for (auto const& notice : result.LeftOut)
        dump.push_back("left out " + notice.HostPath + ": " + notice.Reason);
    for (auto const& notice : result.Unreadable)
        dump.push_back("unreadable " + notice.HostPath + ": " + notice.Reason);
    return dump;
}

// On a file server, with subtrees that finish out of order, calls that fail
// and links that lead to one folder by several paths, several walkers import
// what one does: each real folder under the path a lone walk lists it by.
TEST_F(FolderImportTest, SideBySideTheImportIsTheLoneWalks)
{
    MakeFolders(
        { "s1/x", "s1/y/z", "s2/a", "s2/locked/x", "s2/broken/x", "s2/b", "t/a", "t/trail /x", "t/e " });
    fs::path const outside = m_sandbox / "outside";
    fs::create_directories(outside / "deep" / "er");
    fs::create_directories(outside / "other");
    fs::create_directories(m_chosen / "r");
    fs::create_directory_symlink(outside / "deep", m_chosen / "r" / "in");
    fs::create_directory_symlink(outside, m_chosen / "s1" / "out");
    fs::create_directory_symlink(outside, m_chosen / "t" / "out");
    fs::create_directory_symlink(outside, outside / "other" / "back");
    fs::create_directory_symlink(m_chosen / "s2", m_chosen / "t" / "inside");
    fs::create_directories(m_chosen / "u");
    fs::create_directory_symlink(outside, m_chosen / "u" / "again");
    struct Case {
        char const* Name;
        std::map<std::string, int> FailedOpens;
        std::string UnlistableName;
        std::size_t Budget;
    };
    Case const cases[] = {
        { "subtrees that finish out of order", {}, {}, FolderTree::DefaultFolderBudget },
        { "a folder that can't be opened, one that can't be listed", { { "locked", EACCES } }, "broken",
            FolderTree::DefaultFolderBudget },
        { "more folders than the budget", {}, {}, 24 },
    };
    for (auto const& c : cases) {
        std::vector<std::string> dumps[2];
        std::size_t threads = 0;
        for (std::size_t const jobs : { 1, 4 }) {
            testing::FileServerHook hook;
            // The first link to "deep" is the last to get there.
            hook.LaggingName = "in";
            hook.FailedOpens = c.FailedOpens;
            hook.UnlistableName = c.UnlistableName;
            HostFileSystem file_system;
            hook.Install(file_system);
            dumps[jobs > 1] = Dump(CollectLeafFolders(m_chosen.string(), file_system, c.Budget, jobs));
            threads = hook.Threads();
        }
        EXPECT_EQ(dumps[1], dumps[0]) << c.Name;
        EXPECT_GT(threads, 1u) << c.Name;
    }
}

} // namespace
} // namespace edamaki
