#include "core/disk/CreationRun.h"
#include "core/disk/HostFileSystem.h"
#include "core/tree/TextSourceReader.h"
#include "tests/ScratchFolder.h"
#include "tests/SjisLiteral.h"
#include "tests/Unprivileged.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string_view>
#include <unistd.h>
#include <utility>

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
    void TearDown() override
    {
        fs::remove_all(m_sandbox);
        if (!m_quick.empty())
            fs::remove_all(m_quick);
    }

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

    // An empty parent folder for a test that makes many folders: on a tmpfs
    // when there is one, where that is quick.
    fs::path QuickParentFolder()
    {
        if (::access("/dev/shm", W_OK) != 0)
            return m_parent;
        m_quick = fs::path("/dev/shm") / m_sandbox.filename();
        fs::remove_all(m_quick);
        fs::create_directory(m_quick);
        return m_quick;
    }

    fs::path m_sandbox;
    fs::path m_parent;
    fs::path m_quick;
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

// A front end says why in its own words: each failure carries its cause.
TEST_F(CreationRunTest, EachFailureSaysItsCause)
{
    std::ofstream(m_parent / "file") << "in the way";
    FolderTree tree = ReadTree({});
    tree.BeginRead(false);
    tree.AppendChild(tree.AppendChild(tree.Root(), "file", 0), "below", 0);
    tree.AppendChild(tree.Root(), std::string(300, 'n'), 0);
    tree.AppendChild(tree.Root(), "ok", 0);
    NodeId const dots = tree.AppendChild(tree.Root(), "..", 0);
    tree.AppendChild(dots, "under", 0);
    tree.EndRead();
    RecordingSink sink;
    CreateFolders(tree, sink);
    std::vector<FailureCause> causes;
    for (auto const& report : sink.Reports)
        causes.push_back(report.Cause);
    EXPECT_EQ(causes,
        (std::vector<FailureCause> { FailureCause::InTheWay, FailureCause::MissingAbove,
            FailureCause::NameTooLong, FailureCause::None, FailureCause::InvalidName,
            FailureCause::NotTried }));

    tree.SetRootPath("C:\\work");
    RecordingSink refused;
    CreateFolders(tree, refused);
    EXPECT_EQ(refused.Reports.front().Cause, FailureCause::UnusableParentFolder);
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
        { std::string("nul\0x", 5), "NUL character" },
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

// What a sink saw, in runs of equal lines, without keeping the paths: a chain
// of 100,000 folders has paths of up to 200 KB.
struct RunLengthSink : CreationSink {
    std::vector<std::pair<std::string, std::size_t>> Runs;
    std::size_t LastHostPathSize = 0;

    void FolderHandled(FolderReport const& report) override
    {
        std::string line = report.Outcome == FolderOutcome::Failed ? "!" : "+";
        if (report.Outcome == FolderOutcome::Existed)
            line = "=";
        line += report.Reason;
        if (Runs.empty() || Runs.back().first != line)
            Runs.emplace_back(line, 0);
        ++Runs.back().second;
        LastHostPathSize = report.HostPath.size();
    }
    void NothingToCreate() override { }
};

std::size_t OpenDescriptorCount()
{
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

TEST_F(CreationRunTest, AChainOfAHundredThousandLevelsStopsAtThePathLimitInBothRuns)
{
    std::string line = "d";
    std::size_t const depth = 100'000;
    for (std::size_t level = 1; level < depth; ++level)
        line += "\\d";
    fs::path const parent = QuickParentFolder();
    FolderTree tree;
    LoadTextSource(tree, { parent.string(), line });
    std::size_t const descriptors = OpenDescriptorCount();
    RunLengthSink planned;
    CreateFolders(tree, planned, { .DryRun = true });
    RunLengthSink real;
    CreateFolders(tree, real);
    EXPECT_EQ(OpenDescriptorCount(), descriptors);

    // Level k's path is the parent folder, then k names of one byte joined by "/".
    std::size_t const base = parent.string().size() + 1;
    std::size_t const reachable = (HostFileSystem::PathLimit + 1 - base) / 2;
    std::string const too_long = "!" + HostFileSystem::DescribeError(HostFileSystem::NameTooLongError());
    std::vector<std::pair<std::string, std::size_t>> const expected { { "+", reachable },
        { too_long, depth - reachable } };
    EXPECT_EQ(planned.Runs, expected);
    EXPECT_EQ(real.Runs, expected);
    EXPECT_EQ(real.LastHostPathSize, base + 2 * depth - 1);
}

TEST_F(CreationRunTest, ATreeDeeperThanTheOpenDirectoriesReachesEveryFolder)
{
    // Each level holds the next level, then a leaf: after the deepest level
    // the walk comes back up through directories it had to close.
    int const depth = 200;
    std::vector<std::string> lines;
    std::string path = "d";
    for (int level = 1; level < depth; ++level)
        path += "\\d";
    for (int level = depth; level > 0; --level)
        lines.push_back(path.substr(0, 2 * level - 1) + "\\leaf");
    fs::path const parent = QuickParentFolder();
    lines.insert(lines.begin(), parent.string());
    FolderTree tree;
    LoadTextSource(tree, lines);
    std::size_t const descriptors = OpenDescriptorCount();
    RecordingSink planned;
    CreateFolders(tree, planned, { .DryRun = true });
    RecordingSink first;
    CreationSummary const created = CreateFolders(tree, first);
    RecordingSink second;
    CreationSummary const existed = CreateFolders(tree, second);
    EXPECT_EQ(OpenDescriptorCount(), descriptors);
    EXPECT_EQ(created.Created, 2u * depth);
    EXPECT_EQ(existed.Existed, 2u * depth);
    EXPECT_EQ(planned.Outcomes(""), first.Outcomes(""));
    EXPECT_EQ(testing::ListTree(parent).size(), 2u * depth);
    EXPECT_EQ(first.Reports.back().HostPath, parent.string() + "/d/leaf");
}

// A report as one line: mark, path below `base`, reason, where a link leads.
std::vector<std::string> Lines(RecordingSink const& sink, std::string const& base)
{
    std::vector<std::string> lines = sink.Outcomes(base);
    for (std::size_t index = 0; index < lines.size(); ++index) {
        FolderReport const& report = sink.Reports[index];
        if (!report.Reason.empty())
            lines[index] += ": " + report.Reason;
        if (!report.LinkTarget.empty())
            lines[index] += " -> " + report.LinkTarget;
    }
    return lines;
}

TEST_F(CreationRunTest, ADryRunPrintsTheLinesOfTheRealRun)
{
    std::string const exists = HostFileSystem::DescribeError(HostFileSystem::AlreadyExistsError());
    std::string const not_directory = HostFileSystem::DescribeError(HostFileSystem::NotADirectoryError());
    std::string const not_found = HostFileSystem::DescribeError(HostFileSystem::NotFoundError());
    std::string const too_long = HostFileSystem::DescribeError(HostFileSystem::NameTooLongError());
    std::string const long_name(256, 'n');
    std::string const elsewhere = fs::weakly_canonical(m_sandbox / "elsewhere").string();
    std::string const not_followed = "not tried: a folder above it is a link, and links are not followed";

    // Twenty names of 250 bytes pass the path limit from any temporary folder.
    std::string const part(250, 'p');
    std::string chain;
    std::string relative;
    std::vector<std::string> chain_lines;
    for (int level = 0; level < 20; ++level) {
        chain += (level ? "\\" : "") + part;
        relative += (level ? "/" : "") + part;
        bool const fits = Base().size() + relative.size() <= HostFileSystem::PathLimit;
        chain_lines.push_back(fits ? "+" + relative : "!" + relative + ": " + too_long);
    }

    struct Case {
        char const* name;
        std::vector<std::string> source;
        bool follow_links;
        std::vector<std::string> expected;
    };
    Case const cases[] = {
        { "a file in the way", { "file\\below\\deeper", "old\\new" }, true,
            { "!file: " + exists, "!file/below: " + not_directory, "!file/below/deeper: " + not_directory,
                "=old", "+old/new" } },
        { "names past the name limit", { long_name + "\\below", "fresh\\" + long_name, "ok" }, true,
            { "!" + long_name + ": " + too_long, "!" + long_name + "/below: " + too_long, "+fresh",
                "!fresh/" + long_name + ": " + too_long, "+ok" } },
        { "paths past the path limit", { chain }, true, chain_lines },
        { "links followed", { "out\\x", "in\\y", "dangling\\z" }, true,
            { "=out: a link to " + elsewhere + ", outside the parent folder -> " + elsewhere, "+out/x", "=in",
                "+in/y", "!dangling: " + exists, "!dangling/z: " + not_found } },
        { "links not followed", { "out\\x", "in\\y", "old\\new" }, false,
            { "!out: a link to " + elsewhere + ", and links are not followed", "!out/x: " + not_followed,
                "!in: a link to " + (m_parent / "old").string() + ", and links are not followed",
                "!in/y: " + not_followed, "=old", "+old/new" } },
    };
    for (auto const& c : cases) {
        fs::remove_all(m_sandbox);
        fs::create_directories(m_parent / "old");
        fs::create_directory(m_sandbox / "elsewhere");
        std::ofstream(m_parent / "file") << "in the way";
        fs::create_directory_symlink("../elsewhere", m_parent / "out");
        fs::create_directory_symlink("old", m_parent / "in");
        fs::create_directory_symlink("nowhere", m_parent / "dangling");
        FolderTree const tree = ReadTree(c.source);
        auto const before = testing::ListTree(m_sandbox);
        RecordingSink planned;
        CreateFolders(tree, planned, { .DryRun = true, .FollowLinks = c.follow_links });
        EXPECT_EQ(testing::ListTree(m_sandbox), before) << c.name;
        RecordingSink real;
        CreateFolders(tree, real, { .FollowLinks = c.follow_links });
        EXPECT_EQ(Lines(planned, Base()), c.expected) << c.name;
        EXPECT_EQ(Lines(real, Base()), c.expected) << c.name;
    }
}

TEST_F(CreationRunTest, NotFollowingLinksStillTakesAParentFolderNamedThroughOne)
{
    fs::create_directory_symlink(m_parent, m_sandbox / "named");
    fs::create_directory_symlink(m_sandbox, m_parent / "up");
    FolderTree tree;
    tree.SetRootPath((m_sandbox / "named").string());
    LoadTextSource(tree, { "a\\b", "up\\escaped" });
    RecordingSink sink;
    CreationSummary const summary = CreateFolders(tree, sink, { .FollowLinks = false });
    EXPECT_EQ(summary.Created, 2u);
    EXPECT_EQ(summary.Failed, 2u);
    EXPECT_TRUE(fs::is_directory(m_parent / "a" / "b"));
    EXPECT_FALSE(fs::exists(m_sandbox / "escaped"));
}

// "Another process" does each action once, the first time the run reaches
// its point with its name.
struct Race {
    RacePoint Point;
    std::string Name;
    std::function<void()> Action;
};

void Arrange(HostFileSystem& file_system, std::vector<Race> races)
{
    file_system.SetRaceAction([races = std::move(races)](RacePoint point, char const* name) mutable {
        for (Race& race : races) {
            if (race.Action && race.Point == point && race.Name == name)
                std::exchange(race.Action, {})();
        }
    });
}

TEST_F(CreationRunTest, AFolderMadeMeanwhileByAnotherProcessCountsAsWhatIsThere)
{
    std::string const elsewhere = fs::weakly_canonical(m_sandbox / "elsewhere").string();
    std::string const exists = HostFileSystem::DescribeError(HostFileSystem::AlreadyExistsError());
    std::string const not_directory = HostFileSystem::DescribeError(HostFileSystem::NotADirectoryError());
    fs::path const made = m_parent / "a";
    struct Case {
        char const* name;
        std::function<void()> make;
        bool follow_links;
        std::vector<std::string> expected;
    };
    Case const cases[] = {
        { "a folder", [&] { fs::create_directory(made); }, true, { "=a", "+a/b", "=leaf" } },
        { "a folder, links not followed", [&] { fs::create_directory(made); }, false,
            { "=a", "+a/b", "=leaf" } },
        { "a file", [&] { std::ofstream(made) << "in the way"; }, true,
            { "!a: " + exists, "!a/b: " + not_directory, "=leaf" } },
        { "a link to outside", [&] { fs::create_directory_symlink(elsewhere, made); }, true,
            { "=a: a link to " + elsewhere + ", outside the parent folder -> " + elsewhere, "+a/b",
                "=leaf" } },
        { "a link to outside, links not followed", [&] { fs::create_directory_symlink(elsewhere, made); },
            false,
            { "!a: a link to " + elsewhere + ", and links are not followed",
                "!a/b: not tried: a folder above it is a link, and links are not followed", "=leaf" } },
    };
    for (auto const& c : cases) {
        fs::remove_all(m_sandbox);
        fs::create_directories(m_parent);
        fs::create_directory(elsewhere);
        FolderTree const tree = ReadTree({ "a\\b", "leaf" });
        HostFileSystem file_system;
        Arrange(file_system,
            { { RacePoint::BeforeCreate, "a", c.make },
                { RacePoint::BeforeCreate, "leaf", [&] { fs::create_directory(m_parent / "leaf"); } } });
        RecordingSink sink;
        CreateFolders(tree, file_system, sink, { .FollowLinks = c.follow_links });
        EXPECT_EQ(Lines(sink, Base()), c.expected) << c.name;
    }
}

TEST_F(CreationRunTest, AFolderSwappedForALinkBeforeTheWalkComesBackFailsItsRest)
{
    // Deeper than the window of open folders: "a" is closed, and reopened
    // by name for "after".
    std::string chain = "a";
    for (int level = 0; level < 100; ++level)
        chain += "\\d";
    FolderTree const tree = ReadTree({ chain, "a\\after", "next" });
    fs::create_directory(m_sandbox / "elsewhere");
    HostFileSystem file_system;
    Arrange(file_system, { { RacePoint::BeforeReopen, "a", [&] {
                                fs::rename(m_parent / "a", m_sandbox / "moved");
                                fs::create_directory_symlink(m_sandbox / "elsewhere", m_parent / "a");
                            } } });
    RecordingSink sink;
    CreationSummary const summary = CreateFolders(tree, file_system, sink);
    EXPECT_EQ(summary.Created, 102u);
    std::vector<std::string> const lines = Lines(sink, Base());
    EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()),
        (std::vector<std::string> { "!a/after: the folder changed while it was read", "+next" }));
    EXPECT_TRUE(fs::is_empty(m_sandbox / "elsewhere"));
}

