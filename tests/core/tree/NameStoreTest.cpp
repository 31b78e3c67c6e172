#include "core/tree/NameStore.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace edamaki {
namespace {

TEST(NameStoreTest, EachNameComesBackBehindALengthOfOneByteForEverySevenBits)
{
    struct Case {
        std::size_t Length;
        std::size_t LengthBytes;
    };
    Case const cases[]
        = { { 0, 1 }, { 1, 1 }, { 127, 1 }, { 128, 2 }, { 16'383, 2 }, { 16'384, 3 }, { 300'000, 3 } };
    NameStore store;
    std::vector<NameStore::Offset> offsets;
    std::size_t size = 0;
    for (auto const& test : cases) {
        offsets.push_back(store.Add(std::string(test.Length, 'n')));
        size += test.Length + test.LengthBytes;
        EXPECT_EQ(store.Size(), size) << test.Length;
    }
    // Every offset still reads its own name after the store grew.
    for (std::size_t index = 0; index < std::size(cases); ++index)
        EXPECT_EQ(store.Get(offsets[index]), std::string(cases[index].Length, 'n')) << cases[index].Length;
}

TEST(NameStoreTest, ANameTakenFromTheStoreItselfIsAddedWhileTheStoreGrows)
{
    std::string const first = "folder-0123456789";
    NameStore store;
    NameStore::Offset const first_offset = store.Add(first);
    // A copied folder keeps its original's name, read out of the store while
    // the store moves to grow. A one-character name adds two bytes: the store
    // fills up exactly, and moves between the length and the name.
    for (int round = 0; round < 1000; ++round) {
        NameStore::Offset const offset = store.Add(store.Get(first_offset).substr(0, 1));
        ASSERT_EQ(store.Get(offset), "f") << round;
    }
    EXPECT_EQ(store.Get(first_offset), first);
}

TEST(NameStoreTest, ClearStartsAgainAtOffsetZero)
{
    NameStore store;
    store.Add("a");
    store.Clear();
    EXPECT_EQ(store.Size(), 0u);
    NameStore::Offset const offset = store.Add("b");
    EXPECT_EQ(offset, 0u);
    EXPECT_EQ(store.Get(offset), "b");
}

} // namespace
} // namespace edamaki
