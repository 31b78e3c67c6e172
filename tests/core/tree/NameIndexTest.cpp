#include "core/tree/NameIndex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

namespace edamaki {
namespace {

using Id = NameIndex::Id;

// A folder's children as the tree keeps them: names by id, an ordered list of
// ids, and the index over them, checked against a plain scan of the list.
class Children {
    auto NameOf() const
    {
        return [this](Id id) -> std::string const& { return m_names[id]; };
    }

public:
    void Append(std::string name)
    {
        m_names.push_back(std::move(name));
        m_order.push_back(static_cast<Id>(m_names.size() - 1));
        m_index.ChildAppended(m_order, NameOf());
    }

    void Remove(Id child)
    {
        auto const position = m_order.erase(std::find(m_order.begin(), m_order.end(), child));
        m_index.ChildRemoved(child, std::span(position, m_order.end()), NameOf());
    }

    void Rename(Id child, std::string name)
    {
        m_names[child] = std::move(name);
        m_index.ChildRenamed(m_order, NameOf());
    }

    Id Find(std::string_view name) const { return m_index.Find(m_order, name, NameOf()); }

    Id Scan(std::string_view name) const
    {
        auto const found
            = std::find_if(m_order.begin(), m_order.end(), [&](Id id) { return m_names[id] == name; });
        return found == m_order.end() ? NameIndex::NoId : *found;
    }

    std::vector<Id> const& Order() const { return m_order; }
    bool IsBuilt() const { return m_index.IsBuilt(); }

private:
    std::vector<std::string> m_names;
    std::vector<Id> m_order;
    NameIndex m_index;
};

std::string NameNumber(int number)
{
    return "n" + std::to_string(number);
}

// Every name that was ever used, and one never used, finds what a scan finds.
void ExpectSameAsScan(Children const& children, int names, std::string const& when)
{
    for (int number = 0; number <= names; ++number) {
        std::string const name = NameNumber(number);
        ASSERT_EQ(children.Find(name), children.Scan(name)) << name << ' ' << when;
    }
}

TEST(NameIndexTest, FindsTheFirstChildOfANameThroughAppendsRemovalsAndRenames)
{
    // Sizes below, at and far above the threshold; names repeat, so removals
    // pass entries on to later children of the same name, and probe runs of
    // colliding names are shortened from the middle.
    for (int const count : { 5, 8, 40, 700 }) {
        int const names = std::max(2, count / 3);
        std::mt19937 random(static_cast<unsigned>(count));
        Children children;
        for (int index = 0; index < count; ++index)
            children.Append(NameNumber(static_cast<int>(random() % names)));
        EXPECT_EQ(children.IsBuilt(), count >= static_cast<int>(NameIndex::Threshold)) << count;
        ExpectSameAsScan(children, names, "after appends");

        for (int step = 0; step < count / 2; ++step) {
            auto const& order = children.Order();
            Id const child = order[random() % order.size()];
            if (step % 4 == 3)
                children.Rename(child, NameNumber(static_cast<int>(random() % names)));
            else
                children.Remove(child);
            ExpectSameAsScan(
                children, names, "step " + std::to_string(step) + " of " + std::to_string(count));
        }
        for (int index = 0; index < count; ++index)
            children.Append(NameNumber(static_cast<int>(random() % names)));
        ExpectSameAsScan(children, names, "after growing again");
    }
}

TEST(NameIndexTest, NamesCompareExactly)
{
    Children children;
    for (std::string name : { "abc", "ABC", "ab", "abc ", "" })
        children.Append(name);
    for (int index = 0; index < 10; ++index)
        children.Append(NameNumber(index));
    EXPECT_EQ(children.Find("abc"), 0);
    EXPECT_EQ(children.Find("ABC"), 1);
    EXPECT_EQ(children.Find(""), 4);
    EXPECT_EQ(children.Find("Abc"), NameIndex::NoId);
}

} // namespace
} // namespace edamaki
