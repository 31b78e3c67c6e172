#include "core/disk/FolderForecast.h"
#include "core/disk/HostFileSystem.h"
#include "core/tree/TextSourceReader.h"
#include "tests/ScratchFolder.h"
#include "tests/Unprivileged.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace edamaki {
namespace {

namespace fs = std::filesystem;

class FolderForecastTest : public ::testing::Test {
protected:
    void SetUp() override { m_sandbox = testing::MakeScratchFolder("forecast"); }
    void TearDown() override { fs::remove_all(m_sandbox); }

    fs::path m_sandbox;
};

// A folder anyone may make folders in, as a user's own would be.
void MakeOpenFolder(fs::path const& folder)
{
    fs::create_directories(folder);
    fs::permissions(folder, fs::perms::all);
}

// A folder anyone may enter but only its owner change.
void MakeLockedFolder(fs::path const& folder)
{
    fs::create_directories(folder);
    fs::permissions(folder, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
}

char MarkLetter(FolderMark mark)
{
    switch (mark) {
    case FolderMark::Existing:
        return '=';
    case FolderMark::New:
        return '+';
    case FolderMark::Failing:
        return '!';
    case FolderMark::Pending:
        break;
    }
    return '?';
}

// "=a", "+a/b", "!f: reason", "=link -> target" for every folder below the root, in walk order.
std::string Forecast(FolderTree const& tree)
{
    HostFileSystem file_system;
    FolderForecast const forecast = ForecastFolders(tree, file_system);
    std::string text;
    std::vector<std::pair<NodeId, std::string>> path { { tree.Root(), "" } };
    while (!path.empty()) {
        auto [node, prefix] = path.back();
        path.pop_back();
        auto const children = tree.Children(node);
        for (auto child = children.rbegin(); child != children.rend(); ++child)
            path.emplace_back(*child, prefix + std::string(tree.Name(*child)) + "/");
        if (node == tree.Root())
            continue;
        prefix.pop_back();
        text += MarkLetter(forecast.MarkOf(node)) + prefix;
        if (forecast.MarkOf(node) == FolderMark::Failing)
            text += ": " + forecast.ReasonOf(node);
        if (!forecast.LinkTargetOf(node).empty())
            text += " -> " + forecast.LinkTargetOf(node);
        text += "\n";
    }
    text += std::to_string(forecast.New) + " new, " + std::to_string(forecast.Existing) + " existing, "
        + std::to_string(forecast.Failing) + " failing\n";
    return text;
}

TEST_F(FolderForecastTest, EachFolderIsMarkedAsTheRunWouldFindIt)
{
    fs::path const parent = m_sandbox / "parent";
    MakeOpenFolder(parent);
    MakeOpenFolder(parent / "there");
    MakeOpenFolder(m_sandbox / "outside");
    MakeLockedFolder(parent / "locked");
    std::ofstream(parent / "file") << "in the way";
    fs::create_directory_symlink(m_sandbox / "outside", parent / "out");
    FolderTree tree;
    LoadTextSource(tree,
        { parent.string(), "there\\new", "file\\below", "out\\made", "locked\\refused", "fresh\\deeper" });
    auto const text = testing::RunUnprivileged([&] { return Forecast(tree); });
    if (!text)
        GTEST_SKIP() << "running as root, and the privileges could not be dropped";
    std::string const exists = HostFileSystem::DescribeError(HostFileSystem::AlreadyExistsError());
    std::string const not_directory = HostFileSystem::DescribeError(HostFileSystem::NotADirectoryError());
    std::string const denied = HostFileSystem::DescribeError({ EACCES });
    std::string const outside = fs::canonical(m_sandbox / "outside").string();
    EXPECT_EQ(*text,
        "=there\n+there/new\n!file: " + exists + "\n!file/below: " + not_directory + "\n=out -> " + outside
            + "\n+out/made\n=locked\n!locked/refused: " + denied
            + "\n+fresh\n+fresh/deeper\n4 new, 3 existing, 3 failing\n");
}

TEST_F(FolderForecastTest, TheParentFolderIsLookedAtAsTheRunWouldOpenIt)
{
    MakeLockedFolder(m_sandbox / "locked");
    MakeOpenFolder(m_sandbox / "open");
    std::ofstream(m_sandbox / "file") << "not a folder";
    struct Case {
        std::string parent;
        ParentFolderState expected;
    };
    Case const cases[] = {
        { "", ParentFolderState::None },
        { "relative/path", ParentFolderState::Unusable },
        { (m_sandbox / "missing").string(), ParentFolderState::Missing },
        { (m_sandbox / "file").string(), ParentFolderState::NotAFolder },
        { (m_sandbox / "locked").string(), ParentFolderState::NotWritable },
        { (m_sandbox / "open").string(), ParentFolderState::Usable },
    };
    std::string expected;
    for (Case const& c : cases)
        expected += std::to_string(static_cast<int>(c.expected)) + " ";
    auto const states = testing::RunUnprivileged([&] {
        std::string text;
        HostFileSystem file_system;
        for (Case const& c : cases) {
            FolderTree tree;
            tree.SetRootPath(c.parent);
            text += std::to_string(static_cast<int>(LookAtParentFolder(tree, file_system))) + " ";
        }
        return text;
    });
    if (!states)
        GTEST_SKIP() << "running as root, and the privileges could not be dropped";
    EXPECT_EQ(*states, expected);
}

} // namespace
} // namespace edamaki
