#include "core/disk/CreationRun.h"

#include "core/disk/HostFileSystem.h"
#include "core/text/ShiftJis.h"

#include <unordered_set>
#include <vector>

namespace edamaki {

namespace {

// What became of a folder, as far as its subfolders are concerned.
enum class FolderState {
    Present, // the folder is there: created now, or it existed
    Planned, // a dry run would create it
    Failed,  // the file system refused it; its subfolders are still tried
    Refused, // never passed to the file system; nothing below it is tried
};

constexpr char const* NoParentReason = "no parent folder is set";
constexpr char const* RelativeParentReason = "the parent folder is not an absolute path on this system";
constexpr char const* UnconvertibleParentReason
    = "the parent folder holds a character that this system's names cannot hold";
constexpr char const* EmptyNameReason = "the folder name is empty";
constexpr char const* DotNameReason = "\".\" and \"..\" are not folder names";
constexpr char const* SeparatorNameReason = "the folder name holds a path separator";
constexpr char const* UnconvertibleNameReason
    = "the folder name holds a character that this system's names cannot hold";
constexpr char const* RefusedAboveReason = "not tried: a folder above it was not valid";

// Why a name can't be one folder level, or nullptr when it can.
char const* CheckName(std::string_view name)
{
    if (name.empty())
        return EmptyNameReason;
    if (IsDotName(name))
        return DotNameReason;
    if (FindCharacter(name, '\\') != std::string_view::npos
        || FindCharacter(name, '/') != std::string_view::npos || name.find('\0') != std::string_view::npos)
        return SeparatorNameReason;
    return nullptr;
}

// One run over the tree. The two paths of the folder being handled are kept
// in buffers that grow and shrink with the walk, so a folder costs no
// allocation of its own.
class CreationRun {
public:
    CreationRun(
        FolderTree const& tree, HostFileSystem& file_system, CreationSink& sink, CreationOptions options)
        : m_tree(tree)
        , m_file_system(file_system)
        , m_sink(sink)
        , m_options(options)
    {
    }

    CreationSummary CreateFolders();

private:
    struct Frame {
        NodeId Node;
        std::size_t NextChild;
        std::size_t PathSize;
        std::size_t HostPathSize;
        bool HostPathKnown;
        FolderState State;
    };

    FolderState PrepareParentFolder();
    FolderState EnterFolder(NodeId node, FolderState containing);
    void CreateFolderNode(NodeId node, FolderState state);
    FolderState MakeFolder();
    FolderState PlanFolder(FolderState containing);
    FolderState Report(FolderOutcome outcome, char const* reason = nullptr);
    FolderState ReportFailure(HostError error);

    FolderTree const& m_tree;
    HostFileSystem& m_file_system;
    CreationSink& m_sink;
    CreationOptions const m_options;
    CreationSummary m_summary;

