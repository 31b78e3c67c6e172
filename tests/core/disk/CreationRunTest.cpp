#include "core/disk/CreationRun.h"
#include "core/disk/HostFileSystem.h"
#include "core/tree/TextSourceReader.h"
#include "tests/ScratchFolder.h"
#include "tests/SjisLiteral.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

namespace edamaki {
namespace {

namespace fs = std::filesystem;
using testing::Sjis;

struct RecordingSink : CreationSink {
    std::vector<FolderReport> Reports;
    int NothingCount = 0;

    void FolderHandled(FolderReport const& report) override { Reports.push_back(report); }
    void NothingToCreate() override { ++NothingCount; }

    // "+a", "=a/b", "!a/b/c" for each folder: host paths relative to `base`.
    std::vector<std::string> Outcomes(std::string const& base) const
    {
        std::vector<std::string> result;
        for (auto const& report : Reports) {
            char const mark = report.Outcome == FolderOutcome::Created ? '+'
                : report.Outcome == FolderOutcome::Existed             ? '='
                                                                       : '!';
            std::string path = report.HostPath;
            if (path.starts_with(base))
                path.erase(0, base.size());
            result.push_back(mark + path);
        }
        return result;
    }
};

class CreationRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_sandbox = testing::MakeScratchFolder("create-test");
        m_parent = m_sandbox / "parent";
        fs::create_directories(m_parent);
    }
    void TearDown() override { fs::remove_all(m_sandbox); }

    // The parent folder with its trailing separator, as the run joins it.
    std::string Base() const { return m_parent.string() + "/"; }

    // A text-mode tree below the parent folder.
    FolderTree ReadTree(std::vector<std::string> lines) const
    {
        lines.insert(lines.begin(), m_parent.string());
        FolderTree tree;
        LoadTextSource(tree, lines);
        return tree;
    }

    fs::path m_sandbox;
    fs::path m_parent;
};

TEST_F(CreationRunTest, EachFolderBeforeItsSubfoldersAndEachSubtreeBeforeTheNextSibling)
{
    FolderTree const tree = ReadTree({ "a\\b\\c", "a\\d", "e" });
    RecordingSink sink;
    CreationSummary const summary = CreateFolders(tree, sink);
    EXPECT_EQ(sink.Outcomes(Base()), (std::vector<std::string> { "+a", "+a/b", "+a/b/c", "+a/d", "+e" }));
    EXPECT_EQ(testing::ListTree(m_parent), (std::set<std::string> { "a/", "a/b/", "a/b/c/", "a/d/", "e/" }));
    EXPECT_EQ(summary.Created, 5u);
    EXPECT_EQ(sink.Reports.front().Path, Base() + "a");
    EXPECT_EQ(sink.Reports[2].Path, Base() + "a/b/c");

    // A second run finds them all, in the same order.
    RecordingSink again;
    CreationSummary const second = CreateFolders(tree, again);
    EXPECT_EQ(again.Outcomes(Base()), (std::vector<std::string> { "=a", "=a/b", "=a/b/c", "=a/d", "=e" }));
    EXPECT_EQ(second.Existed, 5u);
    EXPECT_EQ(second.Created + second.Failed, 0u);
}

TEST_F(CreationRunTest, AFileInTheWayFailsItsBranchAndTheRunGoesOn)
{
    fs::create_directory(m_parent / "a");
    std::ofstream(m_parent / "a" / "b") << "in the way";
    FolderTree const tree = ReadTree({ "a\\b\\c\\d", "a\\x", "y" });
    RecordingSink sink;
    CreationSummary const summary = CreateFolders(tree, sink);
    EXPECT_EQ(sink.Outcomes(Base()),
        (std::vector<std::string> { "=a", "!a/b", "!a/b/c", "!a/b/c/d", "+a/x", "+y" }));
    EXPECT_EQ(summary.Failed, 3u);
    EXPECT_EQ(sink.Reports[1].Reason, HostFileSystem::DescribeError(HostFileSystem::AlreadyExistsError()));
    // The subfolders were tried and the system said why they failed.
    EXPECT_FALSE(sink.Reports[2].Reason.empty());
    EXPECT_EQ(sink.Reports[2].HostPath, Base() + "a/b/c");
}

TEST_F(CreationRunTest, ALinkToADirectoryCountsAsExisting)
{
    fs::create_directory(m_sandbox / "elsewhere");
    fs::create_directory_symlink(m_sandbox / "elsewhere", m_parent / "link");
    FolderTree const tree = ReadTree({ "link\\inside" });
    RecordingSink sink;
    CreateFolders(tree, sink);
    EXPECT_EQ(sink.Outcomes(Base()), (std::vector<std::string> { "=link", "+link/inside" }));
    EXPECT_TRUE(fs::is_directory(m_sandbox / "elsewhere" / "inside"));
}

