#pragma once

// Writers that turn the folder tree back into source lines. Neither writes the
// parent folder line; comments and tags of the old source do not survive.
// Each writer hands its lines, one at a time, to a sink as it makes them, so
// that a caller can write out a source far larger than it wants to hold; the
// forms that fill a list of lines are built on them.

#include "core/tree/FolderTree.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace edamaki {

constexpr std::string_view MacroHeader = "<?dezodedu-macro?>";

// Receives each line a writer makes, in order. The text is valid only during
// the call.
using LineSink = std::function<void(std::string_view line)>;

// One line per leaf folder: the names from its top-level folder down, joined by
// "\".
void MakeText(FolderTree const& tree, LineSink const& sink);
void MakeText(FolderTree const& tree, std::vector<std::string>& lines);
// The text-mode lines of the subtree of `node`, whose own path is `path`.
void MakeTextChild(FolderTree const& tree, LineSink const& sink, std::string_view path, NodeId node);
void MakeTextChild(
    FolderTree const& tree, std::vector<std::string>& lines, std::string_view path, NodeId node);

// Whether the text reader reads a folder of this name, written by MakeText,
// back as it is: a folder name without blanks at its ends that, at the top
// level, begins its line as a folder line does (not as a comment or a parent
// folder line).
bool IsTextModeName(std::string_view name, bool top_level);

// The macro header, then one line per folder with a ">" per level below the
// top. Before the first read (no nodes at all) it writes nothing, and the
// list form leaves the lines alone.
void MakeScript(FolderTree const& tree, LineSink const& sink);
void MakeScript(FolderTree const& tree, std::vector<std::string>& lines);
// The macro-mode lines of the children of `node`, each behind `markers`.
void MakeScriptChild(FolderTree const& tree, LineSink const& sink, std::string_view markers, NodeId node);
void MakeScriptChild(
    FolderTree const& tree, std::vector<std::string>& lines, std::string_view markers, NodeId node);

} // namespace edamaki
