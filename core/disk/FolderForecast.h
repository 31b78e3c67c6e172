#pragma once

// What a creation run would do with each folder of the tree below the parent
// folder, before it runs: the dry run's lines, each put on its node. The walk
// is the dry run's own (descriptor by descriptor, never writing), so a
// forecast and the run it forecasts never disagree about the disk as it
// stands.

#include "core/disk/CreationRun.h"
#include "core/tree/FolderTree.h"

#include <cstddef>
#include <cstdint>
#include <stop_token>
#include <string>
#include <vector>

namespace edamaki {

class HostFileSystem;

enum class FolderMark : std::uint8_t {
    Pending,  // not looked at (the forecast was stopped, or is not there yet)
    Existing, // there already
    New,      // the run would make it
    Failing,  // the run would fail to make it
};

// The parent folder as the run would find it.
enum class ParentFolderState : std::uint8_t {
    None,        // no parent folder is set
    Unusable,    // not an absolute path on this system, or not convertible to its names
    Missing,     // nothing there
    NotAFolder,  // something that is not a folder
    Unreachable, // this user may not get to it, or the system can't open it
    NotWritable, // a folder this user may not make folders in
    Usable,
};

class FolderForecast {
public:
    FolderMark MarkOf(NodeId node) const;
    // For a failing folder, why; for an existing one, a note (a link leading
    // outside the parent folder); otherwise FailureCause::None and "".
    FailureCause CauseOf(NodeId node) const;
    std::string const& ReasonOf(NodeId node) const;
    // For an existing folder that is a link leading outside the parent
    // folder: the full host path it leads to; otherwise "".
    std::string const& LinkTargetOf(NodeId node) const;
    // Why Windows clients could not open the folder, if they couldn't.
    WindowsNameIssue WindowsIssueOf(NodeId node) const;

    ParentFolderState Parent = ParentFolderState::None;
    std::size_t New = 0;
    std::size_t Existing = 0;
    std::size_t Failing = 0;
    // Folders that Windows clients could not open (WindowsIssueOf).
    std::size_t WindowsIssues = 0;
    // Every folder was looked at.
    bool Complete = false;

private:
    friend class ForecastSink;

    std::vector<FolderMark> m_marks; // by node id
    std::vector<FailureCause> m_causes;
    // The reasons, each once; a node's index in m_reason_of (0: none).
    std::vector<std::string> m_reasons { std::string() };
    std::vector<std::uint32_t> m_reason_of;
    // The same for link targets; empty until the first link is met.
    std::vector<std::uint32_t> m_link_of;
    // By node id; empty until the first issue is met.
    std::vector<WindowsNameIssue> m_windows_issues;
};

// Forecasts the run over the tree below its parent folder. Stops early, with
// the folders not reached Pending, when `stop` is asked for.
FolderForecast ForecastFolders(
    FolderTree const& tree, HostFileSystem& file_system, std::stop_token stop = {});

// The parent folder `tree` names, looked at.
ParentFolderState LookAtParentFolder(FolderTree const& tree, HostFileSystem& file_system);

} // namespace edamaki
