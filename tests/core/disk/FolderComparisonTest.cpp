#include "core/disk/FolderComparison.h"
#include "core/disk/HostFileSystem.h"
#include "tests/FileServerHook.h"
#include "tests/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace edamaki {
namespace {

namespace fs = std::filesystem;

struct RecordingSink : ComparisonSink {
    std::string Base;
    std::vector<std::string> Lines;

    // "-a/b" or "+a/b", relative to the parent folder; "?a" for a folder that
    // could not be looked into.
    void FolderDiffers(DifferenceReport const& report) override
    {
        char const mark = report.Kind == FolderDifference::Missing ? '-' : '+';
        Lines.push_back(mark + Relative(report.HostPath.empty() ? "<no host path>" : report.HostPath));
    }
    void FolderUnreadable(std::string const& host_path, std::string const&) override
    {
        Lines.push_back("?" + Relative(host_path));
    }
    std::string Relative(std::string path) const
    {
        if (path.starts_with(Base))
            path.erase(0, Base.size());
        return path;
    }
};

// A tree from lines whose leading ">" give the depth, as in a macro source;
// every line is a node of its own, so twins stay twins.
FolderTree BuildTree(fs::path const& parent, std::vector<std::string> const& lines)
{
    FolderTree tree;
    tree.BeginRead(false);
    tree.SetRootPath(parent.string());
    std::vector<NodeId> path { tree.Root() };
    for (auto const& line : lines) {
        std::size_t const depth = std::min(line.find_first_not_of('>'), line.size());
        path.resize(depth + 1);
        path.push_back(tree.AppendChild(path.back(), line.substr(depth), 0));
    }
    tree.EndRead();
    return tree;
}

class FolderComparisonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_sandbox = testing::MakeScratchFolder("compare-test");
        m_parent = m_sandbox / "parent";
        fs::create_directories(m_parent);
    }
    void TearDown() override { fs::remove_all(m_sandbox); }

    // Folders end with "/", links are "name->target", anything else is a file.
    void MakeOnDisk(std::vector<std::string> const& entries) const
    {
        for (auto const& entry : entries) {
            if (auto const arrow = entry.find("->"); arrow != std::string::npos)
                fs::create_directory_symlink(entry.substr(arrow + 2), m_parent / entry.substr(0, arrow));
            else if (entry.ends_with('/'))
                fs::create_directories(m_parent / entry);
            else
                std::ofstream(m_parent / entry) << "file";
        }
    }

    std::vector<std::string> Compare(
        std::vector<std::string> const& tree_lines, bool extra, std::size_t jobs = 0)
    {
        FolderTree const tree = BuildTree(m_parent, tree_lines);
        RecordingSink sink;
        sink.Base = m_parent.string() + "/";
        HostFileSystem file_system;
        m_summary = CompareFolders(tree, file_system, sink, { .Extra = extra, .Jobs = jobs });
        return sink.Lines;
    }

    fs::path m_sandbox;
    fs::path m_parent;
    ComparisonSummary m_summary;
};

TEST_F(FolderComparisonTest, ReportsWhatIsMissingAndWhatIsExtraInWalkOrder)
{
    struct Case {
        char const* Name;
        std::vector<std::string> Disk;
        std::vector<std::string> Tree;
        bool Extra;
        std::vector<std::string> Expected;
    };
    Case const cases[] = {
        { "the same folders", { "a/b/", "c/" }, { "a", ">b", "c" }, true, {} },
        { "a missing folder and all below it", { "a/" }, { "a", ">b", ">>c", "d" }, false,
            { "-a/b", "-a/b/c", "-d" } },
        { "a file in the way", { "a" }, { "a", ">b" }, false, { "-a", "-a/b" } },
        { "a link to a folder counts as the folder", { "real/x/", "a->real" }, { "a", ">x" }, false, {} },
        { "a dangling link is no folder", { "a->nowhere" }, { "a" }, false, { "-a" } },
        { "extra folders after the named ones, sorted, with what is below them",
            { "a/", "z/deep/er/", "b/", ".hidden/x/" }, { "a" }, true,
            { "+b", "+z", "+z/deep", "+z/deep/er" } },
        { "extra folders are not looked for unless asked", { "b/" }, { "a" }, false, { "-a" } },
        { "an extra link is named, what is below it is not", { "a/x/", "l->a" }, { "a", ">x" }, true,
            { "+l" } },
        { "extra folders below a leaf the tree names", { "a/new/" }, { "a" }, true, { "+a/new" } },
        { "a file is no extra folder", { "a/", "notes" }, { "a" }, true, {} },
        { "twins name one folder, their children merge", { "a/x/" }, { "a", ">x", "a", ">y", ">x" }, true,
            { "-a/y" } },
        { "missing twins are named once", {}, { "a", ">x", "a", ">x", ">y" }, false,
            { "-a", "-a/x", "-a/y" } },
        { "names that can be no folder are missing", { "a/" }, { "a", ">..", ">.", ">" }, false,
            { "-a/..", "-a/.", "-a/" } },
        { "a hidden folder the tree names is compared", { ".keep/" }, { ".keep", ">x" }, true,
            { "-.keep/x" } },
    };
    for (auto const& test : cases) {
        fs::remove_all(m_parent);
        fs::create_directories(m_parent);
        MakeOnDisk(test.Disk);
        EXPECT_EQ(Compare(test.Tree, test.Extra), test.Expected) << test.Name;
        EXPECT_EQ(m_summary.Differs(), !test.Expected.empty()) << test.Name;
        EXPECT_EQ(m_summary.Unreadable, 0u) << test.Name;
    }
}

