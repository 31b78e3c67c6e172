#include "core/disk/FolderComparison.h"

#include "core/disk/DirectoryWindow.h"
#include "core/disk/FolderNameRules.h"
#include "core/disk/HostFileSystem.h"
#include "core/disk/SideBySide.h"
#include "core/text/Normalisation.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

namespace edamaki {

namespace {

// The system's answer to a lookup that says there is no folder at the name,
// rather than that the folder holding it can't be looked into.
bool MeansNoFolder(HostError error)
{
    return HostFileSystem::IsNotFound(error) || HostFileSystem::IsNotADirectory(error)
        || HostFileSystem::IsNameTooLong(error);
}

bool IsHidden(std::string_view host_name)
{
    return host_name.starts_with('.');
}

enum class FrameKind {
    OnDisk,  // the folder is there, open in the directory window
    Missing, // the tree names it and it is not there: nor is anything below it
};

// One folder of the walk. Its tree nodes (twins that name the same folder,
// usually one node), the groups of its children (one per name) and its extra
// subfolders live in the comparison's shared stacks, from the indexes kept
// here to the end, and go when the frame goes.
struct Frame {
    FrameKind Kind = FrameKind::OnDisk;
    std::size_t NodesBegin = 0;
    std::size_t NodesEnd = 0;
    std::size_t GroupsBegin = 0;
    std::size_t NextGroup = 0;
    std::size_t GroupsEnd = 0;
    std::size_t GroupNodesBegin = 0;
    std::size_t NamesBegin = 0;
    std::size_t ExtrasBegin = 0;
    std::size_t NextExtra = 0;
    std::size_t ExtrasEnd = 0;
    // The folder's paths, with the separator its subfolders follow.
    std::size_t PathSize = 0;
    std::size_t HostPathSize = 0;
    bool HostPathKnown = false;
    // Its subfolders were listed: each group knows whether it is on disk.
    bool Listed = false;
    // It was named as a folder that can't be listed.
    bool NamedUnreadable = false;
};

// The children of a frame's nodes that share one name: one folder on disk.
struct Group {
    std::size_t NodesBegin = 0;
    std::size_t NodesEnd = 0;
    // The host name, in the shared names buffer.
    std::size_t NameBegin = 0;
    std::size_t NameEnd = 0;
    bool HostNameKnown = false;
    // The creation run would refuse the name: it is never on disk.
    bool Impossible = false;
    bool HasChildren = false;
    // Found by the listing of the frame.
    bool Listed = false;
    // On disk under a name that differs only by Unicode normalisation, which
    // the host name now holds.
    bool NamedOtherwise = false;
};

// A folder that could not be looked into, as the sink hears of it.
struct UnreadableReport {
    std::string HostPath;
    std::string Reason;
};

using ComparisonItem = std::variant<DifferenceReport, UnreadableReport>;
using OutputPiece = OrderedOutput<ComparisonItem>::Piece;

// What the walkers of a comparison with several jobs share. The first walker
// starts at the parent folder; each folder on disk that a walker goes below
// may go to an idle worker as a piece of its own, with its directory. The
// comparison changes nothing, so no walker waits for another: the caller's
// thread only puts what they report back in walk order.
struct SharedComparison : SideBySide<ComparisonItem> {
    SharedComparison(FolderTree const& tree, HostFileSystem& file_system, ComparisonOptions const& options,
        std::size_t jobs)
        : SideBySide(jobs)
        , Tree(tree)
        , FileSystem(file_system)
        , Options(options)
    {
    }

    void Add(ComparisonSummary const& part)
    {
        std::lock_guard lock(SummaryMutex);
        Summary.Matched += part.Matched;
        Summary.Missing += part.Missing;
        Summary.Extra += part.Extra;
        Summary.Unreadable += part.Unreadable;
        if (!part.ParentError.empty())
            Summary.ParentError = part.ParentError;
    }

    FolderTree const& Tree;
    HostFileSystem& FileSystem;
    ComparisonOptions const Options;
    // Set by the first walker before it hands anything over.
    char Separator = HostFileSystem::Separator;
    std::mutex SummaryMutex;
    ComparisonSummary Summary;
};

// Puts a walker's reports in its piece of the comparison's output.
class PieceSink final : public ComparisonSink {
public:
    PieceSink(OrderedOutput<ComparisonItem>& output, OutputPiece& piece)
        : m_output(output)
        , m_piece(piece)
    {
    }

