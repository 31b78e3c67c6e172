#include "core/disk/CreationRun.h"

#include "core/disk/DirectoryWindow.h"
#include "core/disk/FolderNameRules.h"
#include "core/disk/HostFileSystem.h"
#include "core/disk/SideBySide.h"
#include "core/disk/TreeSurvey.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

namespace edamaki {

namespace {

enum class FolderKind : std::uint8_t {
    Existing, // on disk before the run reached it: look before making anything in it
    Created,  // made by this run: it holds only what the run made in it
    Planned,  // a dry run would make it
    Failed,   // not there: the folders below it are tried, and meet `Below`
    Refused,  // never passed to the file system: nothing below it is tried
    Present,  // there before the run, and so is every folder below it, as the survey found
};

// What became of a folder, as far as its subfolders are concerned.
struct FolderState {
    FolderKind Kind = FolderKind::Failed;
    // Failed: what the system says to any path through the folder.
    HostError Below;
    // Refused: why the folders below it are not tried.
    char const* Refusal = nullptr;
    FailureCause RefusalCause = FailureCause::NotTried;
    // Planned: the node that planned the folder (a later twin names the first).
    NodeId Planner = NoNode;
    // Planned: the name limit of the file system it would be made on.
    std::size_t NameLimit = 0;
};

FolderState StateOf(FolderKind kind)
{
    FolderState state;
    state.Kind = kind;
    return state;
}

FolderState FailedState(HostError below)
{
    FolderState state = StateOf(FolderKind::Failed);
    state.Below = below;
    return state;
}

FolderState RefusedState(char const* refusal, FailureCause cause = FailureCause::NotTried)
{
    FolderState state = StateOf(FolderKind::Refused);
    state.Refusal = refusal;
    state.RefusalCause = cause;
    return state;
}

FailureCause CauseOf(HostError error)
{
    switch (HostFileSystem::KindOf(error)) {
    case HostErrorKind::NoPermission:
        return FailureCause::NoPermission;
    case HostErrorKind::NoSpace:
        return FailureCause::NoSpace;
    case HostErrorKind::ReadOnly:
        return FailureCause::ReadOnly;
    case HostErrorKind::AlreadyExists:
        return FailureCause::InTheWay;
    case HostErrorKind::NotFound:
    case HostErrorKind::NotADirectory:
        return FailureCause::MissingAbove;
    case HostErrorKind::NameTooLong:
        return FailureCause::NameTooLong;
    case HostErrorKind::Other:
        break;
    }
    return FailureCause::Other;
}

FolderState PlannedState(NodeId planner, std::size_t name_limit)
{
    FolderState state = StateOf(FolderKind::Planned);
    state.Planner = planner;
    state.NameLimit = name_limit;
    return state;
}

// A folder the walk handled, with its directory when the walk goes below it.
struct HandledFolder {
    HandledFolder(FolderState state, HostDirectory directory = {})
        : State(state)
        , Directory(std::move(directory))
    {
    }

    FolderState State;
    HostDirectory Directory;
};

constexpr char const* NoParentReason = "no parent folder is set";
constexpr char const* RelativeParentReason = "the parent folder is not an absolute path on this system";
constexpr char const* RefusedAboveReason = "not tried: a folder above it was not valid";
constexpr char const* BelowLinkReason = "not tried: a folder above it is a link, and links are not followed";

// What the system says to a path through a folder whose creation failed.
HostError BelowFailedCreation(HostError error)
{
    if (HostFileSystem::IsNameTooLong(error))
        return error;
    if (HostFileSystem::IsAlreadyExists(error))
        return HostFileSystem::NotADirectoryError();
    return HostFileSystem::NotFoundError();
}

// Makes `copy` equal to `path`, of which it holds the first `unchanged` bytes
// already, by copying only the rest.
void CopyChangedEnd(std::string const& path, std::size_t& unchanged, std::string& copy)
{
    copy.resize(std::min(unchanged, copy.size()));
    copy.append(path, copy.size());
    unchanged = path.size();
}

// The folders a dry run would make, keyed by the folder that would hold them
// and their host name. It stands in for the disk where the disk has nothing
// yet: memory grows with the planned folders, not with their paths.
class FolderPlan {
public:
    // The folder a planner stands for: no device has this identity.
    static HostFolderIdentity IdentityOf(NodeId planner)
    {
        return { std::numeric_limits<std::uint64_t>::max(), static_cast<std::uint64_t>(planner) };
    }

    // The node that planned `name` inside `holder`, or NoNode.
    NodeId Find(HostFolderIdentity holder, std::string_view name)
    {
        m_probe.Holder = holder;
        m_probe.Name.assign(name);
        auto const found = m_planned.find(m_probe);
        return found == m_planned.end() ? NoNode : found->second;
    }

    void Add(HostFolderIdentity holder, std::string_view name, NodeId planner)
    {
        m_planned.emplace(Key { holder, std::string(name) }, planner);
    }

private:
    struct Key {
        HostFolderIdentity Holder;
        std::string Name;

        bool operator==(Key const&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(Key const& key) const
        {
            std::size_t const holder = HostFolderIdentityHash {}(key.Holder);
            return holder ^ (std::hash<std::string>()(key.Name) + 0x9e3779b97f4a7c15u + (holder << 6));
        }
    };

