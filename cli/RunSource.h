#pragma once

// The source of a command that works below a parent folder (create, verify):
// read into a folder tree, its parent folder taken from "--parent" or from the
// source, and checked as a creation run is checked before it starts.

#include "cli/CommandLine.h"
#include "cli/SourceInput.h"
#include "core/disk/HostFileSystem.h"
#include "core/disk/WalkPool.h"
#include "core/disk/WindowsNames.h"
#include "core/tree/FolderTree.h"

#include <optional>
#include <string>
#include <string_view>

namespace edamaki::cli {

// Reads the source the parsed arguments name into `tree` and sets its parent
// folder. On an input error or a refusal prints why, naming `command` and
// ending a refusal with `consequence` ("nothing was created"), and returns
// nullopt: the caller exits with the usage status.
std::optional<SourceInput> ReadRunSource(std::string_view command, ParsedArguments const& parsed,
    FolderTree& tree, HostNameConverter& names, std::string_view consequence);

// Reads the filled source into `tree` and sets its parent folder ("--parent"
// or the source's), checked as ReadRunSource checks it. Reports a refusal,
// naming the input's DisplayName, and returns false.
bool ReadRunTree(std::string_view command, ParsedArguments const& parsed, SourceInput const& input,
    FolderTree& tree, HostNameConverter& names, std::string_view consequence);

// A path of the tree (Shift-JIS) for the terminal: UTF-8 where it converts,
// the bytes of any character that doesn't as \xNN.
std::string DisplayablePath(std::string_view shift_jis, HostNameConverter& names);

// Says once, on standard error, when the system started fewer walkers than
// the walk wanted (a session's limit on threads).
void NoteJobsStarted(std::string_view command, WalkJobs jobs);

// The warning for a folder that Windows clients of a share could not open:
// "COMMAND: warning: PATH: why".
std::string WindowsIssueWarning(std::string_view command, std::string_view host_path, WindowsNameIssue issue);

} // namespace edamaki::cli