    void FolderDiffers(DifferenceReport const& report) override { m_output.Add(m_piece, report); }
    void FolderUnreadable(std::string const& host_path, std::string const& reason) override
    {
        m_output.Add(m_piece, UnreadableReport { host_path, reason });
    }

private:
    OrderedOutput<ComparisonItem>& m_output;
    OutputPiece& m_piece;
};

class FolderComparison {
public:
    FolderComparison(FolderTree const& tree, HostFileSystem& file_system, ComparisonSink& sink,
        ComparisonOptions options, std::size_t window_capacity = DirectoryWindow::DefaultCapacity())
        : m_tree(tree)
        , m_file_system(file_system)
        , m_sink(sink)
        , m_options(options)
        , m_window(file_system, LinkPolicy::Follow, window_capacity)
    {
    }

    // A walker of a comparison with several jobs, reporting to its piece.
    FolderComparison(
        SharedComparison& shared, HostFileSystem& file_system, ComparisonSink& sink, OutputPiece& piece)
        : FolderComparison(shared.Tree, file_system, sink, shared.Options, shared.WindowCapacity)
    {
        m_shared = &shared;
        m_piece = &piece;
        m_separator = shared.Separator;
    }

    ComparisonSummary Compare();
    // A piece of the comparison: the folder on disk that `nodes` name, whose
    // directory and paths (each ended by its separator) are given.
    ComparisonSummary CompareSubfolders(std::vector<NodeId> nodes, HostDirectory directory, std::string path,
        std::string host_path, bool host_path_known);

private:
    bool OpenParentFolder(HostDirectory& parent);
    void Walk();
    void PushFrame(
        FrameKind kind, std::size_t nodes_begin, std::size_t nodes_end, HostDirectory const* directory);
    void BuildGroups(Frame& frame);
    bool HasHostTwins(Frame const& frame);
    void AddGroup(std::vector<NodeId> const& nodes);
    void ListFrame(Frame& frame, HostDirectory const& directory);
    void MatchListing(Frame& frame);
    void HandleGroup(std::size_t frame_index, Group group);
    void AdoptDiskName(Group& group, std::string_view disk_name);
    bool FindNormalisationTwin(HostDirectory const& holder, Group& group);
    void CountMatched(Group const& group);
    void HandleGroupOnDisk(std::size_t frame_index, Group& group);
    bool RetryUnderTwin(std::size_t frame_index, HostDirectory const& holder, Group& group);
    void HandleExtra(std::size_t extra_index);
    void PopFrame();
    void EnterFolder(FrameKind kind, Group const& group, HostDirectory directory, std::size_t name_begin);
    bool HandOver(std::size_t nodes_begin, std::size_t nodes_end, HostDirectory& directory);
    void ReportMissing(Group const& group, std::size_t name_begin);
    void AbandonFrame(Frame& frame, HostError error);
    void AbandonFrameOrLink(Frame& frame, HostDirectory const& holder, char const* name, HostError error);
    bool IsUnreadableLink(HostDirectory const& holder, char const* name, HostError& error);
    void ReportUnreadable(std::size_t host_path_size, HostError error);
    std::string_view GroupHostName(Group const& group) const
    {
        return std::string_view(m_names).substr(group.NameBegin, group.NameEnd - group.NameBegin);
    }

    FolderTree const& m_tree;
    HostFileSystem& m_file_system;
    ComparisonSink& m_sink;
    ComparisonOptions const m_options;
    DirectoryWindow m_window;
    ComparisonSummary m_summary;

    std::vector<Frame> m_frames;
    std::vector<Group> m_groups;
    std::vector<NodeId> m_group_nodes;
    std::string m_names;
    std::vector<HostSubfolder> m_extras;

    char m_separator = HostFileSystem::Separator;
    std::string m_path;
    std::string m_host_path;
    bool m_host_path_known = true;
    DifferenceReport m_report;