TEST_F(CreationRunTest, SiblingsOfTheSameNameShareOneFolder)
{
    FolderTree tree = ReadTree({});
    tree.BeginRead(false);
    tree.AppendChild(tree.Root(), "twin", 0);
    NodeId const second = tree.AppendChild(tree.Root(), "twin", 0);
    tree.AppendChild(second, "inner", 0);
    tree.EndRead();
    RecordingSink sink;
    CreateFolders(tree, sink);
    EXPECT_EQ(sink.Outcomes(Base()), (std::vector<std::string> { "+twin", "=twin", "+twin/inner" }));

    // A dry run predicts the same.
    fs::remove_all(m_parent / "twin");
    RecordingSink planned;
    CreateFolders(tree, planned, { .DryRun = true });
    EXPECT_EQ(planned.Outcomes(Base()), sink.Outcomes(Base()));
    EXPECT_TRUE(testing::ListTree(m_parent).empty());
}

TEST_F(CreationRunTest, ATreeWithoutFoldersHasNothingToCreate)
{
    FolderTree const empty = ReadTree({});
    FolderTree never_read;
    for (FolderTree const* tree : std::initializer_list<FolderTree const*> { &empty, &never_read }) {
        RecordingSink sink;
        CreateFolders(*tree, sink);
        EXPECT_EQ(sink.NothingCount, 1);
        EXPECT_TRUE(sink.Reports.empty());
    }
    EXPECT_EQ(NothingToCreateMessage, Sjis("作成するフォルダがありませんでした。"));
}

TEST_F(CreationRunTest, ATruncatedTreeIsNotRun)
{
    FolderTree tree;
    tree.SetRootPath(m_parent.string());
    tree.SetFolderBudget(2);
    LoadTextSource(tree, { "a", "b", "c" });
    ASSERT_TRUE(tree.IsTruncated());
    RecordingSink sink;
    CreationSummary const summary = CreateFolders(tree, sink);
    EXPECT_TRUE(summary.Refused);
    EXPECT_TRUE(sink.Reports.empty());
    EXPECT_EQ(sink.NothingCount, 0);
    EXPECT_TRUE(testing::ListTree(m_parent).empty());
}

TEST_F(CreationRunTest, TheRootFolderJoinsWithoutADoubledSeparator)
{
    // A dry run, so nothing is made in "/".
    std::string const name = "edamaki-not-there-" + std::to_string(::getpid());
    FolderTree tree;
    tree.SetRootPath("/");
    LoadTextSource(tree, { "/", name + "\\sub" });
    RecordingSink sink;
    CreateFolders(tree, sink, { .DryRun = true });
    ASSERT_EQ(sink.Reports.size(), 2u);
    EXPECT_EQ(sink.Reports[0].HostPath, "/" + name);
    EXPECT_EQ(sink.Reports[0].Path, "/" + name);
    EXPECT_EQ(sink.Reports[0].Outcome, FolderOutcome::Created);
    EXPECT_EQ(sink.Reports[1].HostPath, "/" + name + "/sub");
    EXPECT_FALSE(fs::exists("/" + name));
}

TEST_F(CreationRunTest, ADryRunCreatesNothingAndPredictsEachOutcome)
{
    fs::create_directories(m_parent / "old" / "kept");
    std::ofstream(m_parent / "file") << "in the way";
    FolderTree const tree = ReadTree({ "old\\kept\\new\\deeper", "old\\other", "file\\below", "fresh" });
    auto const before = testing::ListTree(m_parent);
    RecordingSink planned;
    CreationSummary const summary = CreateFolders(tree, planned, { .DryRun = true });
    EXPECT_EQ(testing::ListTree(m_parent), before);
    std::vector<std::string> const expected { "=old", "=old/kept", "+old/kept/new", "+old/kept/new/deeper",
        "+old/other", "!file", "!file/below", "+fresh" };
    EXPECT_EQ(planned.Outcomes(Base()), expected);
    EXPECT_EQ(summary.Created, 4u);

    RecordingSink real;
    CreateFolders(tree, real);
    EXPECT_EQ(real.Outcomes(Base()), expected);

    // Below a missing parent folder every folder would fail.
    FolderTree missing;
    missing.SetRootPath((m_sandbox / "missing").string());
    LoadTextSource(missing, { "x\\y" });
    RecordingSink nowhere;
    CreateFolders(missing, nowhere, { .DryRun = true });
    EXPECT_EQ(nowhere.Outcomes(""),
        (std::vector<std::string> {
            "!" + (m_sandbox / "missing/x").string(), "!" + (m_sandbox / "missing/x/y").string() }));
}