    std::unordered_map<Key, NodeId, KeyHash> m_planned;
    Key m_probe;
};

// A line of a run with several jobs, kept small while it waits for the lines
// before it: its paths are spelled again from the tree once its turn comes.
struct LineNotes {
    std::string Reason;
    std::string LinkTarget;
};

struct HandledLine {
    NodeId Node = NoNode;
    FolderOutcome Outcome = FolderOutcome::Failed;
    FailureCause Cause = FailureCause::None;
    // For a folder made.
    bool HasIdentity = false;
    HostFolderIdentity Identity;
    std::uint64_t BirthTime = 0;
    // Only for a line with a reason or a link.
    std::unique_ptr<LineNotes> Notes;
};

using OutputPiece = SideBySide<HandledLine>::OutputPiece;

// What the walkers of a run with several jobs share. The first walker starts
// at the parent folder; each folder it (or any walker) makes that has
// subfolders may go to an idle worker as a piece of its own, with the
// folder's directory. Only folders this run made are handed over: they hold
// nothing but what the run makes in them, so no link or folder found there
// can lead into another piece. The one way two walkers meet is a name found
// on disk in a folder whose subtree went to another piece (a name that the
// file system takes as another's twin, a link): the walker then waits for
// everything before it in the walk to be done, as a lone run would have.
struct SharedRun : SideBySide<HandledLine> {
    SharedRun(
        FolderTree const& tree, HostFileSystem& file_system, CreationOptions const& options, std::size_t jobs)
        : SideBySide(jobs, options.Stop)
        , Tree(tree)
        , FileSystem(file_system)
        , Options(options)
    {
        // The walkers stop when the caller asks, and when one of them fails.
        Options.Stop = Pool.StopToken();
    }

    void Add(CreationSummary const& part)
    {
        std::lock_guard lock(SummaryMutex);
        Summary.Created += part.Created;
        Summary.Existed += part.Existed;
        Summary.Failed += part.Failed;
        Summary.Stopped = Summary.Stopped || part.Stopped;
    }

    FolderTree const& Tree;
    HostFileSystem& FileSystem;
    CreationOptions Options;
    TreeSurvey const* Survey = nullptr;
    // Set by the first walker before it hands anything over.
    std::string ParentRealPath;
    char Separator = HostFileSystem::Separator;
    std::mutex SummaryMutex;
    CreationSummary Summary;
};

// Puts a walker's reports in its piece of the run's output.
class PieceSink final : public CreationSink {
public:
    PieceSink(OrderedOutput<HandledLine>& output, OutputPiece& piece)
        : m_output(output)
        , m_piece(piece)
    {
    }

    void FolderHandled(FolderReport const& report) override
    {
        HandledLine line { report.Node, report.Outcome, report.Cause, report.HasIdentity, report.Identity,
            report.BirthTime, nullptr };
        if (!report.Reason.empty() || !report.LinkTarget.empty())
            line.Notes = std::make_unique<LineNotes>(LineNotes { report.Reason, report.LinkTarget });
        m_output.Add(m_piece, std::move(line));
    }
    void NothingToCreate() override { }

private:
    OrderedOutput<HandledLine>& m_output;
    OutputPiece& m_piece;
};

// Spells the paths of a run's lines as its walk did, for lines that come in
// walk order: each folder's path is its parent's, its separator and its name,
// the host's spelling known while every name above it converts.
class WalkPaths {
public:
    WalkPaths(FolderTree const& tree, HostNameConverter& names)
        : m_tree(tree)
        , m_names(names)
    {
        std::string const root = tree.GetRootPath();
        m_path = root;
        bool const known = m_names.AppendHostText(root, m_host_path);
        if (!root.empty())
            m_separator = root.back();
        m_levels.push_back({ tree.Root(), m_path.size(), m_host_path.size(), known });
    }

    // Fills the report's paths for the folder of `node`.
    void Spell(NodeId node, FolderReport& report)
    {
        NodeId const parent = m_tree.Parent(node);
        while (m_levels.size() > 1 && m_levels.back().Node != parent)
            m_levels.pop_back();
        Level const& above = m_levels.back();
        m_path.resize(above.PathSize);
        m_host_path.resize(above.HostPathSize);
        if (m_levels.size() > 1) {
            m_path += m_separator;
            m_host_path += m_separator;
        }
        std::string_view const name = m_tree.Name(node);
        m_path += name;
        bool const known = above.HostPathKnown && m_names.AppendHostText(name, m_host_path);
        m_levels.push_back({ node, m_path.size(), m_host_path.size(), known });
        report.Path = m_path;
        if (known)
            report.HostPath = m_host_path;
        else
            report.HostPath.clear();
    }

    // The parent folder's host path with its separator, in each host path.
    std::size_t ParentHostSize() const { return m_levels.front().HostPathSize; }

private:
    struct Level {
        NodeId Node;
        std::size_t PathSize;
        std::size_t HostPathSize;
        bool HostPathKnown;
    };

