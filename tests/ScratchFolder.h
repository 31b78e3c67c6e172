#pragma once

// Test helpers for real folders: a fresh folder for the running test in the
// system's temporary folder, and a listing of what a folder holds.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <unistd.h>

namespace edamaki::testing {

// Creates (after removing any leftover) "edamaki-PURPOSE-PID-TEST" in the
// temporary folder. The fixture removes it in its TearDown.
inline std::filesystem::path MakeScratchFolder(std::string_view purpose)
{
    std::filesystem::path const folder = std::filesystem::temp_directory_path()
        / ("edamaki-" + std::string(purpose) + "-" + std::to_string(::getpid()) + "-"
            + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

// Everything below `folder`: relative paths, "/" after folders.
inline std::set<std::string> ListTree(std::filesystem::path const& folder)
{
    std::set<std::string> entries;
    for (auto const& entry : std::filesystem::recursive_directory_iterator(folder)) {
        std::string name = std::filesystem::relative(entry.path(), folder).string();
        if (entry.is_directory())
            name += '/';
        entries.insert(name);
    }
    return entries;
}

} // namespace edamaki::testing