TEST_F(CreationRunTest, ShiftJisNamesArriveAsUtf8Names)
{
    // ソ ends in the byte of "\"; ｱ is a single-byte katakana.
    FolderTree const tree = ReadTree({ Sjis("表\\ソ\\ｱ") });
    RecordingSink sink;
    CreateFolders(tree, sink);
    EXPECT_EQ(sink.Outcomes(Base()), (std::vector<std::string> { "+表", "+表/ソ", "+表/ソ/ｱ" }));
    EXPECT_EQ(sink.Reports.back().Path, Sjis(Base() + "表/ソ/ｱ"));
    EXPECT_TRUE(fs::is_directory(m_parent / "表" / "ソ" / "ｱ"));
}

TEST_F(CreationRunTest, NamesThatWouldLeaveTheParentFolderAreNotCreated)
{
    // Names the add and rename tags can make, or a tree built by hand.
    struct Case {
        std::string name;
        std::string reason_part;
    };
    Case const cases[] = {
        { "..", "not folder names" },
        { ".", "not folder names" },
        { "", "empty" },
        { "../escape", "separator" },
        { "/escape", "separator" },
        { "a\\..\\..\\escape", "separator" },
        { std::string("nul\0x", 5), "separator" },
        // No host form: a lead byte alone, and a code page 932 code without a character.
        { "\x81", "cannot hold" },
        { "\x85\x40", "cannot hold" },
    };
    for (auto const& c : cases) {
        FolderTree tree = ReadTree({});
        tree.BeginRead(false);
        NodeId const bad = tree.AppendChild(tree.Root(), c.name, 0);
        NodeId const below = tree.AppendChild(bad, "escape", 0);
        tree.AppendChild(below, "deeper", 0);
        tree.AppendChild(tree.Root(), "fine", 0);
        tree.EndRead();
        RecordingSink sink;
        CreationSummary const summary = CreateFolders(tree, sink);
        ASSERT_EQ(sink.Reports.size(), 4u);
        for (int index = 0; index < 3; ++index)
            EXPECT_EQ(sink.Reports[index].Outcome, FolderOutcome::Failed) << index;
        EXPECT_NE(sink.Reports[0].Reason.find(c.reason_part), std::string::npos) << sink.Reports[0].Reason;
        EXPECT_NE(sink.Reports[1].Reason.find("not tried"), std::string::npos);
        EXPECT_EQ(sink.Reports[3].Outcome, FolderOutcome::Created);
        EXPECT_EQ(summary.Failed, 3u);
        EXPECT_EQ(testing::ListTree(m_sandbox), (std::set<std::string> { "parent/", "parent/fine/" }))
            << c.name;
        fs::remove(m_parent / "fine");
    }
}

TEST_F(CreationRunTest, OnlyAnAbsoluteParentFolderOfThisSystemIsUsed)
{
    fs::path const previous = fs::current_path();
    fs::current_path(m_sandbox);
    for (std::string const parent : { "C:\\Work", "C:", "\\\\server\\share", "relative", "" }) {
        FolderTree tree;
        tree.SetRootPath(parent);
        LoadTextSource(tree, { "a\\b", "c" });
        RecordingSink sink;
        CreationSummary const summary = CreateFolders(tree, sink);
        EXPECT_EQ(summary.Failed, 3u) << parent;
        EXPECT_EQ(summary.Created, 0u) << parent;
        for (auto const& report : sink.Reports)
            EXPECT_FALSE(report.Reason.empty()) << parent;
    }
    FolderTree windows;
    windows.SetRootPath("C:\\Work");
    LoadTextSource(windows, { "a\\b" });
    RecordingSink sink;
    CreateFolders(windows, sink);
    EXPECT_EQ(sink.Reports[1].Path, "C:\\Work\\a\\b");
    fs::current_path(previous);
    EXPECT_EQ(testing::ListTree(m_sandbox), (std::set<std::string> { "parent/" }));
}

struct CountingSink : CreationSink {
    CreationSummary Seen;
    FolderReport Last;

    void FolderHandled(FolderReport const& report) override
    {
        if (report.Outcome == FolderOutcome::Created)
            ++Seen.Created;
        else if (report.Outcome == FolderOutcome::Failed)
            ++Seen.Failed;
        Last = report;
    }
    void NothingToCreate() override { }
};

TEST_F(CreationRunTest, ADeepTreeRunsUntilThePathLimit)
{
    FolderTree tree = ReadTree({});
    tree.BeginRead(false);
    NodeId node = tree.Root();
    int const depth = 10'000;
    for (int level = 0; level < depth; ++level)
        node = tree.AppendChild(node, "dddddddddd", 0);
    tree.EndRead();
    CountingSink sink;
    CreationSummary const summary = CreateFolders(tree, sink);
    EXPECT_GT(summary.Created, 100u);
    EXPECT_GT(summary.Failed, 0u);
    EXPECT_EQ(summary.Created + summary.Failed, static_cast<std::size_t>(depth));
    EXPECT_EQ(sink.Last.Outcome, FolderOutcome::Failed);
    EXPECT_EQ(sink.Last.HostPath.size(), Base().size() + depth * 11 - 1);
}

} // namespace
} // namespace edamaki