    FolderTree const& m_tree;
    HostNameConverter& m_names;
    char m_separator = HostFileSystem::Separator;
    std::string m_path;
    std::string m_host_path;
    std::vector<Level> m_levels;
};

// One run over the tree. The two paths of the folder being handled are kept
// in buffers that grow and shrink with the walk, so a folder costs no
// allocation of its own.
class CreationRun {
public:
    CreationRun(FolderTree const& tree, HostFileSystem& file_system, CreationSink& sink,
        CreationOptions const& options, std::size_t window_capacity = DirectoryWindow::DefaultCapacity())
        : m_tree(tree)
        , m_file_system(file_system)
        , m_sink(sink)
        , m_options(options)
        , m_links(options.FollowLinks ? LinkPolicy::Follow : LinkPolicy::NoFollow)
        , m_window(file_system, m_links, window_capacity)
    {
    }

    // A walker of a run with several jobs, reporting to its piece.
    CreationRun(SharedRun& shared, HostFileSystem& file_system, CreationSink& sink, OutputPiece& piece)
        : CreationRun(shared.Tree, file_system, sink, shared.Options, shared.WindowCapacity)
    {
        m_shared = &shared;
        m_piece = &piece;
        m_parent_real_path = shared.ParentRealPath;
        m_separator = shared.Separator;
        m_survey = shared.Survey;
    }

    // Answers looks from a survey of the tree's folders taken before the run.
    void UseSurvey(TreeSurvey const* survey) { m_survey = survey; }

    CreationSummary CreateFolders();
    // A piece of the run: the subfolders of `node`, a folder this run made
    // or one that existed (of `kind`), whose directory and paths (each ended
    // by its separator) are given.
    CreationSummary CreateSubfolders(NodeId node, FolderKind kind, HostDirectory directory, std::string path,
        std::string host_path, bool host_path_known);

private:
    // A folder whose subfolders are being handled.
    struct Frame {
        explicit Frame(NodeId node)
            : Node(node)
        {
        }

        NodeId Node;
        std::size_t NextChild = 0;
        // The folder's paths, each with the separator its subfolders follow.
        std::size_t PathSize = 0;
        std::size_t HostPathSize = 0;
        bool HostPathKnown = false;
        FolderState State;
        // A dry run asks these of a folder on disk once, when a folder below
        // it is missing.
        std::optional<HostError> CreationCheck;
        std::optional<HostFolderIdentity> Identity;
        std::size_t NameLimit = 0;
        // A folder below it went to another piece of the run.
        bool HandedBelow = false;
    };

    Frame PrepareParentFolder();
    FolderState OpenParentFolder();
    void CreateFolderNode();
    void EnterSubfolders(NodeId node, HandledFolder handled);
    bool HandOver(NodeId node, HandledFolder& handled, Frame& frame);
    void AwaitTurn(Frame const& frame, NodeId node);
    bool IsClosedOff(NodeId node) const;
    void Stop();
    HandledFolder EnterFolder(NodeId node, Frame& frame);
    HandledFolder HandleOnDisk(NodeId node, Frame& frame);
    std::optional<HandledFolder> HandleSurveyed(NodeId node, Frame& frame);
    HostEntryKind LookUp(HostDirectory const& holder, Frame const& frame, bool descend,
        HostDirectory& directory, HostError& error);
    HostEntryKind LookUpName(
        HostDirectory const& holder, bool descend, HostDirectory& directory, HostError& error);
    HandledFolder LookAt(HostDirectory const& holder, Frame& frame, NodeId node);
    HandledFolder MakeFolder(HostDirectory const& holder, Frame const& frame, bool descend);
    HandledFolder Created(HostDirectory const& holder, bool descend);
    // A folder that is there already, opened.
    HandledFolder Existing(HostDirectory directory);
    HandledFolder PassLink(HostDirectory const& holder, bool descend);
    HandledFolder PlanFolder(HostDirectory const& holder, Frame& frame, NodeId node);
    HandledFolder PlanBelowPlanned(Frame const& frame, NodeId node);
    HandledFolder Plan(
        HostFolderIdentity holder, std::size_t name_limit, HostError creation_check, NodeId node);
    std::string LinkTarget(HostDirectory const& holder);
    bool IsInsideParentFolder(std::string const& real_path);
    char const* HostName() const { return m_host_path.c_str() + m_name_begin; }
    void AnnounceCreation() const
    {
        if (m_options.BeforeCreate)
            m_options.BeforeCreate(m_host_path);
    }
    std::string_view HostNameView() const { return std::string_view(m_host_path).substr(m_name_begin); }
    void AppendHostName(std::string_view name);
    void Report(FolderOutcome outcome, std::string_view reason = {}, std::string_view link_target = {},
        FailureCause cause = FailureCause::None);
    void ReportFailure(std::string_view reason, FailureCause cause);
    HandledFolder Failure(HostError error, HostError below);

    FolderTree const& m_tree;
    HostFileSystem& m_file_system;
    CreationSink& m_sink;
    CreationOptions const m_options;
    LinkPolicy const m_links;
    CreationSummary m_summary;
    DirectoryWindow m_window;

