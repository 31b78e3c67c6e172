#pragma once

// A small parser for "command [--option value] [--flag] [ARGUMENT...]" command
// lines, as the subcommands of edamaki-cli take them.

#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace edamaki::cli {

struct OptionTable {
    std::set<std::string> ValueOptions; // "--to" takes a value
    std::set<std::string> FlagOptions;  // "--dry-run" takes none
};

struct ParsedArguments {
    // The last value of each option given.
    std::map<std::string, std::string> Values;
    // Every value option as given, in order, for the ones that may repeat.
    std::vector<std::pair<std::string, std::string>> Given;
    std::set<std::string> Flags;
    std::vector<std::string> Positionals;

    std::optional<std::string> Value(std::string const& name) const;
    std::vector<std::string> AllValues(std::string const& name) const;
    bool Has(std::string const& flag) const { return Flags.contains(flag); }
};

// Parses `arguments` (without the program and command names). Accepts both
// "--name value" and "--name=value"; "--" ends the options; "-" alone is a
// positional. On a usage error returns nullopt and sets `error`.
std::optional<ParsedArguments> ParseArguments(
    std::vector<std::string> const& arguments, OptionTable const& options, std::string& error);

// A command's arguments: "--help" or "-h" anywhere prints `usage` to standard
// output; a usage error is reported with `usage` on standard error. In both
// cases returns nullopt with the command's exit status in `exit_status`.
std::optional<ParsedArguments> ParseCommandArguments(std::string_view command,
    std::vector<std::string> const& arguments, OptionTable const& options, std::string_view usage,
    int& exit_status);

// The value of "--jobs N": how many calls a walk keeps in flight, 1 to
// MostJobs; 0 when the option is not given (the walk chooses). A value that is
// not such a number is reported with `usage` as a usage error, and the
// result is nullopt with the exit status set.
inline constexpr std::size_t MostJobs = 256;
std::optional<std::size_t> ParseJobs(
    std::string_view command, ParsedArguments const& parsed, std::string_view usage, int& exit_status);

} // namespace edamaki::cli