    char m_separator = HostFileSystem::Separator;
    std::string m_path;
    std::string m_host_path;
    bool m_host_path_known = false;
    char const* m_refusal = nullptr;
    FolderReport m_report;
    std::vector<Frame> m_pending;
    // A dry run creates nothing, so it remembers what it would have created.
    std::unordered_set<std::string> m_planned;
};

CreationSummary CreationRun::CreateFolders()
{
    if (m_tree.IsTruncated()) {
        m_summary.Refused = true;
        return m_summary;
    }
    if (m_tree.NodeCount() < 2) {
        m_sink.NothingToCreate();
        return m_summary;
    }

    FolderState const parent_state = PrepareParentFolder();
    std::size_t const path_size = m_path.size();
    std::size_t const host_path_size = m_host_path.size();
    bool const host_path_known = m_host_path_known;
    for (NodeId const child : m_tree.Children(m_tree.Root())) {
        // The parent folder ends with its separator: the name follows directly.
        m_path.resize(path_size);
        m_host_path.resize(host_path_size);
        m_host_path_known = host_path_known;
        FolderState const state = EnterFolder(child, parent_state);
        CreateFolderNode(child, state);
    }
    return m_summary;
}

FolderState CreationRun::PrepareParentFolder()
{
    m_path = m_tree.GetRootPath();
    if (m_path.empty()) {
        m_refusal = NoParentReason;
        return FolderState::Refused;
    }
    m_separator = m_path.back();
    m_host_path_known = m_file_system.Names().AppendHostText(m_path, m_host_path);
    if (!m_host_path_known) {
        m_refusal = UnconvertibleParentReason;
        return FolderState::Refused;
    }
    if (m_separator != HostFileSystem::Separator || !HostFileSystem::IsAbsoluteFolderPath(m_host_path)) {
        m_refusal = RelativeParentReason;
        return FolderState::Refused;
    }
    if (!m_options.DryRun)
        return FolderState::Present;
    return m_file_system.DirectoryExists(m_host_path.c_str()) ? FolderState::Present : FolderState::Failed;
}

// Appends the node's name to both paths and handles the folder. The paths
// already end with the containing folder's path and its separator.
FolderState CreationRun::EnterFolder(NodeId node, FolderState containing)
{
    std::string const& name = m_tree.Name(node);
    m_path += name;
    if (containing == FolderState::Refused) {
        if (m_host_path_known)
            m_host_path_known = m_file_system.Names().AppendHostText(name, m_host_path);
        return Report(FolderOutcome::Failed, m_refusal);
    }
    if (char const* const reason = CheckName(name)) {
        if (m_host_path_known)
            m_host_path_known = m_file_system.Names().AppendHostText(name, m_host_path);
        m_refusal = RefusedAboveReason;
        Report(FolderOutcome::Failed, reason);
        return FolderState::Refused;
    }
    if (!m_file_system.Names().AppendHostText(name, m_host_path)) {
        m_host_path_known = false;
        m_refusal = RefusedAboveReason;
        Report(FolderOutcome::Failed, UnconvertibleNameReason);
        return FolderState::Refused;
    }
    if (m_options.DryRun)
        return PlanFolder(containing);
    return MakeFolder();
}

// Handles every folder below `node` in pre-order, each before its subfolders
// and each subtree before the next sibling. The paths hold the node's own
// path. Iterative, so a tree of any depth is safe.
void CreationRun::CreateFolderNode(NodeId node, FolderState state)
{
    if (m_tree.Children(node).empty())
        return;
    m_pending.clear();
    m_pending.push_back({ node, 0, m_path.size(), m_host_path.size(), m_host_path_known, state });
    while (!m_pending.empty()) {
        Frame& frame = m_pending.back();
        auto const& children = m_tree.Children(frame.Node);
        if (frame.NextChild == children.size()) {
            m_pending.pop_back();
            continue;
        }
        NodeId const child = children[frame.NextChild++];
        FolderState const containing = frame.State;
        m_path.resize(frame.PathSize);
        m_path += m_separator;
        m_host_path.resize(frame.HostPathSize);
        m_host_path += m_separator;
        m_host_path_known = frame.HostPathKnown;
        FolderState const child_state = EnterFolder(child, containing);
        if (!m_tree.Children(child).empty())
            m_pending.push_back(
                { child, 0, m_path.size(), m_host_path.size(), m_host_path_known, child_state });
    }
}

// Creates the one folder at the host path unless a directory is there.
FolderState CreationRun::MakeFolder()
{
    // One call in the common case: a directory that is already there shows
    // itself by the creation's failure, and only then is it looked at.
    HostError const error = m_file_system.CreateDirectory(m_host_path.c_str());
    if (!error.IsSet())
        return Report(FolderOutcome::Created);
    if (HostFileSystem::IsAlreadyExists(error) && m_file_system.DirectoryExists(m_host_path.c_str()))
        return Report(FolderOutcome::Existed);
    return ReportFailure(error);
}

// What MakeFolder would do, found out without creating anything.
FolderState CreationRun::PlanFolder(FolderState containing)
{
    if (containing == FolderState::Planned || m_planned.contains(m_host_path)) {
        bool const first = m_planned.insert(m_host_path).second;
        return Report(first ? FolderOutcome::Created : FolderOutcome::Existed);
    }
    HostError error;
    switch (m_file_system.GetEntryKind(m_host_path.c_str(), error)) {
    case HostEntryKind::Directory:
        return Report(FolderOutcome::Existed);
    case HostEntryKind::Other:
        return ReportFailure(HostFileSystem::AlreadyExistsError());
    case HostEntryKind::Missing:
        if (containing == FolderState::Present) {
            m_planned.insert(m_host_path);
            return Report(FolderOutcome::Created);
        }
        return ReportFailure(HostFileSystem::NotFoundError());
    case HostEntryKind::Unknown:
        break;
    }
    return ReportFailure(error);
}

FolderState CreationRun::Report(FolderOutcome outcome, char const* reason)
{
    m_report.Path.assign(m_path);
    if (m_host_path_known)
        m_report.HostPath.assign(m_host_path);
    else
        m_report.HostPath.clear();
    m_report.Outcome = outcome;
    if (reason)
        m_report.Reason.assign(reason);
    else
        m_report.Reason.clear();
    m_sink.FolderHandled(m_report);

    switch (outcome) {
    case FolderOutcome::Created:
        ++m_summary.Created;
        return m_options.DryRun ? FolderState::Planned : FolderState::Present;
    case FolderOutcome::Existed:
        ++m_summary.Existed;
        return FolderState::Present;
    case FolderOutcome::Failed:
        ++m_summary.Failed;
        break;
    }
    return reason ? FolderState::Refused : FolderState::Failed;
}

FolderState CreationRun::ReportFailure(HostError error)
{
    m_report.Reason = HostFileSystem::DescribeError(error);
    m_report.Path.assign(m_path);
    m_report.HostPath.assign(m_host_path);
    m_report.Outcome = FolderOutcome::Failed;
    m_sink.FolderHandled(m_report);
    ++m_summary.Failed;
    return FolderState::Failed;
}

} // namespace

CreationSummary CreateFolders(FolderTree const& tree, CreationSink& sink, CreationOptions options)
{
    HostFileSystem file_system;
    return CreateFolders(tree, file_system, sink, options);
}

CreationSummary CreateFolders(
    FolderTree const& tree, HostFileSystem& file_system, CreationSink& sink, CreationOptions options)
{
    return CreationRun(tree, file_system, sink, options).CreateFolders();
}

} // namespace edamaki
