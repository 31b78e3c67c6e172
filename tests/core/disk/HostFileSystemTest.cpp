#include "core/disk/HostFileSystem.h"
#include "core/disk/DirectoryWindow.h"
#include "tests/ScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

namespace edamaki {
namespace {

namespace fs = std::filesystem;

class HostFileSystemTest : public ::testing::Test {
protected:
    void SetUp() override { m_sandbox = testing::MakeScratchFolder("host-test"); }
    void TearDown() override { fs::remove_all(m_sandbox); }

    HostDirectory Open(fs::path const& path)
    {
        HostError error;
        return m_file_system.OpenDirectory(path.c_str(), error);
    }

    fs::path m_sandbox;
    HostFileSystem m_file_system;
};

// The listing's type where the file system records one, and a look of its own
// where it doesn't: either way the same answer.
TEST_F(HostFileSystemTest, TellsFoldersAndLinksToFoldersFromEverythingElse)
{
    fs::create_directory(m_sandbox / "folder");
    std::ofstream(m_sandbox / "file") << "x";
    fs::create_directory_symlink(m_sandbox / "folder", m_sandbox / "to-folder");
    fs::create_symlink(m_sandbox / "file", m_sandbox / "to-file");
    fs::create_symlink(m_sandbox / "nowhere", m_sandbox / "dangling");
    struct Case {
        char const* Name;
        DirectoryEntries::Type Listed;
        ListedEntryKind Expected;
    };
    using Type = DirectoryEntries::Type;
    Case const cases[] = {
        { "folder", Type::Directory, ListedEntryKind::Folder },
        { "folder", Type::Unknown, ListedEntryKind::Folder },
        { "to-folder", Type::Link, ListedEntryKind::LinkToFolder },
        { "to-folder", Type::Unknown, ListedEntryKind::LinkToFolder },
        { "file", Type::Other, ListedEntryKind::NotAFolder },
        { "file", Type::Unknown, ListedEntryKind::NotAFolder },
        { "to-file", Type::Link, ListedEntryKind::NotAFolder },
        { "dangling", Type::Unknown, ListedEntryKind::NotAFolder },
        { "gone", Type::Unknown, ListedEntryKind::NotAFolder },
    };
    HostDirectory const folder = Open(m_sandbox);
    for (Case const& test : cases) {
        EXPECT_EQ(m_file_system.KindOfListedEntry(folder, { test.Name, test.Listed }), test.Expected)
            << test.Name << " listed as " << static_cast<int>(test.Listed);
    }
}

// A folder closed by the window and replaced meanwhile is not reopened,
// whether the walk said which folder it was or the window took note.
TEST_F(HostFileSystemTest, TheWindowDoesNotReopenAReplacedFolder)
{
    for (bool const identified : { true, false }) {
        fs::remove_all(m_sandbox / "a");
        fs::create_directories(m_sandbox / "a" / "b" / "c");
        HostDirectory first = Open(m_sandbox / "a");
        HostFolderIdentity identity;
        ASSERT_TRUE(m_file_system.GetIdentity(first, identity));
        DirectoryWindow window(m_file_system, LinkPolicy::Follow, 3);
        window.Start(Open(m_sandbox));
        window.Enter(std::move(first), 0, 1, identified ? std::optional(identity) : std::nullopt);
        window.Enter(Open(m_sandbox / "a" / "b"), 2, 3);
        window.Enter(Open(m_sandbox / "a" / "b" / "c"), 4, 5); // closes "a"
        window.Leave();
        window.Leave();
        fs::rename(m_sandbox / "a", m_sandbox / "old");
        fs::create_directory(m_sandbox / "a");
        fs::remove_all(m_sandbox / "old");
        HostError error;
        HostDirectory const* const reopened = window.Innermost("a/b/c", error);
        EXPECT_EQ(reopened, nullptr) << identified;
        EXPECT_TRUE(HostFileSystem::IsFolderChanged(error)) << identified;
    }
}

} // namespace
} // namespace edamaki
