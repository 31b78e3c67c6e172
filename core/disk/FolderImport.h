#pragma once

// Folder structure import: the leaf folders below a folder on disk, as the
// lines of a text-mode source.

#include "core/disk/WalkPool.h"
#include "core/tree/FolderTree.h"

#include <cstddef>
#include <string>
#include <vector>

namespace edamaki {

class HostFileSystem;

// A folder the import names to the user: its host path (UTF-8; a name that is
// not UTF-8 is kept as its bytes) and why (English).
struct ImportNotice {
    std::string HostPath;
    std::string Reason;
};

struct FolderImport {
    // False when the folder itself can't be read; nothing else is set then.
    bool Readable = false;
    // Text-mode source lines (Shift-JIS), one per leaf folder, in order.
    std::vector<std::string> Lines;
    // Folders left out with everything below them: names a source can't hold,
    // links back to a folder above them, folders listed already under another
    // path (each real folder is listed once).
    std::vector<ImportNotice> LeftOut;
    // Folders whose contents could not be read: each stands in Lines as a
    // leaf, but what is below it is missing.
    std::vector<ImportNotice> Unreadable;
    // The folder holds more folders than one read may make: the import
    // stopped, and Lines, LeftOut and Unreadable are left empty.
    bool Truncated = false;
    std::size_t FolderBudget = FolderTree::DefaultFolderBudget;
    // The folders read at once (see CreationSummary).
    WalkJobs Jobs;
};

// `directory` is a host path (UTF-8). Every real folder is visited once,
// however many links lead to it; the depth of the tree is not limited by the
// length of its paths. `jobs`: how many folders may be read at once, each in
// a subtree of its own; 1 reads one after the other. 0 lets the import
// choose by the folder's file system, as a creation run does. Whatever the
// number, the result is the same.
FolderImport CollectLeafFolders(std::string const& directory,
    std::size_t folder_budget = FolderTree::DefaultFolderBudget, std::size_t jobs = 0);
FolderImport CollectLeafFolders(std::string const& directory, HostFileSystem& file_system,
    std::size_t folder_budget = FolderTree::DefaultFolderBudget, std::size_t jobs = 0);

} // namespace edamaki