    char m_separator = HostFileSystem::Separator;
    std::string m_path;
    std::string m_host_path;
    bool m_host_path_known = false;
    // How much of each path the report holds already: the walk changes only
    // the end of a path from one folder to the next.
    std::size_t m_path_reported = 0;
    std::size_t m_host_path_reported = 0;
    // The parent folder's host path with its separator, in m_host_path.
    std::size_t m_parent_host_size = 0;
    // Where the host name of the folder being handled begins in m_host_path.
    std::size_t m_name_begin = 0;
    // Where the parent folder opened is; empty when the system can't say.
    std::string m_parent_real_path;
    FolderReport m_report;
    std::vector<Frame> m_frames;
    FolderPlan m_plan;
    // Set for a walker of a run with several jobs.
    SharedRun* m_shared = nullptr;
    OutputPiece* m_piece = nullptr;
    TreeSurvey const* m_survey = nullptr;
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
    m_frames.push_back(PrepareParentFolder());
    CreateFolderNode();
    return m_summary;
}

// The root's frame. The parent folder ends with its separator: the names of
// the top-level folders follow directly.
CreationRun::Frame CreationRun::PrepareParentFolder()
{
    m_path = m_tree.GetRootPath();
    Frame root(m_tree.Root());
    root.State = OpenParentFolder();
    root.PathSize = m_path.size();
    root.HostPathSize = m_host_path.size();
    root.HostPathKnown = m_host_path_known;
    return root;
}

CreationSummary CreationRun::CreateSubfolders(NodeId node, FolderKind kind, HostDirectory directory,
    std::string path, std::string host_path, bool host_path_known)
{
    m_path = std::move(path);
    m_host_path = std::move(host_path);
    Frame frame(node);
    frame.State = StateOf(kind);
    frame.PathSize = m_path.size();
    frame.HostPathSize = m_host_path.size();
    frame.HostPathKnown = host_path_known;
    m_window.Start(std::move(directory));
    m_frames.push_back(frame);
    CreateFolderNode();
    return m_summary;
}

FolderState CreationRun::OpenParentFolder()
{
    m_window.Start({});
    if (m_path.empty())
        return RefusedState(NoParentReason, FailureCause::UnusableParentFolder);
    m_separator = m_path.back();
    m_host_path_known = m_file_system.Names().AppendHostText(m_path, m_host_path);
    if (!m_host_path_known)
        return RefusedState(UnconvertibleParentReason, FailureCause::UnusableParentFolder);
    m_parent_host_size = m_host_path.size();
    if (m_separator != HostFileSystem::Separator || !HostFileSystem::IsAbsoluteFolderPath(m_host_path))
        return RefusedState(RelativeParentReason, FailureCause::UnusableParentFolder);
    HostError error;
    HostDirectory parent = m_file_system.OpenDirectory(m_host_path.c_str(), error);
    if (!parent.IsOpen())
        return FailedState(error);
    m_parent_real_path = m_file_system.RealPathOf(parent);
    if (m_parent_real_path.empty())
        m_parent_real_path = m_file_system.ResolvePath(m_host_path.c_str());
    m_window.Start(std::move(parent));
    if (m_shared) {
        m_shared->ParentRealPath = m_parent_real_path;
        m_shared->Separator = m_separator;
    }
    return StateOf(FolderKind::Existing);
}

// Handles every folder below the root in pre-order, each before its
// subfolders and each subtree before the next sibling. Iterative, so a tree
// of any depth is safe.
void CreationRun::CreateFolderNode()
{
    while (!m_frames.empty()) {
        if (m_options.Stop.stop_requested()) {
            Stop();
            return;
        }
        Frame& frame = m_frames.back();
        auto const& children = m_tree.Children(frame.Node);
        if (frame.NextChild == children.size()) {
            bool const handed_below = frame.HandedBelow;
            m_frames.pop_back();
            m_window.Leave();
            if (!m_frames.empty())
                m_frames.back().HandedBelow |= handed_below;
            continue;
        }
        NodeId const child = children[frame.NextChild++];
        m_path.resize(frame.PathSize);
        m_host_path.resize(frame.HostPathSize);
        m_path_reported = std::min(m_path_reported, m_path.size());
        m_host_path_reported = std::min(m_host_path_reported, m_host_path.size());
        m_host_path_known = frame.HostPathKnown;
        HandledFolder handled = EnterFolder(child, frame);
        if (!m_tree.Children(child).empty() && !HandOver(child, handled, frame))
            EnterSubfolders(child, std::move(handled));
    }
}

void CreationRun::Stop()
{
    m_summary.Stopped = true;
    while (!m_frames.empty()) {
        m_frames.pop_back();
        m_window.Leave();
    }
}

// A piece of a run with several jobs: the subfolders of a folder made by the
// run, with their own walker, file system and directory window.
class CreationPiece final : public WalkPiece {
public:
    CreationPiece(SharedRun& shared, OutputPiece& piece, NodeId node, FolderKind kind,
        HostDirectory directory, std::string path, std::string host_path, bool host_path_known)
        : m_shared(shared)
        , m_piece(piece)
        , m_node(node)
        , m_kind(kind)
        , m_directory(std::move(directory))
        , m_path(std::move(path))
        , m_host_path(std::move(host_path))
        , m_host_path_known(host_path_known)
    {
    }

    HostDirectory TakeDirectory() { return std::move(m_directory); }

