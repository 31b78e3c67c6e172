#pragma once

// Compares the folders on disk below the parent folder with the folders a
// creation run of the tree would make, and changes nothing. Each folder is
// looked up relative to the directory that holds it, never by its full path,
// and links are followed as the creation run follows them.

#include "core/disk/WalkPool.h"
#include "core/tree/FolderTree.h"

#include <cstddef>
#include <string>

namespace edamaki {

class HostFileSystem;

enum class FolderDifference {
    // The tree names the folder, and there is no folder there (nothing, or a
    // file, or a link that leads to no folder).
    Missing,
    // A folder on disk below the parent folder that the tree doesn't name.
    Extra,
    // Not a difference: the tree names the folder, and it is there under a
    // name that differs only by Unicode normalisation (NFC and NFD), which
    // counts as the same folder. HostPath is the path on disk.
    NamedOtherwise,
};

struct DifferenceReport {
    FolderDifference Kind = FolderDifference::Missing;
    // A missing folder's full path as the tree spells it (Shift-JIS); empty
    // for an extra folder.
    std::string Path;
    // The full path in the host's encoding; empty when the tree's path has
    // no host spelling.
    std::string HostPath;
};

// Receives the differences in walk order: the tree's folders in pre-order,
// and after the folders the tree names in a folder, the extra ones there.
class ComparisonSink {
public:
    virtual ~ComparisonSink() = default;
    virtual void FolderDiffers(DifferenceReport const& report) = 0;
    // A folder whose contents could not be looked at: what lies below it is
    // not compared. `reason` is the system's (UTF-8).
    virtual void FolderUnreadable(std::string const& host_path, std::string const& reason) = 0;
};

struct ComparisonOptions {
    // Also report the folders on disk that the tree doesn't name; hidden ones
    // (a name beginning with ".") are left out, and so is what is below a link.
    bool Extra = false;
    // How many folders may be looked into at once, each in a subtree of its
    // own; 1 looks at one after the other. 0 lets the comparison choose by
    // the parent folder's file system, as a creation run does. Whatever the
    // number, the sink hears the same, call for call.
    std::size_t Jobs = 0;
};

struct ComparisonSummary {
    std::size_t Matched = 0;
    std::size_t Missing = 0;
    std::size_t Extra = 0;
    std::size_t Unreadable = 0;
    // Of the matched: found under another normal form of their names.
    std::size_t NamedOtherwise = 0;
    // The folders looked into at once (see CreationSummary).
    WalkJobs Jobs;
    // Set when the parent folder itself could not be opened; nothing was
    // compared then.
    std::string ParentError;

    bool Differs() const { return Missing > 0 || Extra > 0; }
};

// The caller checks the tree first, as for a creation run: a parent folder
// that this host can use, and a tree that is not truncated. The sink is
// called on the caller's thread.
ComparisonSummary CompareFolders(FolderTree const& tree, HostFileSystem& file_system, ComparisonSink& sink,
    ComparisonOptions options = {});

} // namespace edamaki