TEST_F(CreationRunTest, WhereALinkLeadsIsJudgedByTheFolderOpened)
{
    std::string const elsewhere = fs::weakly_canonical(m_sandbox / "elsewhere").string();
    std::string const notice = ", outside the parent folder -> ";
    struct Case {
        char const* name;
        fs::path first;
        fs::path then;
        std::vector<std::string> expected;
    };
    Case const cases[] = {
        { "outside, then inside", "../elsewhere", "old",
            { "=link: a link to " + elsewhere + notice + elsewhere, "+link/x" } },
        { "inside, then outside", "old", "../elsewhere", { "=link", "+link/x" } },
    };
    for (auto const& c : cases) {
        fs::remove_all(m_sandbox);
        fs::create_directories(m_parent / "old");
        fs::create_directory(elsewhere);
        fs::create_directory_symlink(c.first, m_parent / "link");
        HostFileSystem file_system;
        Arrange(file_system, { { RacePoint::AfterOpenLink, "link", [&] {
                                    fs::remove(m_parent / "link");
                                    fs::create_directory_symlink(c.then, m_parent / "link");
                                } } });
        RecordingSink sink;
        CreateFolders(ReadTree({ "link\\x" }), file_system, sink);
        EXPECT_EQ(Lines(sink, Base()), c.expected) << c.name;
        EXPECT_TRUE(fs::is_directory(m_parent / c.first / "x")) << c.name;
    }
}

TEST_F(CreationRunTest, ALinkToAFolderTheUserMayNotEnterSaysSo)
{
    fs::create_directories(m_sandbox / "denied" / "target");
    fs::create_directory_symlink("../denied/target", m_parent / "link");
    fs::permissions(m_sandbox / "denied", fs::perms::none);
    FolderTree const tree = ReadTree({ "link\\x" });
    auto const lines = testing::RunUnprivileged([&] {
        RecordingSink sink;
        CreateFolders(tree, sink);
        std::string text;
        for (std::string const& line : Lines(sink, Base()))
            text += line + "\n";
        return text;
    });
    fs::permissions(m_sandbox / "denied", fs::perms::owner_all);
    if (!lines)
        GTEST_SKIP() << "running as root, and the privileges could not be dropped";
    std::string const denied = HostFileSystem::DescribeError({ EACCES });
    EXPECT_EQ(*lines, "!link: " + denied + "\n!link/x: " + denied + "\n");
}

} // namespace
} // namespace edamaki
