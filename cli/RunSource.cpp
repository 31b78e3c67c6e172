#include "cli/RunSource.h"

#include "cli/Commands.h"
#include "core/document/SourceDocument.h"
#include "core/text/Printable.h"
#include "core/text/ProgramTexts.h"
#include "core/text/ShiftJis.h"
#include "core/text/StandIn.h"

#include <cstdio>
#include <filesystem>

namespace edamaki::cli {

namespace {

// The parent folder given on the command line, as the tree holds it
// (Shift-JIS). A relative path is taken from the current folder; a
// Windows-style path stays as it is, and the run refuses it.
std::optional<std::string> ParentFolderFromArgument(
    std::string const& argument, HostNameConverter& names, std::string& error)
{
    std::string host_path = argument;
    if (!BeginsWithDrive(host_path) && !HostFileSystem::IsAbsoluteFolderPath(host_path)) {
        std::error_code failure;
        std::string const current = std::filesystem::current_path(failure).string();
        if (failure) {
            error = "cannot find the current folder: " + failure.message();
            return std::nullopt;
        }
        host_path = current;
        if (argument != "." && argument != "./")
            host_path += HostFileSystem::Separator + argument;
    }
    std::string shift_jis;
    if (!names.AppendShiftJisText(host_path, shift_jis)) {
        error = "the parent folder " + EscapeForTerminal(host_path) + " is not valid UTF-8";
        return std::nullopt;
    }
    return shift_jis;
}

// Why the command does not start.
std::string RunRefusalMessage(std::string_view command, std::string_view consequence,
    RunRefusal const& refusal, SourceInput const& input, FolderTree const& tree, HostNameConverter& names)
{
    switch (refusal.Reason) {
    case RunRefusal::NoParentFolder:
        return std::string(NoParentFolderText);
    case RunRefusal::UnusableParentFolder: {
        std::string parent;
        names.AppendHostText(tree.GetRootPath(), parent);
        return std::string(command) + ": the parent folder " + EscapeForTerminal(parent)
            + " is not an absolute path on this system; " + std::string(consequence);
    }
    case RunRefusal::TooManyFolders:
        break;
    }
    return TooManyFoldersMessage(input, refusal.Stop, consequence);
}

} // namespace

std::optional<SourceInput> ReadRunSource(std::string_view command, ParsedArguments const& parsed,
    FolderTree& tree, HostNameConverter& names, std::string_view consequence)
{
    auto const parent_argument = parsed.Value("--parent");
    if (parent_argument && parent_argument->empty()) {
        PrintError(std::string(command) + ": --parent needs a folder");
        return std::nullopt;
    }

    auto input = ReadCommandSource(command, parsed);
    if (!input || !FillCommandPlaceholders(command, parsed, *input, consequence))
        return std::nullopt;
    if (!ReadRunTree(command, parsed, *input, tree, names, consequence))
        return std::nullopt;
    return input;
}

bool ReadRunTree(std::string_view command, ParsedArguments const& parsed, SourceInput const& input,
    FolderTree& tree, HostNameConverter& names, std::string_view consequence)
{
    auto const parent_argument = parsed.Value("--parent");
    ReadSource(tree, input.Lines());
    if (parent_argument) {
        std::string error;
        auto const parent = ParentFolderFromArgument(*parent_argument, names, error);
        if (!parent) {
            PrintError(std::string(command) + ": " + error);
            return false;
        }
        tree.SetRootPath(*parent);
    }
    if (auto const refusal = CheckCreationRun(tree)) {
        PrintError(RunRefusalMessage(command, consequence, *refusal, input, tree, names));
        return false;
    }
    return true;
}

std::string DisplayablePath(std::string_view shift_jis, HostNameConverter& names)
{
    std::string text;
    for (std::size_t offset = 0; offset < shift_jis.size();) {
        std::size_t const length = EditorCharacterLength(shift_jis, offset);
        if (!names.AppendHostText(shift_jis.substr(offset, length), text)) {
            for (std::size_t index = 0; index < length; ++index) {
                char hex[8];
                std::snprintf(
                    hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(shift_jis[offset + index]));
                text += hex;
            }
        }
        offset += length;
    }
    return text;
}

void NoteJobsStarted(std::string_view command, WalkJobs jobs)
{
    if (jobs.Started >= jobs.Wanted)
        return;
    PrintError(std::string(command) + ": the system started " + std::to_string(jobs.Started) + " of the "
        + std::to_string(jobs.Wanted) + " threads wanted (a limit on processes); the walk went on with "
        + std::to_string(jobs.Started));
}

std::string WindowsIssueWarning(std::string_view command, std::string_view host_path, WindowsNameIssue issue)
{
    std::string why;
    switch (issue) {
    case WindowsNameIssue::DeviceName:
        why = "the name is a device name on Windows (CON, PRN, AUX, NUL, COM1-9, LPT1-9)";
        break;
    case WindowsNameIssue::EndsInDotOrBlank:
        why = "the name ends in a dot or a blank, which Windows drops";
        break;
    case WindowsNameIssue::PathTooLong:
        why = "the path below the parent folder is longer than " + std::to_string(WindowsPathLimit)
            + " characters, too long for most Windows programs";
        break;
    case WindowsNameIssue::None:
        return {};
    }
    return std::string(command) + ": warning: " + EscapeForTerminal(host_path)
        + ": Windows clients can't open this folder: " + why + "\n";
}

} // namespace edamaki::cli
