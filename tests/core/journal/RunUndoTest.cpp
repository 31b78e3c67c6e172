#include "core/journal/RunUndo.h"
#include "core/disk/CreationRun.h"
#include "core/journal/RunJournal.h"
#include "core/tree/TextSourceReader.h"
#include "tests/ScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace edamaki {
namespace {

namespace fs = std::filesystem;

struct NullSink : CreationSink {
    std::function<void()> OnFolder;
    void FolderHandled(FolderReport const&) override
    {
        if (OnFolder)
            OnFolder();
    }
    void NothingToCreate() override { }
};

class RunUndoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_sandbox = testing::MakeScratchFolder("undo-test");
        m_parent = m_sandbox / "parent";
        m_journals = (m_sandbox / "runs").string();
        fs::create_directories(m_parent);
    }
    void TearDown() override
    {
        fs::permissions(m_sandbox, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(m_sandbox);
    }

    // Runs a text-mode source below the parent folder; the journal's name.
    std::string Make(std::vector<std::string> lines, CreationOptions options = {}, NullSink sink = {})
    {
        lines.insert(lines.begin(), m_parent.string());
        FolderTree tree;
        LoadTextSource(tree, lines);
        RunJournalWriter writer(m_journals, m_parent.string() + "/", "test.txt");
        JournalSink journal_sink(sink, writer);
        CreateFolders(tree, journal_sink, options);
        EXPECT_TRUE(writer.Error().empty()) << writer.Error();
        return writer.Name();
    }

    // "-a/b" removed, "=a: reason" kept, "!a: reason" failed, "~a" gone.
    std::vector<std::string> Undo(
        std::string const& name, bool dry_run = false, UndoSummary* summary = nullptr)
    {
        std::vector<std::string> lines;
        auto const journal = ReadJournal(m_journals, name);
        EXPECT_TRUE(journal);
        if (!journal)
            return lines;
        std::string const base = m_parent.string() + "/";
        UndoSummary const result = UndoRun(*journal, m_journals,
            [&](UndoReport const& report) {
                static constexpr char Marks[] = { '-', '=', '!', '~' };
                std::string line
                    = Marks[static_cast<int>(report.Outcome)] + report.HostPath.substr(base.size());
                if (!report.Reason.empty())
                    line += ": " + report.Reason;
                lines.push_back(line);
            },
            { .DryRun = dry_run });
        if (summary)
            *summary = result;
        return lines;
    }

    fs::path m_sandbox;
    fs::path m_parent;
    std::string m_journals;
};

TEST_F(RunUndoTest, TakesBackExactlyWhatTheRunMadeDeepestFirst)
{
    fs::create_directories(m_parent / "old" / "empty");
    auto const before = testing::ListTree(m_parent);
    std::string const run = Make({ "old\\new\\x", "old\\empty", "fresh\\y", "fresh\\z" });
    ASSERT_FALSE(run.empty());
    auto const journal = ReadJournal(m_journals, run);
    ASSERT_TRUE(journal);
    EXPECT_EQ(journal->Folders.size(), 5u); // old and old/empty existed
    EXPECT_EQ(journal->Source, "test.txt");

    std::vector<std::string> const expected { "-fresh/z", "-fresh/y", "-fresh", "-old/new/x", "-old/new" };
    EXPECT_EQ(Undo(run, true), expected);
    EXPECT_NE(testing::ListTree(m_parent), before) << "a dry run removes nothing";
    EXPECT_EQ(Undo(run), expected);
    EXPECT_EQ(testing::ListTree(m_parent), before);

    UndoSummary again;
    EXPECT_TRUE(Undo(run, false, &again).empty());
    EXPECT_TRUE(again.AlreadyUndone);
}

