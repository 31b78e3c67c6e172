#include "core/disk/CreationRun.h"
#include "core/disk/HostFileSystem.h"
#include "core/tree/TextSourceReader.h"
#include "tests/ScratchFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace edamaki {
namespace {

namespace fs = std::filesystem;

// Every line a run reports, with the parent folder's path taken out, so that
// two runs below two parent folders compare.
struct LineSink : CreationSink {
    explicit LineSink(std::string base)
        : Base(std::move(base))
    {
    }

    void FolderHandled(FolderReport const& report) override
    {
        std::string line = std::to_string(static_cast<int>(report.Outcome)) + " "
            + std::to_string(static_cast<int>(report.Cause)) + " " + report.HostPath + " | " + report.Reason
            + " | " + report.LinkTarget;
        for (std::size_t at = line.find(Base); at != std::string::npos; at = line.find(Base))
            line.replace(at, Base.size(), "<parent>");
        Lines.push_back(std::move(line));
        if (Lines.size() == StopAfter)
            Stop.request_stop();
        if (Lines.size() == ThrowAfter)
            throw std::runtime_error("the report can't go on");
    }
    void NothingToCreate() override { Lines.push_back("nothing"); }

    std::string Base;
    std::vector<std::string> Lines;
    std::size_t StopAfter = 0;
    std::size_t ThrowAfter = 0;
    std::stop_source Stop;
};

// Six customers of three projects of four folders, every name its own, so
// that a test can aim at one folder by its name.
std::vector<std::string> ProjectLines()
{
    std::vector<std::string> lines;
    for (int customer = 1; customer <= 6; ++customer) {
        for (int project = 1; project <= 3; ++project) {
            for (int folder = 1; folder <= 4; ++folder) {
                std::string const c = "c" + std::to_string(customer);
                std::string const p = c + "p" + std::to_string(project);
                lines.push_back(c + "\\" + p + "\\" + p + "f" + std::to_string(folder));
            }
        }
    }
    return lines;
}

class ParallelCreationTest : public ::testing::Test {
protected:
    void SetUp() override { m_sandbox = testing::MakeScratchFolder("parallel-create"); }
    void TearDown() override { fs::remove_all(m_sandbox); }

    struct Run {
        std::vector<std::string> Lines;
        CreationSummary Summary;
    };

    // Prepares a fresh parent folder and runs the tree's lines below it.
    Run RunBelow(std::string const& name, std::size_t jobs, std::vector<std::string> const& lines,
        std::function<void(fs::path const&)> const& prepare,
        std::function<void(HostFileSystem&)> const& arrange, bool follow_links = true,
        std::size_t stop_after = 0, std::stop_source stop = {})
    {
        fs::path const parent = m_sandbox / name;
        fs::create_directories(parent);
        if (prepare)
            prepare(parent);
        FolderTree tree;
        std::vector<std::string> source = lines;
        source.insert(source.begin(), parent.string());
        LoadTextSource(tree, source);
        HostFileSystem file_system;
        if (arrange)
            arrange(file_system);
        LineSink sink(parent.string());
        sink.StopAfter = stop_after;
        sink.Stop = std::move(stop);
        CreationOptions options { .DryRun = false, .FollowLinks = follow_links, .Jobs = jobs };
        options.Stop = sink.Stop.get_token();
        Run run;
        run.Summary = CreateFolders(tree, file_system, sink, options);
        run.Lines = std::move(sink.Lines);
        return run;
    }

