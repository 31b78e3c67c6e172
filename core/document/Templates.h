#pragma once

// Templates: source files kept for each kind of work, one structure to make
// every project of that kind from, usually with placeholders. They live in
// the user's folder, $XDG_DATA_HOME/edamaki/templates (by default
// ~/.local/share/edamaki/templates), and in edamaki/templates under each of
// $XDG_DATA_DIRS (by default /usr/local/share and /usr/share), where a package
// installs them. A template's name is its file name without the extension;
// the user's own wins over an installed one of the same name, an earlier
// folder of $XDG_DATA_DIRS over a later one. Paths are the host's (UTF-8).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace edamaki {

// A template NAME.fms may carry a sample table of values beside it,
// NAME.csv (see RowTable), for running it once per row.
inline constexpr char const* SampleTableExtension = ".csv";

struct SourceTemplate {
    std::string Name;
    std::string Path;
    // In the user's own folder, not an installed one.
    bool Own = false;
    // For the user's own template: the installed one of the same name that it
    // hides from a look-up by name, or "".
    std::string HiddenInstalledPath;
};

// The folders looked in, the user's first. `environment` reads a variable
// (getenv when not given), for tests.
std::vector<std::string> TemplateFolders(char const* (*environment)(char const*) = nullptr);

// The user's own folder, where a template is saved.
std::string OwnTemplateFolder(char const* (*environment)(char const*) = nullptr);

// Every template, each name once, sorted by name (an own template that hides
// an installed one says which).
std::vector<SourceTemplate> ListTemplates(char const* (*environment)(char const*) = nullptr);

// The template of that name, or nullopt.
std::optional<SourceTemplate> FindTemplate(
    std::string_view name, char const* (*environment)(char const*) = nullptr);

// Opens the template file at `path` for reading without waiting: a FIFO or a
// device put where a template was listed would otherwise hold the opening (or
// the read) for ever. The type is checked on the opened descriptor, so nothing
// can be swapped in between. Returns the descriptor (blocking again, to be
// closed by the caller), or -1 with `error` set: the system's errno, or
// NotARegularFile.
inline constexpr int NotARegularFile = -1;
int OpenTemplateFile(std::string const& path, int& error);

} // namespace edamaki