TEST_F(FolderComparisonTest, CountsAndChangesNothing)
{
    MakeOnDisk({ "a/b/", "a/c", "e/" });
    auto const before = testing::ListTree(m_parent);
    EXPECT_EQ(Compare({ "a", ">b", ">c", "d" }, true), (std::vector<std::string> { "-a/c", "-d", "+e" }));
    EXPECT_EQ(m_summary.Matched, 2u);
    EXPECT_EQ(m_summary.Missing, 2u);
    EXPECT_EQ(m_summary.Extra, 1u);
    EXPECT_EQ(testing::ListTree(m_parent), before);
}

TEST_F(FolderComparisonTest, AParentFolderThatCantBeOpenedComparesNothing)
{
    fs::remove_all(m_parent);
    for (std::size_t const jobs : { 1, 4 }) {
        EXPECT_TRUE(Compare({ "a" }, true, jobs).empty()) << jobs;
        EXPECT_FALSE(m_summary.ParentError.empty()) << jobs;
        EXPECT_FALSE(m_summary.Differs()) << jobs;
    }
}

// Deeper than the directory window holds open: the walk reopens folders it
// closed, and finds what is at the bottom.
TEST_F(FolderComparisonTest, ComparesATreeDeeperThanTheOpenFolders)
{
    std::vector<std::string> lines;
    fs::path deep = m_parent;
    for (int depth = 0; depth < 150; ++depth) {
        lines.push_back(std::string(static_cast<std::size_t>(depth), '>') + "d");
        deep /= "d";
    }
    lines.push_back(std::string(149, '>') + "missing");
    lines.push_back("top");
    fs::create_directories(deep / "extra");
    auto const result = Compare(lines, true);
    ASSERT_EQ(result.size(), 3u);
    EXPECT_EQ(result[0], "+" + fs::relative(deep / "extra", m_parent).string());
    EXPECT_EQ(result[1], "-" + fs::relative(deep.parent_path() / "missing", m_parent).string());
    EXPECT_EQ(result[2], "-top");
    EXPECT_EQ(m_summary.Matched, 150u);
}

// Every call a sink hears, in full, and then the counts.
struct CallSink : ComparisonSink {
    std::vector<std::string> Calls;

    void FolderDiffers(DifferenceReport const& report) override
    {
        Calls.push_back((report.Kind == FolderDifference::Missing ? "missing " : "extra ") + report.Path
            + " | " + report.HostPath);
    }
    void FolderUnreadable(std::string const& host_path, std::string const& reason) override
    {
        Calls.push_back("unreadable " + host_path + ": " + reason);
    }
    void Add(ComparisonSummary const& summary)
    {
        Calls.push_back("matched " + std::to_string(summary.Matched) + ", missing "
            + std::to_string(summary.Missing) + ", extra " + std::to_string(summary.Extra) + ", unreadable "
            + std::to_string(summary.Unreadable) + ", parent error \"" + summary.ParentError + "\"");
    }
};

// On a file server, with subtrees that finish out of order and calls that
// fail, the sink hears from several walkers what it hears from one.
TEST_F(FolderComparisonTest, SideBySideTheSinkHearsWhatALoneWalkTellsIt)
{
    fs::create_directories(m_sandbox / "outside" / "p" / "q");
    fs::create_directories(m_sandbox / "outside" / "r");
    MakeOnDisk({ "s1/x/", "s1/y/", "s1/z/", "s2/x/deep/", "s2/extra/e/", "s2/locked/x/", "s2/after/", "t/a/",
        "t/b/", "t/up->..", "l1->../outside", "l2->../outside", "new/s3/" });
    FolderTree const tree = BuildTree(m_parent,
        { "s1", ">x", ">y", ">w", "s2", ">x", ">>deep", ">locked", ">>x", ">after", "t", ">a", ">up", ">>s1",
            ">>>x", ">>>gone", "l1", ">p", ">>q", ">none", "l2", ">p", ">r", "missing", ">below" });
    struct Case {
        char const* Name;
        std::map<std::string, int> FailedOpens;
        bool ListsFail;
    };
    Case const cases[] = {
        { "subtrees that finish out of order", {}, false },
        { "a folder that can't be opened, a link that can't be followed",
            { { "locked", EACCES }, { "l2", EIO } }, false },
        { "no folder can be listed", {}, true },
    };
    for (auto const& c : cases) {
        for (bool const extra : { false, true }) {
            std::vector<std::string> calls[2];
            std::size_t threads = 0;
            for (std::size_t const jobs : { 1, 4 }) {
                testing::FileServerHook hook;
                // The workers are waiting by the time the first folder opens.
                hook.LaggingName = "s1";
                hook.FailedOpens = c.FailedOpens;
                hook.ListsFail = c.ListsFail;
                HostFileSystem file_system;
                hook.Install(file_system);
                CallSink sink;
                sink.Add(CompareFolders(tree, file_system, sink, { .Extra = extra, .Jobs = jobs }));
                calls[jobs > 1] = sink.Calls;
                threads = hook.Threads();
            }
            EXPECT_EQ(calls[1], calls[0]) << c.Name << (extra ? ", extra" : "");
            EXPECT_GT(threads, 1u) << c.Name;
        }
    }
}

} // namespace
} // namespace edamaki
