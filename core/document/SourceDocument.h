#pragma once

// Rules of the source document that the desktop program and the command line
// share: the mode taken from the first line, the parent folder line, reading
// a source into the tree and converting it into the other mode.

#include "core/tree/FolderTree.h"

#include <string>
#include <string_view>
#include <vector>

namespace edamaki {

enum class SourceMode {
    Text,
    Macro,
};

// Macro mode when the first line, trimmed, is the macro header byte for byte.
SourceMode DetectSourceMode(std::vector<std::string> const& lines);

// The document's own test for a parent folder line: its second character is
// ":", it begins with two backslashes, or it begins with "/".
bool IsParentFolderLine(std::string_view line);

// Reads the lines into the tree with the reader of their mode.
void ReadSource(FolderTree& tree, std::vector<std::string> const& lines);

// Writes the tree (already read from `lines`) as a source of mode `to`,
// carrying the parent folder line over: line 1 of a text source or line 2 of a
// macro source goes to line 1 of a text result or line 2 of a macro result. A
// macro result is read back into the tree, as the desktop program does.
std::vector<std::string> ConvertSource(
    FolderTree& tree, std::vector<std::string> const& lines, SourceMode to);

// Removes the characters of codes 0 to 32 at both ends of every line.
void TrimLines(std::vector<std::string>& lines);

} // namespace edamaki
