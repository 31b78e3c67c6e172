#pragma once

// The creation run: makes on disk every folder of the tree below the parent
// folder, one level per call, in pre-order, and reports each folder to a sink.
// Each folder is looked up and made relative to the directory that holds it,
// never by its full path.

#include "core/disk/HostFileSystem.h"
#include "core/disk/WalkPool.h"
#include "core/disk/WindowsNames.h"
#include "core/text/ProgramTexts.h"
#include "core/tree/FolderTree.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <string_view>

namespace edamaki {

enum class FolderOutcome {
    Created,
    Existed,
    Failed,
};

// Why a folder failed, for a front end to say in its own words.
enum class FailureCause : std::uint8_t {
    None, // it didn't fail
    NoPermission,
    NoSpace,
    ReadOnly,
    InTheWay,     // something that is not a folder has its name
    MissingAbove, // the folder that would hold it is not there as a folder
    NameTooLong,  // its name, or its full path, is too long for the system
    InvalidName,  // empty, "." or "..", a separator, or a character the system's names can't hold
    NotTried,     // a folder above it was not valid, or is a link not followed
    LinkNotFollowed,
    UnusableParentFolder, // none, not absolute here, or not convertible to the system's names
    Other,                // the Reason says what the system said
};

struct FolderReport {
    // The folder's node in the tree.
    NodeId Node = NoNode;
    // The full path as the tree spells it (Shift-JIS): parent folder and names.
    std::string Path;
    // The same path in the host's encoding, exactly as passed to the file
    // system (for a folder refused before the file system was asked: as it
    // would have been); empty when the path could not be converted.
    std::string HostPath;
    FolderOutcome Outcome = FolderOutcome::Failed;
    FailureCause Cause = FailureCause::None;
    // For a failure: the system's reason, or why the folder was not tried
    // (UTF-8). For a folder that existed as a link leading outside the parent
    // folder: says so.
    std::string Reason;
    // The folder is a link that the run passed through to a folder outside
    // the parent folder: the full host path it leads to. Empty otherwise.
    std::string LinkTarget;
    // Why Windows clients of a share could not open the folder, if they
    // couldn't: legal here, so only a warning. Never set for a failure.
    WindowsNameIssue WindowsIssue = WindowsNameIssue::None;
    // A folder made (not planned by a dry run): which folder it is on disk,
    // when the system said, so that the run can be taken back exactly.
    bool HasIdentity = false;
    HostFolderIdentity Identity;
    std::uint64_t BirthTime = 0; // nanoseconds; 0 when the system keeps none
};

// Receives the outcome of a run, folder by folder, in walk order.
class CreationSink {
public:
    virtual ~CreationSink() = default;
    virtual void FolderHandled(FolderReport const& report) = 0;
    // The tree holds no folder below the root node.
    virtual void NothingToCreate() = 0;
};

// The report when the tree holds no folder (Shift-JIS).
constexpr std::string_view NothingToCreateMessage = NothingToCreateText.ShiftJis;

struct CreationOptions {
    // Report what would happen, line for line as a real run would, without
    // creating anything.
    bool DryRun = false;
    // Pass through links below the parent folder (a link that leads outside
    // it is reported). Without, a link below the parent folder fails, and the
    // folders below it are not tried; links in the parent folder's own path
    // are followed all the same.
    bool FollowLinks = true;
    // How many folders may be in the making at once, each in a subtree of
    // its own; 1 makes one after the other. 0 lets the run choose by the
    // parent folder's file system: several on a file server, where every
    // call waits on the network, one on a local disk. Whatever the number,
    // the report is the same, line for line. A dry run makes nothing and
    // looks at one folder at a time.
    std::size_t Jobs = 0;
    // Once asked for, the run tries no more folders; the ones being handled
    // are finished and reported.
    std::stop_token Stop = {};
    // Called with the full host path of each folder about to be made, on the
    // thread that makes it (several at once with several jobs): the journal
    // notes it ahead, so a run killed between the two knows of it.
    std::function<void(std::string const& host_path)> BeforeCreate = {};
};

struct CreationSummary {
    std::size_t Created = 0;
    std::size_t Existed = 0;
    std::size_t Failed = 0;
    // The tree was truncated by the folder budget: nothing was run.
    bool Refused = false;
    // The run was stopped: NotTried folders were never reached.
    bool Stopped = false;
    std::size_t NotTried = 0;
    // The folders made at once: fewer started than wanted when the system
    // allowed no more threads.
    WalkJobs Jobs;
};

// Runs over the whole tree with the host's file system. The caller refuses a
// truncated tree before it gets here.
CreationSummary CreateFolders(
    FolderTree const& tree, CreationSink& sink, CreationOptions const& options = {});
CreationSummary CreateFolders(FolderTree const& tree, HostFileSystem& file_system, CreationSink& sink,
    CreationOptions const& options = {});

} // namespace edamaki
