#pragma once

#include "core/text/SourceLines.h"
#include "core/tree/FolderTree.h"

#include <string_view>

namespace edamaki {

// What the text reader makes of a line, trimmed: nothing (blank), a comment
// (";" first), the parent folder line (line 1 alone, beginning with a drive or
// "/"), or a folder line.
enum class TextLineKind {
    Blank,
    Comment,
    ParentFolder,
    Folder,
};
TextLineKind ClassifyTextLine(std::string_view trimmed_line, bool first);

// Reads a text-mode source into the tree: one folder path per line, parts
// separated by "\"; line 1 may name the parent folder.
void LoadTextSource(FolderTree& tree, SourceLines const& lines);

// Applies a parent folder line (trimmed, beginning with a drive or "/"): sets
// the parent folder, or none when the path after the drive holds an invalid
// name character other than its separator.
void ApplyParentFolderLine(FolderTree& tree, std::string_view trimmed_line);

} // namespace edamaki
