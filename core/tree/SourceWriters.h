#pragma once

// Writers that turn the folder tree back into source lines. Neither writes the
// parent folder line; comments and tags of the old source do not survive.

#include "core/tree/FolderTree.h"

#include <string>
#include <string_view>
#include <vector>

namespace edamaki {

constexpr std::string_view MacroHeader = "<?dezodedu-macro?>";

// One line per leaf folder: the names from its top-level folder down, joined by
// "\". Clears TreeEdited and MacroMode.
void MakeText(FolderTree& tree, std::vector<std::string>& lines);
// Appends the text-mode lines of the subtree of `node`, whose own path is `path`.
void MakeTextChild(
    FolderTree const& tree, std::vector<std::string>& lines, std::string_view path, NodeId node);

// The macro header, then one line per folder with a ">" per level below the
// top. Clears TreeEdited and sets MacroMode. Before the first read (no nodes at
// all) it leaves the lines and the flags alone.
void MakeScript(FolderTree& tree, std::vector<std::string>& lines);
// Appends the macro-mode lines of the children of `node`, each behind `markers`.
void MakeScriptChild(
    FolderTree const& tree, std::vector<std::string>& lines, std::string_view markers, NodeId node);

} // namespace edamaki
