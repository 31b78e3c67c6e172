#pragma once

#include "core/text/SourceLines.h"
#include "core/tree/FolderTree.h"
#include "core/tree/SourceMap.h"
#include "core/tree/TagSyntax.h"

namespace edamaki {

// Reads a macro-mode source into the tree. Line 1 (the header) is skipped; line
// 2 may name the parent folder; ">" markers give the depth; tags are expanded
// when their block ends. Records every line's place in `map`.
void LoadMacroSource(FolderTree& tree, SourceMap& map, SourceLines const& lines);
// The same, for a caller that needs no map of the lines.
void LoadMacroSource(FolderTree& tree, SourceLines const& lines);

} // namespace edamaki