    // Reused between frames.
    std::vector<HostSubfolder> m_listing;
    // The innermost folder's subfolders, listed once for names missing there
    // that may stand in another normal form; dropped as the walk moves.
    std::optional<std::vector<HostSubfolder>> m_twin_candidates;
    std::vector<std::size_t> m_sorted_groups;

    // Set for a walker of a comparison with several jobs.
    SharedComparison* m_shared = nullptr;
    OutputPiece* m_piece = nullptr;
};

ComparisonSummary FolderComparison::Compare()
{
    HostDirectory parent;
    if (!OpenParentFolder(parent))
        return m_summary;
    m_group_nodes.push_back(m_tree.Root());
    PushFrame(FrameKind::OnDisk, 0, 1, &parent);
    m_window.Start(std::move(parent));
    Walk();
    return m_summary;
}

ComparisonSummary FolderComparison::CompareSubfolders(std::vector<NodeId> nodes, HostDirectory directory,
    std::string path, std::string host_path, bool host_path_known)
{
    m_path = std::move(path);
    m_host_path = std::move(host_path);
    m_host_path_known = host_path_known;
    m_group_nodes = std::move(nodes);
    PushFrame(FrameKind::OnDisk, 0, m_group_nodes.size(), &directory);
    m_window.Start(std::move(directory));
    Walk();
    return m_summary;
}

bool FolderComparison::OpenParentFolder(HostDirectory& parent)
{
    m_path = m_tree.GetRootPath();
    if (m_path.empty() || !m_file_system.Names().AppendHostText(m_path, m_host_path)) {
        m_summary.ParentError = UnconvertibleParentReason;
        return false;
    }
    m_separator = m_path.back();
    if (m_shared)
        m_shared->Separator = m_separator;
    HostError error;
    parent = m_file_system.OpenDirectory(m_host_path.c_str(), error);
    if (!parent.IsOpen()) {
        m_summary.ParentError = HostFileSystem::DescribeError(error);
        return false;
    }
    return true;
}

// Pre-order over the folders the tree names, each folder's extra subfolders
// after the named ones. Iterative, so a tree of any depth is safe.
void FolderComparison::Walk()
{
    while (!m_frames.empty()) {
        std::size_t const frame_index = m_frames.size() - 1;
        Frame& frame = m_frames.back();
        m_path.resize(frame.PathSize);
        m_host_path.resize(frame.HostPathSize);
        m_host_path_known = frame.HostPathKnown;
        if (frame.NextGroup < frame.GroupsEnd) {
            Group const& group = m_groups[frame.NextGroup++];
            HandleGroup(frame_index, group);
        } else if (frame.NextExtra < frame.ExtrasEnd) {
            HandleExtra(frame.NextExtra++);
        } else {
            PopFrame();
        }
    }
}

// A new innermost folder; the paths hold its own path and separator
// already. `directory` is listed when extra folders are asked for.
void FolderComparison::PushFrame(
    FrameKind kind, std::size_t nodes_begin, std::size_t nodes_end, HostDirectory const* directory)
{
    Frame& frame = m_frames.emplace_back();
    frame.Kind = kind;
    frame.NodesBegin = nodes_begin;
    frame.NodesEnd = nodes_end;
    frame.PathSize = m_path.size();
    frame.HostPathSize = m_host_path.size();
    frame.HostPathKnown = m_host_path_known;
    m_twin_candidates.reset();
    BuildGroups(frame);
    frame.ExtrasBegin = frame.NextExtra = frame.ExtrasEnd = m_extras.size();
    if (kind == FrameKind::OnDisk && m_options.Extra && directory)
        ListFrame(frame, *directory);
}

// Groups the children of the frame's nodes by the name they have on disk, in
// the order of their first appearance: code page 932 has two codes for some
// characters, and names that differ only there are one folder. Most folders
// have one node and no twins among its children: each child is a group of
// its own.
void FolderComparison::BuildGroups(Frame& frame)
{
    frame.GroupsBegin = frame.NextGroup = m_groups.size();
    frame.GroupNodesBegin = m_group_nodes.size();
    frame.NamesBegin = m_names.size();
    if (frame.NodesBegin == frame.NodesEnd) {
        frame.GroupsEnd = m_groups.size();
        return;
    }
    bool has_twins = frame.NodesEnd - frame.NodesBegin > 1;
    if (!has_twins) {
        NodeId const node = m_group_nodes[frame.NodesBegin];
        for (NodeId const child : m_tree.Children(node)) {
            if (m_tree.FindChildNode(node, m_tree.Name(child)) != child) {
                has_twins = true;
                break;
            }
        }
    }
    if (!has_twins) {
        std::vector<NodeId> single(1);
        for (NodeId const child : m_tree.Children(m_group_nodes[frame.NodesBegin])) {
            single.front() = child;
            AddGroup(single);
        }
        frame.GroupsEnd = m_groups.size();
        if (!HasHostTwins(frame))
            return;
        m_groups.resize(frame.GroupsBegin);
        m_group_nodes.resize(frame.GroupNodesBegin);
        m_names.resize(frame.NamesBegin);
    }
    // Keyed by the host name; a name without one by its own bytes, after a
    // byte no host name begins with.
    std::unordered_map<std::string, std::size_t> by_name;
    std::vector<std::vector<NodeId>> lists;
    std::string key;
    for (std::size_t index = frame.NodesBegin; index < frame.NodesEnd; ++index) {
        for (NodeId const child : m_tree.Children(m_group_nodes[index])) {
            std::string_view const name = m_tree.Name(child);
            key.clear();
            if (!m_file_system.Names().AppendHostText(name, key)) {
                key.assign(1, '\0');
                key += name;
            }
            auto const [found, added] = by_name.try_emplace(key, lists.size());
            if (added)
                lists.emplace_back();
            lists[found->second].push_back(child);
        }
    }
    for (auto const& nodes : lists)
        AddGroup(nodes);
    frame.GroupsEnd = m_groups.size();
}

// Two of the frame's groups have one host name: names that differ only in
// which of two codes they use for a character. Plain ASCII names never do.
bool FolderComparison::HasHostTwins(Frame const& frame)
{
    m_sorted_groups.clear();
    bool ascii = true;
    for (std::size_t index = frame.GroupsBegin; index < frame.GroupsEnd; ++index) {
        Group const& group = m_groups[index];
        if (!group.HostNameKnown)
            continue;
        m_sorted_groups.push_back(index);
        std::string_view const name = GroupHostName(group);
        ascii = ascii && std::all_of(name.begin(), name.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x80;
        });
    }
    if (ascii || m_sorted_groups.size() < 2)
        return false;
    std::sort(m_sorted_groups.begin(), m_sorted_groups.end(), [this](std::size_t left, std::size_t right) {
        return GroupHostName(m_groups[left]) < GroupHostName(m_groups[right]);
    });
    return std::adjacent_find(m_sorted_groups.begin(), m_sorted_groups.end(),
               [this](std::size_t left, std::size_t right) {
                   return GroupHostName(m_groups[left]) == GroupHostName(m_groups[right]);
               })
        != m_sorted_groups.end();
}

void FolderComparison::AddGroup(std::vector<NodeId> const& nodes)
{
    Group& group = m_groups.emplace_back();
    group.NodesBegin = m_group_nodes.size();
    for (NodeId const node : nodes) {
        m_group_nodes.push_back(node);
        group.HasChildren = group.HasChildren || !m_tree.Children(node).empty();
    }
    group.NodesEnd = m_group_nodes.size();
    group.NameBegin = m_names.size();
    std::string_view const name = m_tree.Name(nodes.front());
    group.Impossible = !RefusedNameReason(name).empty();
    group.HostNameKnown = m_file_system.Names().AppendHostText(name, m_names);
    group.NameEnd = m_names.size();
}

// Lists the folder on disk: which of its groups are there, and which of its
// subfolders the tree doesn't name. A folder that can't be listed is looked
// up name by name instead, and named as unreadable.
void FolderComparison::ListFrame(Frame& frame, HostDirectory const& directory)
{
    if (HostError const error = m_file_system.ListSubfolders(directory, m_listing); error.IsSet()) {
        ReportUnreadable(m_host_path.size(), error);
        frame.NamedUnreadable = true;
        return;
    }
    frame.Listed = true;
    MatchListing(frame);
}

// Merges the sorted listing with the frame's groups sorted by host name.
void FolderComparison::MatchListing(Frame& frame)
{
    std::sort(m_listing.begin(), m_listing.end(),
        [](HostSubfolder const& left, HostSubfolder const& right) { return left.Name < right.Name; });
    m_sorted_groups.clear();
    for (std::size_t index = frame.GroupsBegin; index < frame.GroupsEnd; ++index) {
        if (m_groups[index].HostNameKnown && !m_groups[index].Impossible)
            m_sorted_groups.push_back(index);
    }
    std::sort(m_sorted_groups.begin(), m_sorted_groups.end(), [this](std::size_t left, std::size_t right) {
        return GroupHostName(m_groups[left]) < GroupHostName(m_groups[right]);
    });
    auto group = m_sorted_groups.begin();
    for (HostSubfolder& subfolder : m_listing) {
        while (group != m_sorted_groups.end() && GroupHostName(m_groups[*group]) < subfolder.Name)
            ++group;
        if (group != m_sorted_groups.end() && GroupHostName(m_groups[*group]) == subfolder.Name) {
            m_groups[*group].Listed = true;
            continue;
        }
        if (!IsHidden(subfolder.Name))
            m_extras.push_back(std::move(subfolder));
    }
    // A name missing as typed may be there in another normal form: one
    // folder, not one missing and one extra.
    for (std::size_t const index : m_sorted_groups) {
        Group& missing = m_groups[index];
        if (missing.Listed || frame.ExtrasEnd == m_extras.size())
            continue;
        auto const twin = std::find_if(m_extras.begin() + static_cast<std::ptrdiff_t>(frame.ExtrasEnd),
            m_extras.end(), [&](HostSubfolder const& extra) {
                return SameAfterNormalisation(extra.Name, GroupHostName(missing));
            });
        if (twin == m_extras.end())
            continue;
        AdoptDiskName(missing, twin->Name);
        missing.Listed = true;
        m_extras.erase(twin);
    }
    frame.ExtrasEnd = m_extras.size();
}

// The group's folder is on disk as `disk_name`, which differs from its own
// name only by normalisation: the walk goes on under the disk's name.
void FolderComparison::AdoptDiskName(Group& group, std::string_view disk_name)
{
    group.NameBegin = m_names.size();
    m_names += disk_name;
    group.NameEnd = m_names.size();
    group.NamedOtherwise = true;
}

// Looks for the group's folder under another normal form of its name in a
// folder that was not listed; a name of ASCII only has no other form.
bool FolderComparison::FindNormalisationTwin(HostDirectory const& holder, Group& group)
{
    std::string_view const name = GroupHostName(group);
    if (std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return false;
    if (!m_twin_candidates) {
        // Listed once for every name of the folder that is missing; none when it can't be.
        m_twin_candidates.emplace();
        HostError error;
        HostDirectory const listed
            = m_file_system.OpenDirectoryToListAt(holder, ".", LinkPolicy::Follow, error);
        if (!listed.IsOpen() || m_file_system.ListSubfolders(listed, *m_twin_candidates).IsSet())
            m_twin_candidates->clear();
    }
    auto const twin = std::find_if(m_twin_candidates->begin(), m_twin_candidates->end(),
        [&](HostSubfolder const& subfolder) { return SameAfterNormalisation(subfolder.Name, name); });
    if (twin == m_twin_candidates->end())
        return false;
    AdoptDiskName(group, twin->Name);
    return true;
}

// A folder missing under the group's name in a folder that was not listed
// is looked at once more under another normal form of it, when one is there.
bool FolderComparison::RetryUnderTwin(std::size_t frame_index, HostDirectory const& holder, Group& group)
{
    if (group.NamedOtherwise || !FindNormalisationTwin(holder, group))
        return false;
    m_host_path.resize(m_frames[frame_index].HostPathSize);
    m_host_path += GroupHostName(group);
    HandleGroupOnDisk(frame_index, group);
    return true;
}

// The group's folder is there; said so when its name differs from the tree's.
void FolderComparison::CountMatched(Group const& group)
{
    ++m_summary.Matched;
    if (!group.NamedOtherwise)
        return;
    ++m_summary.NamedOtherwise;
    m_report.Kind = FolderDifference::NamedOtherwise;
    m_report.Path = m_path;
    m_report.HostPath = m_host_path;
    m_sink.FolderDiffers(m_report);
}

void FolderComparison::HandleGroup(std::size_t frame_index, Group group)
{
    std::string_view const name = m_tree.Name(m_group_nodes[group.NodesBegin]);
    m_path += name;
    std::size_t const name_begin = m_host_path.size();
    if (group.HostNameKnown && m_host_path_known)
        m_host_path += GroupHostName(group);
    else
        m_host_path_known = false;
    if (m_frames[frame_index].Kind == FrameKind::Missing || !group.HostNameKnown || group.Impossible) {
        ReportMissing(group, name_begin);
        return;
    }
    HandleGroupOnDisk(frame_index, group);
}

// The group's folder in a folder on disk: looked up, and entered when the
// walk goes below it.
void FolderComparison::HandleGroupOnDisk(std::size_t frame_index, Group& group)
{
    Frame& frame = m_frames[frame_index];
    HostError error;
    if (frame.Listed && !group.Listed) {
        // The listing leaves out a link it can't follow: looked at once more.
        HostDirectory const* const holder = m_window.Innermost(m_host_path, error);
        std::string const name(m_host_path, frame.HostPathSize);
        if (!holder || !IsUnreadableLink(*holder, name.c_str(), error))
            ReportMissing(group, frame.HostPathSize);
        return;
    }
    HostDirectory const* const holder = m_window.Innermost(m_host_path, error);
    if (!holder) {
        AbandonFrame(frame, error);
        return;
    }
    std::string const name(m_host_path, frame.HostPathSize);
    bool const descend = group.HasChildren || m_options.Extra;
    if (!descend) {
        HostEntryKind const kind
            = m_file_system.GetEntryKindAt(*holder, name.c_str(), LinkPolicy::Follow, error);
        if (kind == HostEntryKind::Directory)
            CountMatched(group);
        else if (kind == HostEntryKind::Missing && RetryUnderTwin(frame_index, *holder, group))
            return;
        else if (kind != HostEntryKind::Unknown || MeansNoFolder(error))
            ReportMissing(group, frame.HostPathSize);
        else
            AbandonFrameOrLink(frame, *holder, name.c_str(), error);
        return;
    }
    HostDirectory directory = m_options.Extra
        ? m_file_system.OpenDirectoryToListAt(*holder, name.c_str(), LinkPolicy::Follow, error)
        : m_file_system.OpenDirectoryAt(*holder, name.c_str(), LinkPolicy::Follow, error);
    if (!directory.IsOpen()) {
        if (MeansNoFolder(error) && RetryUnderTwin(frame_index, *holder, group))
            return;
        if (MeansNoFolder(error))
            ReportMissing(group, frame.HostPathSize);
        else
            AbandonFrameOrLink(frame, *holder, name.c_str(), error);
        return;
    }
    CountMatched(group);
    if (!HandOver(group.NodesBegin, group.NodesEnd, directory))
        EnterFolder(FrameKind::OnDisk, group, std::move(directory), frame.HostPathSize);
}

// Reports the group's folder as missing, and every folder below it.
void FolderComparison::ReportMissing(Group const& group, std::size_t name_begin)
{
    m_report.Kind = FolderDifference::Missing;
    m_report.Path = m_path;
    if (m_host_path_known)
        m_report.HostPath = m_host_path;
    else
        m_report.HostPath.clear();
    m_sink.FolderDiffers(m_report);
    ++m_summary.Missing;
    if (group.HasChildren)
        EnterFolder(FrameKind::Missing, group, {}, name_begin);
}

void FolderComparison::EnterFolder(
    FrameKind kind, Group const& group, HostDirectory directory, std::size_t name_begin)
{
    std::size_t const name_end = m_host_path.size();
    m_path += m_separator;
    m_host_path += HostFileSystem::Separator;
    // Listed before the window takes the directory over.
    PushFrame(kind, group.NodesBegin, group.NodesEnd, directory.IsOpen() ? &directory : nullptr);
    m_window.Enter(std::move(directory), name_begin, name_end);
}

// A subfolder on disk that the tree doesn't name, and what is below it; not
// what is below a link, which belongs where the link leads.
void FolderComparison::HandleExtra(std::size_t extra_index)
{
    Frame& frame = m_frames.back();
    HostSubfolder const& extra = m_extras[extra_index];
    std::size_t const name_begin = m_host_path.size();
    m_host_path += extra.Name;
    m_report.Kind = FolderDifference::Extra;
    m_report.Path.clear();
    m_report.HostPath = m_host_path;
    m_sink.FolderDiffers(m_report);
    ++m_summary.Extra;
    if (extra.IsLink)
        return;
    HostError error;
    HostDirectory const* const holder = m_window.Innermost(m_host_path, error);
    if (!holder) {
        AbandonFrame(frame, error);
        return;
    }
    HostDirectory directory
        = m_file_system.OpenDirectoryToListAt(*holder, extra.Name.c_str(), LinkPolicy::NoFollow, error);
    if (!directory.IsOpen()) {
        ReportUnreadable(m_host_path.size(), error);
        return;
    }
    // An extra folder names no nodes: its frame has no groups, only extras.
    if (HandOver(0, 0, directory))
        return;
    std::size_t const name_end = m_host_path.size();
    m_host_path += HostFileSystem::Separator;
    PushFrame(FrameKind::OnDisk, 0, 0, &directory);
    m_window.Enter(std::move(directory), name_begin, name_end);
}

// A piece of a comparison with several jobs: the folders below one on disk,
// with their own walker, file system and directory window.
class ComparisonPiece final : public WalkPiece {
public:
    ComparisonPiece(SharedComparison& shared, OutputPiece& piece, std::vector<NodeId> nodes,
        HostDirectory directory, std::string path, std::string host_path, bool host_path_known)
        : m_shared(shared)
        , m_piece(piece)
        , m_nodes(std::move(nodes))
        , m_directory(std::move(directory))
        , m_path(std::move(path))
        , m_host_path(std::move(host_path))
        , m_host_path_known(host_path_known)
    {
    }

    HostDirectory TakeDirectory() { return std::move(m_directory); }

    void Run() override
    {
        OrderedOutput<ComparisonItem>::FinishOnExit const finish(m_shared.Output, m_piece);
        std::unique_ptr<HostFileSystem> const file_system = m_shared.FileSystem.ForAnotherThread();
        PieceSink sink(m_shared.Output, m_piece);
        FolderComparison comparison(m_shared, *file_system, sink, m_piece);
        m_shared.Add(comparison.CompareSubfolders(std::move(m_nodes), std::move(m_directory),
            std::move(m_path), std::move(m_host_path), m_host_path_known));
    }

private:
    SharedComparison& m_shared;
    OutputPiece& m_piece;
    std::vector<NodeId> m_nodes;
    HostDirectory m_directory;
    std::string m_path;
    std::string m_host_path;
    bool const m_host_path_known;
};

// Hands the folder whose directory is open, named by the group nodes from
// `nodes_begin` to `nodes_end`, to an idle worker; false when the comparison
// has one job or no worker is idle.
bool FolderComparison::HandOver(std::size_t nodes_begin, std::size_t nodes_end, HostDirectory& directory)
{
    if (!m_shared || !m_shared->Pool.HasIdleWorker())
        return false;
    auto output = OrderedOutput<ComparisonItem>::NewPiece();
    std::vector<NodeId> nodes(m_group_nodes.begin() + static_cast<std::ptrdiff_t>(nodes_begin),
        m_group_nodes.begin() + static_cast<std::ptrdiff_t>(nodes_end));
    std::unique_ptr<WalkPiece> piece
        = std::make_unique<ComparisonPiece>(*m_shared, *output, std::move(nodes), std::move(directory),
            m_path + m_separator, m_host_path + HostFileSystem::Separator, m_host_path_known);
    if (!m_shared->TryHand(*m_piece, output, piece)) {
        // Not taken: the directory comes back with the piece.
        directory = static_cast<ComparisonPiece&>(*piece).TakeDirectory();
        return false;
    }
    return true;
}

void FolderComparison::PopFrame()
{
    Frame const& frame = m_frames.back();
    m_groups.resize(frame.GroupsBegin);
    m_group_nodes.resize(frame.GroupNodesBegin);
    m_names.resize(frame.NamesBegin);
    m_extras.resize(frame.ExtrasBegin);
    m_twin_candidates.reset();
    m_frames.pop_back();
    m_window.Leave();
}

// The folder can't be looked into: what the tree names in it and what else
// is there stay unknown.
void FolderComparison::AbandonFrame(Frame& frame, HostError error)
{
    if (!frame.NamedUnreadable)
        ReportUnreadable(frame.HostPathSize, error);
    frame.NamedUnreadable = true;
    frame.NextGroup = frame.GroupsEnd;
    frame.NextExtra = frame.ExtrasEnd;
}

// A lookup of `name` failed with `error`. When `name` is a link, it is the
// way to where it leads that is closed, not the folder holding it: the link
// is named and the folder's other subfolders are compared.
void FolderComparison::AbandonFrameOrLink(
    Frame& frame, HostDirectory const& holder, char const* name, HostError error)
{
    HostError link_error;
    if (m_file_system.GetEntryKindAt(holder, name, LinkPolicy::NoFollow, link_error) == HostEntryKind::Link)
        ReportUnreadable(m_host_path.size(), error);
    else
        AbandonFrame(frame, error);
}

// The link `name` leads to something that can't be looked at; names it.
// Sets `error` to what stands in the way.
bool FolderComparison::IsUnreadableLink(HostDirectory const& holder, char const* name, HostError& error)
{
    HostEntryKind const kind = m_file_system.GetEntryKindAt(holder, name, LinkPolicy::Follow, error);
    if (kind != HostEntryKind::Unknown || MeansNoFolder(error))
        return false;
    HostError link_error;
    if (m_file_system.GetEntryKindAt(holder, name, LinkPolicy::NoFollow, link_error) != HostEntryKind::Link)
        return false;
    ReportUnreadable(m_host_path.size(), error);
    return true;
}

// Names the folder whose path, with its separator, is the first
// `host_path_size` bytes of the host path.
void FolderComparison::ReportUnreadable(std::size_t host_path_size, HostError error)
{
    std::string folder = m_host_path.substr(0, host_path_size);
    if (folder.size() > 1 && folder.back() == HostFileSystem::Separator)
        folder.pop_back();
    m_sink.FolderUnreadable(folder, HostFileSystem::DescribeError(error));
    ++m_summary.Unreadable;
}

// Nothing when no walker could be started.
std::optional<ComparisonSummary> CompareSideBySide(FolderTree const& tree, HostFileSystem& file_system,
    ComparisonSink& sink, ComparisonOptions const& options, std::size_t jobs)
{
    SharedComparison shared(tree, file_system, options, jobs);
    if (!shared.Started())
        return std::nullopt;
    auto const walk = [&shared](HostFileSystem& walker_file_system, OutputPiece& piece) {
        PieceSink sink(shared.Output, piece);
        shared.Add(FolderComparison(shared, walker_file_system, sink, piece).Compare());
    };
    shared.Run(file_system, walk, [&](ComparisonItem&& item) {
        if (auto const* report = std::get_if<DifferenceReport>(&item))
            sink.FolderDiffers(*report);
        else
            sink.FolderUnreadable(
                std::get<UnreadableReport>(item).HostPath, std::get<UnreadableReport>(item).Reason);
    });
    shared.Summary.Jobs = shared.Jobs;
    return shared.Summary;
}

} // namespace

ComparisonSummary CompareFolders(
    FolderTree const& tree, HostFileSystem& file_system, ComparisonSink& sink, ComparisonOptions options)
{
    std::size_t const jobs = JobsBelowParentFolder(tree, file_system, options.Jobs);
    if (jobs > 1) {
        if (auto summary = CompareSideBySide(tree, file_system, sink, options, jobs))
            return *summary;
    }
    ComparisonSummary summary = FolderComparison(tree, file_system, sink, options).Compare();
    summary.Jobs = { WalkersForDescriptors(jobs), 1 };
    return summary;
}

} // namespace edamaki
