#pragma once

// Folder structure import: the leaf folders below a folder on disk, as the
// lines of a text-mode source.

#include <string>
#include <vector>

namespace edamaki {

struct FolderImport {
    // False when the folder itself can't be read; nothing else is set then.
    bool Readable = false;
    // Text-mode source lines (Shift-JIS), one per leaf folder.
    std::vector<std::string> Lines;
    // Host paths (UTF-8) of folders left out, with everything below them,
    // because their names can't be written in a source, or because they are
    // links back to a folder above them. A name that is not UTF-8 is kept as
    // its bytes.
    std::vector<std::string> LeftOut;
    // Why each folder of LeftOut was left out, in the same order (English).
    std::vector<std::string> LeftOutReasons;
};

// `directory` is a host path (UTF-8).
FolderImport CollectLeafFolders(std::string const& directory);

} // namespace edamaki