    fs::path m_sandbox;
};

// Slows the making of the first customers most, so that the pieces of a run
// with several jobs finish in the opposite order to the walk; the first
// folder made below the first customer waits long, so that a walk through a
// link into it gets there first unless it waits its turn. Fails the
// creations `fail` says.
std::function<void(HostFileSystem&)> SlowAndFailing(std::function<int(std::string const&)> fail)
{
    return [fail = std::move(fail)](HostFileSystem& file_system) {
        auto const first_made = std::make_shared<std::atomic_flag>();
        file_system.SetCallHook([fail, first_made](HostCall call, char const* name) -> HostError {
            if (call != HostCall::Create)
                return {};
            std::string const text = name;
            if (text == "c1p1" && !first_made->test_and_set())
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            else if (text.starts_with("c1"))
                std::this_thread::sleep_for(std::chrono::microseconds(800));
            else if (text.starts_with("c2"))
                std::this_thread::sleep_for(std::chrono::microseconds(300));
            return { fail ? fail(text) : 0 };
        });
    };
}

TEST_F(ParallelCreationTest, SeveralJobsReportWhatOneJobReportsLineForLine)
{
    // Each run's link leads to a folder of its own outside its parent folder.
    auto const link_outside = [](fs::path const& parent) {
        fs::path const outside = parent.string() + "-outside";
        fs::create_directories(outside);
        fs::create_directories(parent / "c3");
        fs::create_directory_symlink(outside, parent / "c3" / "ln");
        fs::create_directory_symlink("c1", parent / "alias");
    };
    std::vector<std::string> with_links = ProjectLines();
    // A name with no host spelling (a code page 932 code without a character).
    for (char const* line : { "c3\\ln\\x1", "c3\\ln\\x2", "alias\\c1p1\\c1p1f1", "alias\\c1p1\\new",
             "c2\\no\x85\x40host\\below", "c4\\ln\\c1p2\\new" })
        with_links.push_back(line);

    struct Case {
        char const* name;
        std::function<void(fs::path const&)> prepare;
        std::function<int(std::string const&)> fail;
        bool follow_links = true;
    };
    Case const cases[] = {
        { "a new tree", {}, {} },
        { "a failure in one subtree", {},
            [](std::string const& name) { return name == "c2p2" ? EACCES : 0; } },
        { "a full disk part-way", {},
            [](std::string const& name) { return name >= "c4" && name < "c7" ? ENOSPC : 0; } },
        { "half of the tree there already",
            [](fs::path const& parent) {
                fs::create_directories(parent / "c2" / "c2p1");
                fs::create_directories(parent / "c5" / "c5p3" / "c5p3f2");
            },
            {} },
        { "links, one into a subtree another job makes", link_outside, {} },
        { "links not followed", link_outside, {}, false },
        // Walked side by side below existing folders too: the survey found no
        // link below c1, c2, c5 and c6; c4 holds one into c1, which waits.
        { "every customer there, half of each project missing",
            [&](fs::path const& parent) {
                link_outside(parent);
                for (std::string line : ProjectLines()) {
                    std::replace(line.begin(), line.end(), '\\', '/');
                    if (line.back() <= '2' && !line.starts_with("c3") && !line.starts_with("c4"))
                        fs::create_directories(parent / line);
                }
                for (char const* folder : { "c4", "c5/c5p1" })
                    fs::create_directories(parent / folder);
                fs::create_directory_symlink("../c1", parent / "c4" / "ln");
            },
            {} },
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> const& lines = c.prepare ? with_links : ProjectLines();
        std::string const name = std::to_string(&c - cases);
        Run const one = RunBelow(name + "-one", 1, lines, c.prepare, SlowAndFailing(c.fail), c.follow_links);
        Run const four
            = RunBelow(name + "-four", 4, lines, c.prepare, SlowAndFailing(c.fail), c.follow_links);
        EXPECT_EQ(four.Lines, one.Lines);
        EXPECT_EQ(four.Summary.Created, one.Summary.Created);
        EXPECT_EQ(four.Summary.Existed, one.Summary.Existed);
        EXPECT_EQ(four.Summary.Failed, one.Summary.Failed);
        // What each run made, its own folder's name taken out of the
        // paths that lead outside it.
        auto const made = [&](std::string const& run) {
            std::set<std::string> entries;
            for (std::string entry : testing::ListTree(m_sandbox / (name + run))) {
                if (std::size_t const at = entry.find(run); at != std::string::npos)
                    entry.erase(at, run.size());
                entries.insert(entry);
            }
            return entries;
        };
        EXPECT_EQ(made("-four"), made("-one"));
    }
}

TEST_F(ParallelCreationTest, ALinkSwappedMidRunIsJudgedByTheFolderOpenedWhateverTheJobs)
{
    fs::path const first = m_sandbox / "first";
    fs::path const second = m_sandbox / "second";
    std::vector<std::string> lines = ProjectLines();
    lines.push_back("c4\\ln\\made");
    for (std::size_t jobs : { 1u, 4u }) {
        SCOPED_TRACE(jobs);
        fs::remove_all(first);
        fs::remove_all(second);
        fs::create_directories(first);
        fs::create_directories(second);
        fs::path const parent = m_sandbox / std::to_string(jobs);
        auto const prepare = [&](fs::path const& folder) {
            fs::create_directories(folder / "c4");
            fs::create_directory_symlink(first, folder / "c4" / "ln");
        };
        auto const arrange = [&](HostFileSystem& file_system) {
            SlowAndFailing({})(file_system);
            file_system.SetRaceAction([&, parent](RacePoint point, char const* name) {
                if (point == RacePoint::AfterOpenLink && std::string(name) == "ln") {
                    fs::remove(parent / "c4" / "ln");
                    fs::create_directory_symlink(second, parent / "c4" / "ln");
                }
            });
        };
        Run const run = RunBelow(std::to_string(jobs), jobs, lines, prepare, arrange);
        EXPECT_EQ(run.Summary.Failed, 0u);
        EXPECT_TRUE(fs::is_directory(first / "made"));
        EXPECT_FALSE(fs::exists(second / "made"));
    }
}

// The survey lists what is there before the run; a folder made by another
// process after it is found there, as a look just before the run would.
TEST_F(ParallelCreationTest, AFolderMadeAfterTheSurveyIsFoundThere)
{
    std::vector<std::string> lines;
    for (std::size_t jobs : { 1u, 4u }) {
        SCOPED_TRACE(jobs);
        fs::path const parent = m_sandbox / std::to_string(jobs);
        auto const prepare = [](fs::path const& folder) { fs::create_directories(folder / "c2"); };
        auto const arrange = [parent](HostFileSystem& file_system) {
            file_system.SetCallHook([parent](HostCall call, char const* name) -> HostError {
                if (call == HostCall::Create && std::string(name) == "c2p1")
                    fs::create_directory(parent / "c2" / "c2p1");
                return {};
            });
        };
        Run const run = RunBelow(std::to_string(jobs), jobs, ProjectLines(), prepare, arrange);
        EXPECT_EQ(run.Summary.Failed, 0u);
        auto const made_meanwhile = std::find_if(run.Lines.begin(), run.Lines.end(),
            [](std::string const& line) { return line.find("/c2/c2p1 ") != std::string::npos; });
        ASSERT_NE(made_meanwhile, run.Lines.end());
        EXPECT_EQ(made_meanwhile->front(), '0' + static_cast<int>(FolderOutcome::Existed));
        if (lines.empty())
            lines = run.Lines;
        EXPECT_EQ(run.Lines, lines);
    }
}

TEST_F(ParallelCreationTest, AStoppedRunReportsWhatItDidInWalkOrderAndCountsTheRest)
{
    Run const whole = RunBelow("whole", 1, ProjectLines(), {}, {});
    for (std::size_t jobs : { 1u, 4u }) {
        SCOPED_TRACE(jobs);
        // The third project of the first customer waits for the stop, which
        // comes from the tenth line, so there is always something left.
        std::stop_source const stop;
        auto const arrange = [token = stop.get_token()](HostFileSystem& file_system) {
            file_system.SetCallHook([token](HostCall call, char const* name) -> HostError {
                while (call == HostCall::Create && std::string(name) == "c1p3" && !token.stop_requested())
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                return {};
            });
        };
        Run const stopped
            = RunBelow("stopped-" + std::to_string(jobs), jobs, ProjectLines(), {}, arrange, true, 10, stop);
        CreationSummary const& summary = stopped.Summary;
        EXPECT_TRUE(summary.Stopped);
        EXPECT_GT(summary.NotTried, 0u);
        EXPECT_EQ(summary.Created + summary.Existed + summary.Failed + summary.NotTried, whole.Lines.size());
        EXPECT_EQ(stopped.Lines.size(), summary.Created + summary.Existed + summary.Failed);
        // The lines are those of the whole run, in its order, with gaps.
        auto next = whole.Lines.begin();
        for (std::string const& line : stopped.Lines) {
            next = std::find(next, whole.Lines.end(), line);
            ASSERT_NE(next, whole.Lines.end()) << line;
        }
    }
}

TEST_F(ParallelCreationTest, AWalkerOrASinkThatThrowsEndsTheRunWithWhatItThrew)
{
    struct Case {
        char const* name;
        std::size_t throw_after;
        std::function<HostError(HostCall, char const*)> hook;
        char const* expected;
    };
    Case const cases[] = {
        { "the sink", 30, {}, "the report can't go on" },
        { "a walker", 0,
            [](HostCall, char const* name) -> HostError {
                if (name && std::string(name) == "c3p2")
                    throw std::runtime_error("out of memory");
                return {};
            },
            "out of memory" },
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        fs::path const parent = m_sandbox / c.name;
        fs::create_directories(parent);
        std::vector<std::string> source = ProjectLines();
        source.insert(source.begin(), parent.string());
        FolderTree tree;
        LoadTextSource(tree, source);
        HostFileSystem file_system;
        file_system.SetCallHook(c.hook);
        LineSink sink(parent.string());
        sink.ThrowAfter = c.throw_after;
        try {
            CreateFolders(tree, file_system, sink, { .Jobs = 4 });
            ADD_FAILURE() << "nothing thrown";
        } catch (std::runtime_error const& error) {
            EXPECT_STREQ(error.what(), c.expected);
        }
    }
}

} // namespace
} // namespace edamaki
