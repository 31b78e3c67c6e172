#include "core/disk/FolderIdentitySet.h"
#include "tests/ScratchFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace edamaki {
namespace {

namespace fs = std::filesystem;

TEST(FolderIdentitySetTest, AFolderIsSeenOnceWhateverNameLedToIt)
{
    fs::path const sandbox = testing::MakeScratchFolder("identity-test");
    fs::create_directories(sandbox / "a" / "b");
    fs::create_directory_symlink(sandbox / "a", sandbox / "link");
    HostFileSystem file_system;
    HostFolderIdentitySet seen;
    std::vector<bool> first_times;
    for (fs::path const& path :
        { sandbox / "a", sandbox / "a" / "b", sandbox / "link", sandbox / "a/b/.." }) {
        HostError error;
        HostFolderIdentity identity;
        ASSERT_TRUE(file_system.GetIdentity(file_system.OpenDirectory(path.c_str(), error), identity));
        first_times.push_back(seen.Insert(identity));
    }
    fs::remove_all(sandbox);
    EXPECT_EQ(first_times, (std::vector<bool> { true, true, false, false }));
}

// Many folders, on two devices, with inodes that collide in the low bits:
// every one stays a member through the growth of the set, once.
TEST(FolderIdentitySetTest, HoldsEveryFolderOnceThroughItsGrowth)
{
    HostFolderIdentitySet set;
    std::uint64_t const large = std::uint64_t(1) << 40;
    for (std::uint64_t inode = 0; inode < 5000; ++inode) {
        ASSERT_TRUE(set.Insert({ 1, inode * 4096 }));
        ASSERT_TRUE(set.Insert({ 2, inode * 4096 }));
    }
    ASSERT_TRUE(set.Insert({ large, 3 }));
    EXPECT_EQ(set.Size(), 10001u);
    EXPECT_FALSE(set.Contains({ 3, large }));
    EXPECT_FALSE(set.Contains({ 1, 4095 }));
    for (std::uint64_t inode = 0; inode < 5000; inode += 7) {
        EXPECT_FALSE(set.Insert({ 2, inode * 4096 }));
        EXPECT_TRUE(set.Contains({ 1, inode * 4096 }));
    }
    EXPECT_EQ(set.Size(), 10001u);
}

} // namespace
} // namespace edamaki
