#include "core/tree/ChildLists.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace edamaki {
namespace {

using Id = ChildLists::Id;

// Several folders' children in one store, as the tree keeps them: names by
// id, and beside each list a plain copy of its order that the store must match.
class Folders {
    auto NameOf() const
    {
        return [this](Id id) -> std::string_view { return m_names[id]; };
    }

public:
    explicit Folders(std::size_t count)
        : m_lists(count)
        , m_orders(count)
    {
    }

    void Append(std::size_t folder, std::string name)
    {
        m_names.push_back(std::move(name));
        auto const child = static_cast<Id>(m_names.size() - 1);
        ASSERT_TRUE(m_store.Append(m_lists[folder], child, NameOf()));
        m_orders[folder].push_back(child);
    }

    void Remove(std::size_t folder, Id child)
    {
        m_store.Remove(m_lists[folder], child, NameOf());
        auto& order = m_orders[folder];
        order.erase(std::find(order.begin(), order.end(), child));
    }

    // Puts new children of these names at `row`, in one step.
    void InsertAt(std::size_t folder, std::size_t row, std::vector<std::string> names)
    {
        std::vector<Id> children;
        for (auto& name : names) {
            m_names.push_back(std::move(name));
            children.push_back(static_cast<Id>(m_names.size() - 1));
        }
        ASSERT_TRUE(m_store.InsertAt(m_lists[folder], row, children, NameOf()));
        auto& order = m_orders[folder];
        order.insert(order.begin() + static_cast<std::ptrdiff_t>(row), children.begin(), children.end());
    }

    void RemoveAt(std::size_t folder, std::size_t row, std::size_t count)
    {
        m_store.RemoveAt(m_lists[folder], row, count, NameOf());
        auto& order = m_orders[folder];
        auto const first = order.begin() + static_cast<std::ptrdiff_t>(row);
        order.erase(first, first + static_cast<std::ptrdiff_t>(count));
    }

    void Rename(std::size_t folder, Id child, std::string name)
    {
        m_names[child] = std::move(name);
        m_store.Renamed(m_lists[folder], NameOf());
    }

    // The list holds what the plain copy holds, in order, and every name
    // finds the first child of that name.
    void Check(std::size_t folder, int names, std::string const& when) const
    {
        auto const items = m_store.Items(m_lists[folder]);
        ASSERT_EQ(std::vector<Id>(items.begin(), items.end()), m_orders[folder]) << when;
        for (int number = 0; number <= names; ++number) {
            std::string const name = "n" + std::to_string(number);
            auto const& order = m_orders[folder];
            auto const first
                = std::find_if(order.begin(), order.end(), [&](Id id) { return m_names[id] == name; });
            Id const expected = first == order.end() ? ChildLists::NoId : *first;
            ASSERT_EQ(m_store.Find(m_lists[folder], name, NameOf()), expected) << name << ' ' << when;
        }
    }

    std::vector<Id> const& Order(std::size_t folder) const { return m_orders[folder]; }
    bool IsIndexed(std::size_t folder) const { return ChildLists::IsIndexed(m_lists[folder]); }
    Id Find(std::size_t folder, std::string_view name) const
    {
        return m_store.Find(m_lists[folder], name, NameOf());
    }

private:
    ChildLists m_store;
    std::vector<ChildLists::List> m_lists;
    std::vector<std::vector<Id>> m_orders;
    std::vector<std::string> m_names;
};

TEST(ChildListsTest, ListsGrowingSideBySideKeepTheirOrderAndFindTheFirstChildOfAName)
{
    // Lists below, at and far above the indexed size grow in turns, so that
    // each moves through blocks that others left; names repeat, so removals
    // pass index entries on to later children of the same name. Children
    // come and go one by one and in runs, anywhere in a list.
    std::vector<int> const counts { 5, 16, 40, 700 };
    Folders folders(counts.size());
    std::mt19937 random(15);
    auto const names_of = [&](std::size_t folder) { return std::max(2, counts[folder] / 3); };
    auto const random_name = [&](std::size_t folder) {
        return "n" + std::to_string(static_cast<int>(random() % static_cast<unsigned>(names_of(folder))));
    };
    for (int round = 0; round < 700; ++round) {
        for (std::size_t folder = 0; folder < counts.size(); ++folder) {
            if (round < counts[folder])
                folders.Append(folder, random_name(folder));
        }
    }
    for (std::size_t folder = 0; folder < counts.size(); ++folder) {
        EXPECT_EQ(folders.IsIndexed(folder), counts[folder] >= 16) << counts[folder];
        folders.Check(folder, names_of(folder), "after appends");
    }

    for (std::size_t folder = 0; folder < counts.size(); ++folder) {
        for (int step = 0; step < counts[folder] / 2; ++step) {
            auto const& order = folders.Order(folder);
            if (order.empty())
                break;
            Id const child = order[random() % order.size()];
            std::size_t const row = random() % order.size();
            switch (step % 6) {
            case 1:
                folders.RemoveAt(folder, row, std::min<std::size_t>(3, order.size() - row));
                break;
            case 2:
                folders.InsertAt(folder, row, { random_name(folder), random_name(folder) });
                break;
            case 3:
                folders.Rename(folder, child, random_name(folder));
                break;
            default:
                folders.Remove(folder, child);
                break;
            }
            folders.Check(folder, names_of(folder), "step " + std::to_string(step));
        }
    }
    for (int round = 0; round < 700; ++round) {
        for (std::size_t folder = 0; folder < counts.size(); ++folder) {
            if (round < counts[folder])
                folders.Append(folder, random_name(folder));
        }
    }
    for (std::size_t folder = 0; folder < counts.size(); ++folder)
        folders.Check(folder, names_of(folder), "after growing again");
}

TEST(ChildListsTest, NamesCompareExactly)
{
    Folders folders(1);
    for (std::string name : { "abc", "ABC", "ab", "abc ", "" })
        folders.Append(0, name);
    for (int index = 0; index < 20; ++index)
        folders.Append(0, "n" + std::to_string(index));
    EXPECT_EQ(folders.Find(0, "abc"), 0);
    EXPECT_EQ(folders.Find(0, "ABC"), 1);
    EXPECT_EQ(folders.Find(0, ""), 4);
    EXPECT_EQ(folders.Find(0, "Abc"), ChildLists::NoId);
}

} // namespace
} // namespace edamaki