TEST_F(RunUndoTest, KeepsWhatChangedSinceTheRun)
{
    struct Case {
        char const* Name;
        std::function<void(fs::path const&, fs::path const&)> Change; // made folder a/b/c, outside folder
        std::vector<std::string> Expected;
    };
    Case const cases[] = {
        { "a file put into a made folder",
            [](fs::path const& parent, fs::path const&) {
                std::ofstream(parent / "a" / "b" / "note.txt") << "x";
            },
            { "-a/b/c", "=a/b: not empty", "=a: holds a folder that is kept" } },
        { "a folder replaced by another of the same name",
            [](fs::path const& parent, fs::path const&) {
                // Made again later, as someone else would: the same inode
                // often, but a later birth time (the clock ticks in ms).
                fs::remove(parent / "a" / "b" / "c");
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                fs::create_directory(parent / "a" / "b" / "c");
            },
            { "=a/b/c: another folder of that name, not the one the run made",
                "=a/b: holds a folder that is kept", "=a: holds a folder that is kept" } },
        { "a link swapped in for a made folder",
            [](fs::path const& parent, fs::path const& outside) {
                fs::rename(parent / "a" / "b", outside / "b");
                fs::create_directory_symlink(outside / "b", parent / "a" / "b");
            },
            { "=a/b/c: a folder above it is a link or not a folder, not followed",
                "=a/b: a link now, not followed", "=a: holds a folder that is kept" } },
    };
    for (Case const& test : cases) {
        SCOPED_TRACE(test.Name);
        fs::remove_all(m_parent);
        fs::create_directories(m_parent);
        fs::path const outside = m_sandbox / "outside";
        fs::remove_all(outside);
        fs::create_directories(outside);
        std::string const run = Make({ "a\\b\\c" });
        test.Change(m_parent, outside);
        auto const outside_before = testing::ListTree(outside);
        UndoSummary summary;
        EXPECT_EQ(Undo(run, true), test.Expected);
        EXPECT_EQ(Undo(run, false, &summary), test.Expected);
        EXPECT_GT(summary.Kept, 0u);
        EXPECT_EQ(testing::ListTree(outside), outside_before) << "nothing reached through the link";
        EXPECT_FALSE(ReadJournal(m_journals, run)->Undone);
    }
}

TEST_F(RunUndoTest, RunsSideBySideAndStoppedRunsAreJournalledToo)
{
    std::vector<std::string> lines;
    for (int top = 0; top < 20; ++top)
        for (int below = 0; below < 20; ++below)
            lines.push_back("t" + std::to_string(top) + "\\b" + std::to_string(below));
    std::string const side_by_side = Make(lines, { .Jobs = 4 });
    EXPECT_EQ(ReadJournal(m_journals, side_by_side)->Folders.size(), 420u);
    UndoSummary summary;
    Undo(side_by_side, false, &summary);
    EXPECT_EQ(summary.Removed, 420u);
    EXPECT_TRUE(fs::is_empty(m_parent));

    std::stop_source stop;
    NullSink stopping;
    int handled = 0;
    stopping.OnFolder = [&] {
        if (++handled == 50)
            stop.request_stop();
    };
    std::string const stopped = Make(lines, { .Jobs = 1, .Stop = stop.get_token() }, stopping);
    std::size_t const made = ReadJournal(m_journals, stopped)->Folders.size();
    EXPECT_GE(made, 50u);
    EXPECT_LT(made, 420u);
    Undo(stopped, false, &summary);
    EXPECT_EQ(summary.Removed, made);
    EXPECT_TRUE(fs::is_empty(m_parent));
}

TEST_F(RunUndoTest, ListsAndPrunesJournals)
{
    std::string const first = Make({ "one" });
    std::string const second = Make({ "two" });
    EXPECT_TRUE(Make({ "one" }).empty()) << "a run that made nothing keeps no journal";
    auto journals = ListJournals(m_journals);
    ASSERT_EQ(journals.size(), 2u);
    EXPECT_EQ(journals[0].Name, first);
    EXPECT_EQ(journals[1].Name, second);

    PruneJournals(m_journals, 1);
    journals = ListJournals(m_journals);
    ASSERT_EQ(journals.size(), 1u);
    EXPECT_EQ(journals[0].Name, second);
    PruneJournals(m_journals, 10, std::chrono::seconds(-10));
    EXPECT_TRUE(ListJournals(m_journals).empty()) << "too old";
}

} // namespace
} // namespace edamaki