    void Run() override
    {
        OrderedOutput<HandledLine>::FinishOnExit const finish(m_shared.Output, m_piece);
        std::unique_ptr<HostFileSystem> const file_system = m_shared.FileSystem.ForAnotherThread();
        PieceSink sink(m_shared.Output, m_piece);
        CreationRun run(m_shared, *file_system, sink, m_piece);
        m_shared.Add(run.CreateSubfolders(m_node, m_kind, std::move(m_directory), std::move(m_path),
            std::move(m_host_path), m_host_path_known));
    }

private:
    SharedRun& m_shared;
    OutputPiece& m_piece;
    NodeId const m_node;
    FolderKind const m_kind;
    HostDirectory m_directory;
    std::string m_path;
    std::string m_host_path;
    bool const m_host_path_known;
};

// Hands the subfolders of a folder to an idle worker: one this run made, or
// one that existed where the survey found no link below it, so that nothing
// a walker meets there can lead outside it. False when the run has one job,
// the folder is neither, or no worker is idle.
bool CreationRun::HandOver(NodeId node, HandledFolder& handled, Frame& frame)
{
    FolderKind const kind = handled.State.Kind;
    bool const closed_below = kind == FolderKind::Created
        || (kind == FolderKind::Existing && m_survey && m_survey->HoldsNoLink(node));
    if (!m_shared || !closed_below || !handled.Directory.IsOpen() || !m_shared->Pool.HasIdleWorker())
        return false;
    auto output = OrderedOutput<HandledLine>::NewPiece();
    std::unique_ptr<WalkPiece> piece = std::make_unique<CreationPiece>(*m_shared, *output, node, kind,
        std::move(handled.Directory), m_path + m_separator, m_host_path + m_separator, m_host_path_known);
    if (!m_shared->TryHand(*m_piece, output, piece)) {
        // Not taken: the directory comes back with the piece.
        handled.Directory = static_cast<CreationPiece&>(*piece).TakeDirectory();
        return false;
    }
    frame.HandedBelow = true;
    return true;
}

// A name found on disk in a folder whose subtree went partly to other
// pieces may be one of theirs under another spelling, or a link into them:
// it is acted on only once everything before it in the walk is done.
void CreationRun::AwaitTurn(Frame const& frame, NodeId node)
{
    if (m_shared && frame.HandedBelow && !IsClosedOff(node))
        m_shared->Output.WaitForFront(*m_piece);
}

// The survey listed the folder as a directory of its own name, the first of
// its siblings to bear it, with no link below it: no other piece can reach
// it, and nothing in it leads to another piece, so it needn't wait its turn.
bool CreationRun::IsClosedOff(NodeId node) const
{
    return m_survey && m_survey->EntryOf(node) == SurveyedEntry::Directory && m_survey->HoldsNoLink(node)
        && m_tree.FindChildNode(m_tree.Parent(node), m_tree.Name(node)) == node;
}

void CreationRun::EnterSubfolders(NodeId node, HandledFolder handled)
{
    std::size_t const name_end = m_host_path.size();
    m_path += m_separator;
    m_host_path += m_separator;
    Frame frame(node);
    frame.PathSize = m_path.size();
    frame.HostPathSize = m_host_path.size();
    frame.HostPathKnown = m_host_path_known;
    frame.State = handled.State;
    m_frames.push_back(frame);
    m_window.Enter(std::move(handled.Directory), m_name_begin, name_end);
}

// Appends the node's name to both paths and handles the folder. The paths
// already hold the containing folder's path and its separator.
HandledFolder CreationRun::EnterFolder(NodeId node, Frame& frame)
{
    m_report.Node = node;
    std::string_view const name = m_tree.Name(node);
    m_path += name;
    m_name_begin = m_host_path.size();
    if (frame.State.Kind == FolderKind::Refused) {
        AppendHostName(name);
        ReportFailure(frame.State.Refusal, frame.State.RefusalCause);
        return { frame.State };
    }
    if (std::string const reason = RefusedNameReason(name); !reason.empty()) {
        AppendHostName(name);
        ReportFailure(reason, FailureCause::InvalidName);
        return { RefusedState(RefusedAboveReason) };
    }
    if (!m_file_system.Names().AppendHostText(name, m_host_path)) {
        m_host_path_known = false;
        ReportFailure(UnconvertibleNameReason, FailureCause::InvalidName);
        return { RefusedState(RefusedAboveReason) };
    }
    // Folders past the path limit could be made relative to their parents,
    // but most programs could not use them: they fail as the system's own
    // path calls would.
    if (m_host_path.size() > HostFileSystem::PathLimit)
        return Failure(HostFileSystem::NameTooLongError(), HostFileSystem::NameTooLongError());
    switch (frame.State.Kind) {
    case FolderKind::Failed:
        return Failure(frame.State.Below, frame.State.Below);
    case FolderKind::Planned:
        return PlanBelowPlanned(frame, node);
    case FolderKind::Present:
        // The survey found every folder below a present one there.
        Report(FolderOutcome::Existed);
        return { StateOf(FolderKind::Present) };
    case FolderKind::Existing:
        if (auto surveyed = HandleSurveyed(node, frame))
            return std::move(*surveyed);
        break;
    case FolderKind::Created:
    case FolderKind::Refused:
        break;
    }
    return HandleOnDisk(node, frame);
}

// A folder in one that existed, as the survey found it: all there below it,
// it is reported with no call at all. Otherwise nothing, and the walk looks.
std::optional<HandledFolder> CreationRun::HandleSurveyed(NodeId node, Frame& frame)
{
    if (!m_survey || m_survey->EntryOf(node) != SurveyedEntry::Directory || !m_survey->IsWhole(node))
        return std::nullopt;
    AwaitTurn(frame, node);
    Report(FolderOutcome::Existed);
    return HandledFolder { StateOf(FolderKind::Present) };
}

HandledFolder CreationRun::HandleOnDisk(NodeId node, Frame& frame)
{
    HostError error;
    HostDirectory const* const holder = m_window.Innermost(m_host_path, error);
    if (!holder)
        return Failure(error, error);
    if (frame.State.Kind == FolderKind::Created && !m_options.DryRun) {
        // One call: a folder this run made holds nothing the run didn't make.
        AnnounceCreation();
        HostError const made = m_file_system.CreateDirectoryAt(*holder, HostName());
        if (!made.IsSet())
            return Created(*holder, !m_tree.Children(node).empty());
        if (!HostFileSystem::IsAlreadyExists(made))
            return Failure(made, BelowFailedCreation(made));
    }
    return LookAt(*holder, frame, node);
}

// What is at the name in a folder on disk, never following a link. A folder
// or link found there is acted on in its turn (see AwaitTurn).
HostEntryKind CreationRun::LookUp(
    HostDirectory const& holder, Frame const& frame, bool descend, HostDirectory& directory, HostError& error)
{
    HostEntryKind const kind = LookUpName(holder, descend, directory, error);
    if (kind == HostEntryKind::Directory || kind == HostEntryKind::Link)
        AwaitTurn(frame, m_report.Node);
    return kind;
}

// The look itself. A folder the walk goes below is opened at once: where it
// exists, that one call is both the look and the way in.
HostEntryKind CreationRun::LookUpName(
    HostDirectory const& holder, bool descend, HostDirectory& directory, HostError& error)
{
    if (!descend)
        return m_file_system.GetEntryKindAt(holder, HostName(), LinkPolicy::NoFollow, error);
    directory = m_file_system.OpenDirectoryAt(holder, HostName(), LinkPolicy::NoFollow, error);
    if (directory.IsOpen())
        return HostEntryKind::Directory;
    if (HostFileSystem::IsNotFound(error))
        return HostEntryKind::Missing;
    if (!HostFileSystem::IsNotADirectory(error))
        return HostEntryKind::Unknown;
    // A link, or something else in the way: only a second look tells.
    error = {};
    HostEntryKind const kind = m_file_system.GetEntryKindAt(holder, HostName(), LinkPolicy::NoFollow, error);
    // It became a directory between the two calls: the walk enters only
    // what it opened.
    if (kind == HostEntryKind::Directory) {
        error = HostFileSystem::NotADirectoryError();
        return HostEntryKind::Unknown;
    }
    return kind;
}

// Looks at the name in a folder on disk, and makes the folder when nothing is
// there: one call for a folder that exists, two for one that doesn't.
HandledFolder CreationRun::LookAt(HostDirectory const& holder, Frame& frame, NodeId node)
{
    bool const descend = !m_tree.Children(node).empty();
    // Nothing there when the survey listed the folder: made with no look of
    // its own. Should that fail, the look tells why, as it would have first.
    if (m_survey && !m_options.DryRun && frame.State.Kind == FolderKind::Existing
        && m_survey->EntryOf(node) == SurveyedEntry::Missing
        && !m_file_system.CreateDirectoryAt(holder, HostName()).IsSet())
        return Created(holder, descend);
    HostDirectory directory;
    HostError error;
    switch (LookUp(holder, frame, descend, directory, error)) {
    case HostEntryKind::Directory:
        return Existing(std::move(directory));
    case HostEntryKind::Link:
        return PassLink(holder, descend);
    case HostEntryKind::Other:
        return Failure(HostFileSystem::AlreadyExistsError(), HostFileSystem::NotADirectoryError());
    case HostEntryKind::Missing:
        return m_options.DryRun ? PlanFolder(holder, frame, node) : MakeFolder(holder, frame, descend);
    case HostEntryKind::Unknown:
        break;
    }
    return Failure(error, error);
}

HandledFolder CreationRun::MakeFolder(HostDirectory const& holder, Frame const& frame, bool descend)
{
    AnnounceCreation();
    HostError const error = m_file_system.CreateDirectoryAt(holder, HostName());
    if (!error.IsSet())
        return Created(holder, descend);
    if (!HostFileSystem::IsAlreadyExists(error))
        return Failure(error, BelowFailedCreation(error));
    // Another process made it since the look: what is there now counts, as
    // it would have at the look.
    HostDirectory directory;
    HostError look_error;
    switch (LookUp(holder, frame, descend, directory, look_error)) {
    case HostEntryKind::Directory:
        return Existing(std::move(directory));
    case HostEntryKind::Link:
        return PassLink(holder, descend);
    case HostEntryKind::Unknown:
        return Failure(look_error, look_error);
    case HostEntryKind::Other:
    case HostEntryKind::Missing:
        break;
    }
    return Failure(error, BelowFailedCreation(error));
}

HandledFolder CreationRun::Existing(HostDirectory directory)
{
    Report(FolderOutcome::Existed);
    return { StateOf(FolderKind::Existing), std::move(directory) };
}

HandledFolder CreationRun::Created(HostDirectory const& holder, bool descend)
{
    // Which folder it is, for the journal: from the folder opened to go
    // below it, else one look at the name.
    HostError error;
    HostDirectory directory;
    if (descend)
        directory = m_file_system.OpenDirectoryAt(holder, HostName(), LinkPolicy::NoFollow, error);
    m_report.HasIdentity = directory.IsOpen()
        ? m_file_system.GetBirthIdentity(directory, nullptr, m_report.Identity, m_report.BirthTime)
        : m_file_system.GetBirthIdentity(holder, HostName(), m_report.Identity, m_report.BirthTime);
    Report(FolderOutcome::Created);
    m_report.HasIdentity = false;
    if (!descend)
        return { StateOf(FolderKind::Created) };
    if (!directory.IsOpen())
        return { FailedState(error) };
    return { StateOf(FolderKind::Created), std::move(directory) };
}

// The name is a link. Followed, a link to a directory is a folder that
// existed, and one that leads outside the parent folder says so; a link to
// anything else is in the way, as the creation would find, and one the user
// may not follow fails with the system's reason.
HandledFolder CreationRun::PassLink(HostDirectory const& holder, bool descend)
{
    if (m_links == LinkPolicy::NoFollow) {
        std::string const reason = "a link to " + LinkTarget(holder) + ", and links are not followed";
        ReportFailure(reason, FailureCause::LinkNotFollowed);
        return { RefusedState(BelowLinkReason) };
    }
    HostError error;
    HostDirectory directory = m_file_system.OpenDirectoryAt(holder, HostName(), LinkPolicy::Follow, error);
    if (!directory.IsOpen()) {
        // A link to no folder is in the way; one the user may not follow says why.
        if (HostFileSystem::IsNotFound(error) || HostFileSystem::IsNotADirectory(error))
            return Failure(HostFileSystem::AlreadyExistsError(), error);
        return Failure(error, error);
    }
    m_file_system.ReachRacePoint(RacePoint::AfterOpenLink, HostName());
    // Judged by the folder opened, which is where the subfolders go, not by
    // where the link leads by then.
    std::string target = m_file_system.RealPathOf(directory);
    bool const inside = !target.empty() && IsInsideParentFolder(target);
    if (target.empty())
        target = LinkTarget(holder);
    if (inside)
        Report(FolderOutcome::Existed);
    else
        Report(FolderOutcome::Existed, "a link to " + target + ", outside the parent folder", target);
    if (!descend)
        directory.Close();
    return { StateOf(FolderKind::Existing), std::move(directory) };
}

// Where the link at the host path leads: the real path, or the link's own
// text when the system can't resolve it.
std::string CreationRun::LinkTarget(HostDirectory const& holder)
{
    std::string target = m_file_system.ResolvePath(m_host_path.c_str());
    if (target.empty())
        target = m_file_system.ReadLinkAt(holder, HostName());
    return target;
}

bool CreationRun::IsInsideParentFolder(std::string const& real_path)
{
    std::string const& parent = m_parent_real_path;
    if (parent.empty() || !real_path.starts_with(parent))
        return false;
    return parent.size() == real_path.size() || parent.back() == HostFileSystem::Separator
        || real_path[parent.size()] == HostFileSystem::Separator;
}

// A dry run, a name missing in a folder on disk: a twin planned it already,
// or the folder's file system and permissions say what the creation would.
HandledFolder CreationRun::PlanFolder(HostDirectory const& holder, Frame& frame, NodeId node)
{
    if (!frame.Identity) {
        HostFolderIdentity identity;
        frame.Identity
            = m_file_system.GetIdentity(holder, identity) ? identity : FolderPlan::IdentityOf(frame.Node);
    }
    if (frame.NameLimit == 0)
        frame.NameLimit = m_file_system.NameLimit(holder);
    if (!frame.CreationCheck)
        frame.CreationCheck = m_file_system.CheckCreationAllowed(holder);
    return Plan(*frame.Identity, frame.NameLimit, *frame.CreationCheck, node);
}

// A dry run, a folder inside one it would make: that one would be empty but
// for what the run makes in it, on the same file system.
HandledFolder CreationRun::PlanBelowPlanned(Frame const& frame, NodeId node)
{
    return Plan(FolderPlan::IdentityOf(frame.State.Planner), frame.State.NameLimit, {}, node);
}

HandledFolder CreationRun::Plan(
    HostFolderIdentity holder, std::size_t name_limit, HostError creation_check, NodeId node)
{
    std::string_view const name = HostNameView();
    if (NodeId const twin = m_plan.Find(holder, name); twin != NoNode) {
        Report(FolderOutcome::Existed);
        return { PlannedState(twin, name_limit) };
    }
    // The order in which the system checks: the name, then the folder.
    if (name.size() > name_limit)
        return Failure(HostFileSystem::NameTooLongError(), HostFileSystem::NameTooLongError());
    if (creation_check.IsSet())
        return Failure(creation_check, BelowFailedCreation(creation_check));
    m_plan.Add(holder, name, node);
    Report(FolderOutcome::Created);
    return { PlannedState(node, name_limit) };
}

void CreationRun::AppendHostName(std::string_view name)
{
    if (m_host_path_known)
        m_host_path_known = m_file_system.Names().AppendHostText(name, m_host_path);
}

void CreationRun::ReportFailure(std::string_view reason, FailureCause cause)
{
    Report(FolderOutcome::Failed, reason, {}, cause);
}

void CreationRun::Report(
    FolderOutcome outcome, std::string_view reason, std::string_view link_target, FailureCause cause)
{
    CopyChangedEnd(m_path, m_path_reported, m_report.Path);
    if (m_host_path_known) {
        CopyChangedEnd(m_host_path, m_host_path_reported, m_report.HostPath);
    } else {
        m_report.HostPath.clear();
        m_host_path_reported = 0;
    }
    m_report.Outcome = outcome;
    m_report.Cause = cause;
    m_report.Reason.assign(reason);
    m_report.LinkTarget.assign(link_target);
    m_report.WindowsIssue = outcome != FolderOutcome::Failed && m_host_path_known && m_parent_host_size > 0
        ? FindWindowsNameIssue(m_report.HostPath, m_parent_host_size)
        : WindowsNameIssue::None;
    m_sink.FolderHandled(m_report);

    switch (outcome) {
    case FolderOutcome::Created:
        ++m_summary.Created;
        break;
    case FolderOutcome::Existed:
        ++m_summary.Existed;
        break;
    case FolderOutcome::Failed:
        ++m_summary.Failed;
        break;
    }
}

HandledFolder CreationRun::Failure(HostError error, HostError below)
{
    ReportFailure(HostFileSystem::DescribeError(error), CauseOf(error));
    return { FailedState(below) };
}

} // namespace

namespace {

// Nothing when no walker could be started.
std::optional<CreationSummary> CreateSideBySide(FolderTree const& tree, HostFileSystem& file_system,
    CreationSink& sink, CreationOptions const& options, std::size_t jobs, TreeSurvey const& survey)
{
    SharedRun shared(tree, file_system, options, jobs);
    if (!shared.Started())
        return std::nullopt;
    shared.Survey = &survey;
    WalkPaths paths(tree, file_system.Names());
    FolderReport report;
    auto const walk = [&shared](HostFileSystem& walker_file_system, OutputPiece& piece) {
        PieceSink sink(shared.Output, piece);
        shared.Add(CreationRun(shared, walker_file_system, sink, piece).CreateFolders());
    };
    shared.Run(file_system, walk, [&](HandledLine&& line) {
        report.Node = line.Node;
        report.Outcome = line.Outcome;
        report.Cause = line.Cause;
        report.HasIdentity = line.HasIdentity;
        report.Identity = line.Identity;
        report.BirthTime = line.BirthTime;
        paths.Spell(line.Node, report);
        report.Reason = line.Notes ? line.Notes->Reason : std::string();
        report.LinkTarget = line.Notes ? line.Notes->LinkTarget : std::string();
        report.WindowsIssue = line.Outcome == FolderOutcome::Failed || report.HostPath.empty()
            ? WindowsNameIssue::None
            : FindWindowsNameIssue(report.HostPath, paths.ParentHostSize());
        sink.FolderHandled(report);
    });
    shared.Summary.Jobs = shared.Jobs;
    return shared.Summary;
}

} // namespace

CreationSummary CreateFolders(FolderTree const& tree, CreationSink& sink, CreationOptions const& options)
{
    HostFileSystem file_system;
    return CreateFolders(tree, file_system, sink, options);
}

CreationSummary CreateFolders(
    FolderTree const& tree, HostFileSystem& file_system, CreationSink& sink, CreationOptions const& options)
{
    if (tree.IsTruncated() || tree.NodeCount() < 2)
        return CreationRun(tree, file_system, sink, options).CreateFolders();
    // A dry run makes nothing, and looks at one folder at a time.
    std::size_t const jobs = options.DryRun ? 1 : JobsBelowParentFolder(tree, file_system, options.Jobs);
    // One listing per folder that exists tells what is there, side by side on a share.
    TreeSurvey const survey = SurveyTree(tree, file_system, options.DryRun ? 1 : jobs);
    std::optional<CreationSummary> side_by_side;
    if (jobs > 1)
        side_by_side = CreateSideBySide(tree, file_system, sink, options, jobs, survey);
    if (!side_by_side) {
        CreationRun run(tree, file_system, sink, options);
        run.UseSurvey(&survey);
        side_by_side = run.CreateFolders();
        side_by_side->Jobs = { WalkersForDescriptors(jobs), 1 };
    }
    CreationSummary summary = *side_by_side;

    if (summary.Stopped)
        summary.NotTried = tree.NodeCount() - 1 - summary.Created - summary.Existed - summary.Failed;
    return summary;
}

} // namespace edamaki
