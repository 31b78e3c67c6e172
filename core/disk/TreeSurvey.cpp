#include "core/disk/TreeSurvey.h"

#include "core/disk/DirectoryWindow.h"
#include "core/disk/HostFileSystem.h"
#include "core/disk/SideBySide.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <utility>

namespace edamaki {

SurveyedEntry TreeSurvey::EntryOf(NodeId node) const
{
    auto const index = static_cast<std::size_t>(node);
    return node >= 0 && index < m_entries.size() ? m_entries[index] : SurveyedEntry::NotLooked;
}

bool TreeSurvey::IsWhole(NodeId node) const
{
    auto const index = static_cast<std::size_t>(node);
    return node >= 0 && index < m_flags.size() && (m_flags[index] & Whole) != 0;
}

bool TreeSurvey::HoldsNoLink(NodeId node) const
{
    auto const index = static_cast<std::size_t>(node);
    return node >= 0 && index < m_flags.size() && (m_flags[index] & NoLink) != 0;
}

// Children before their folder: each folder's flags from its own entry and
// its children's flags.
void TreeSurvey::Summarize(FolderTree const& tree)
{
    m_flags.assign(m_entries.size(), 0);
    std::vector<NodeId> order;
    std::vector<NodeId> pending { tree.Root() };
    while (!pending.empty()) {
        NodeId const node = pending.back();
        pending.pop_back();
        order.push_back(node);
        for (NodeId const child : tree.Children(node))
            pending.push_back(child);
    }
    for (auto node = order.rbegin(); node != order.rend(); ++node) {
        auto const index = static_cast<std::size_t>(*node);
        bool const directory = m_entries[index] == SurveyedEntry::Directory || *node == tree.Root();
        std::uint8_t flags = directory ? Whole | NoLink : 0;
        for (NodeId const child : tree.Children(*node)) {
            auto const child_index = static_cast<std::size_t>(child);
            SurveyedEntry const entry = m_entries[child_index];
            if ((m_flags[child_index] & Whole) == 0)
                flags &= static_cast<std::uint8_t>(~Whole);
            bool const harmless = entry == SurveyedEntry::Missing || entry == SurveyedEntry::Other
                || (m_flags[child_index] & NoLink) != 0;
            if (!harmless)
                flags &= static_cast<std::uint8_t>(~NoLink);
        }
        m_flags[index] = flags;
    }
}

namespace {

SurveyedEntry EntryOfType(DirectoryEntries::Type type)
{
    switch (type) {
    case DirectoryEntries::Type::Directory:
        return SurveyedEntry::Directory;
    case DirectoryEntries::Type::Link:
        return SurveyedEntry::Link;
    case DirectoryEntries::Type::Other:
        return SurveyedEntry::Other;
    case DirectoryEntries::Type::Unknown:
        break;
    }
    return SurveyedEntry::Unknown;
}

// A folder to list: its node and its directory, opened to be listed.
struct ListTask {
    NodeId Node = NoNode;
    HostDirectory Directory;
};

// What the walkers of one survey share. Each node's entry is written by the
// one walker that lists the folder holding it.
struct SharedSurvey {
    SharedSurvey(FolderTree const& tree, std::vector<SurveyedEntry>& entries, std::size_t jobs)
        : Tree(tree)
        , Entries(entries)
        , Pool(WalkersForDescriptors(jobs))
        , Depth(DirectoryWindow::CapacityFor(std::max<std::size_t>(Pool.Workers(), 1)))
    {
    }

    FolderTree const& Tree;
    std::vector<SurveyedEntry>& Entries;
    WalkPool Pool;
    // The most folders one walker holds open on its way down.
    std::size_t const Depth;
};

class Surveyor {
public:
    Surveyor(SharedSurvey& shared, HostFileSystem& file_system)
        : m_shared(shared)
        , m_file_system(file_system)
    {
    }

    // Lists the folder and, depth first, the folders below it, handing a
    // folder to an idle walker where there is one.
    void Survey(ListTask task)
    {
        std::vector<Level> levels;
        levels.push_back({ std::move(task), {}, 0 });
        List(levels.back());
        while (!levels.empty()) {
            Level& level = levels.back();
            if (level.Next == level.Below.size()) {
                levels.pop_back();
                continue;
            }
            NodeId const child = level.Below[level.Next].first;
            std::string const& name = level.Below[level.Next++].second;
            HostError error;
            HostDirectory directory = m_file_system.OpenDirectoryToReadAt(
                level.Task.Directory, name.c_str(), LinkPolicy::NoFollow, error);
            if (!directory.IsOpen() || HandOver(child, directory))
                continue;
            if (levels.size() >= m_shared.Depth)
                continue;
            levels.push_back({ { child, std::move(directory) }, {}, 0 });
            List(levels.back());
        }
    }

private:
    struct Level {
        ListTask Task;
        // The directories below it that hold folders the tree names.
        std::vector<std::pair<NodeId, std::string>> Below;
        std::size_t Next = 0;
    };

    class Piece final : public WalkPiece {
    public:
        Piece(SharedSurvey& shared, HostFileSystem const& file_system, ListTask task)
            : m_shared(shared)
            , m_file_system(file_system.ForAnotherThread())
            , m_task(std::move(task))
        {
        }

        void Run() override { Surveyor(m_shared, *m_file_system).Survey(std::move(m_task)); }
        HostDirectory TakeDirectory() { return std::move(m_task.Directory); }

    private:
        SharedSurvey& m_shared;
        std::unique_ptr<HostFileSystem> m_file_system;
        ListTask m_task;
    };

    bool HandOver(NodeId node, HostDirectory& directory)
    {
        if (!m_shared.Pool.HasIdleWorker())
            return false;
        std::unique_ptr<WalkPiece> piece
            = std::make_unique<Piece>(m_shared, m_file_system, ListTask { node, std::move(directory) });
        if (m_shared.Pool.TryHand(piece))
            return true;
        directory = static_cast<Piece&>(*piece).TakeDirectory();
        return false;
    }

    // The entries of one folder, put on the nodes the tree names there.
    void List(Level& level)
    {
        m_listed.clear();
        HostError const error
            = m_file_system.ReadEntries(level.Task.Directory, [&](DirectoryEntries::Entry entry) {
                  if (entry.Name != "." && entry.Name != "..")
                      m_listed.emplace(std::string(entry.Name), entry.Kind);
              });
        // A folder listed but not searched tells nothing a look inside it would see.
        if (error.IsSet() || !m_file_system.MaySearch(level.Task.Directory))
            return;
        FolderTree const& tree = m_shared.Tree;
        for (NodeId const child : tree.Children(level.Task.Node)) {
            std::string name;
            if (!m_file_system.Names().AppendHostText(tree.Name(child), name))
                continue;
            auto const found = m_listed.find(name);
            SurveyedEntry const entry
                = found == m_listed.end() ? SurveyedEntry::Missing : EntryOfType(found->second);
            m_shared.Entries[static_cast<std::size_t>(child)] = entry;
            if (entry == SurveyedEntry::Directory && !tree.Children(child).empty())
                level.Below.emplace_back(child, std::move(name));
        }
    }

    SharedSurvey& m_shared;
    HostFileSystem& m_file_system;
    std::unordered_map<std::string, DirectoryEntries::Type> m_listed;
};

} // namespace

TreeSurvey SurveyTree(FolderTree const& tree, HostFileSystem& file_system, std::size_t jobs)
{
    TreeSurvey survey;
    survey.m_entries.assign(tree.NodeIdLimit(), SurveyedEntry::NotLooked);
    std::string parent;
    if (!tree.HasRoot() || !file_system.Names().AppendHostText(tree.GetRootPath(), parent)
        || !HostFileSystem::IsAbsoluteFolderPath(parent)) {
        survey.Summarize(tree);
        return survey;
    }
    HostError error;
    HostDirectory directory = file_system.OpenDirectoryToRead(parent.c_str(), error);
    if (directory.IsOpen()) {
        SharedSurvey shared(tree, survey.m_entries, jobs);
        Surveyor(shared, file_system).Survey({ tree.Root(), std::move(directory) });
        shared.Pool.Wait();
        shared.Pool.RethrowFailure();
    }
    survey.Summarize(tree);
    return survey;
}

} // namespace edamaki
