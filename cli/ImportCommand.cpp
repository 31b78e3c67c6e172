#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/SourceInput.h"
#include "core/disk/FolderImport.h"

#include <iostream>

namespace edamaki::cli {

namespace {

constexpr char const* ImportUsage
    = "usage: edamaki-cli import [--encoding cp932|utf-8] DIR\n"
      "\n"
      "Prints a text-mode source of DIR's folder structure: one line per leaf\n"
      "folder, its path below DIR with \"\\\" between the names, sorted, with CR LF\n"
      "line ends, in Shift-JIS (cp932, the default) or UTF-8. Files and hidden\n"
      "folders (names beginning with \".\") are left out; links to folders are\n"
      "followed, but never back to a folder above them. Folders whose names a\n"
      "source can't hold are left out with everything below them and named on\n"
      "standard error.\n"
      "Exit status: 0 success, 1 some folders were left out, 2 usage error or DIR\n"
      "can't be read.\n";

} // namespace

int RunImport(std::vector<std::string> const& arguments)
{
    int exit_status = ExitSuccess;
    auto const parsed
        = ParseCommandArguments("import", arguments, { { "--encoding" }, {} }, ImportUsage, exit_status);
    if (!parsed)
        return exit_status;
    auto const encoding = ParseEncodingChoice(parsed->Value("--encoding").value_or("cp932"));
    if (!encoding || *encoding == EncodingChoice::Auto) {
        PrintError("import: --encoding must be cp932 or utf-8");
        return ExitUsage;
    }
    if (parsed->Positionals.size() != 1) {
        PrintError("import: give exactly one folder");
        std::cerr << ImportUsage;
        return ExitUsage;
    }

    std::string const& directory = parsed->Positionals.front();
    FolderImport const imported = CollectLeafFolders(directory);
    if (!imported.Readable) {
        PrintError("import: cannot read the folder " + directory);
        return ExitUsage;
    }
    for (std::size_t index = 0; index < imported.LeftOut.size(); ++index)
        PrintError("import: left out " + imported.LeftOut[index] + ": " + imported.LeftOutReasons[index]);

    DetectedEncoding const output_encoding {
        *encoding == EncodingChoice::Utf8 ? TextEncoding::Utf8 : TextEncoding::ShiftJis, false
    };
    if (std::string error; !WriteSourceLines(std::cout, imported.Lines, output_encoding, error)) {
        PrintError("import: " + error);
        return ExitUsage;
    }
    return imported.LeftOut.empty() ? ExitSuccess : ExitSomeFailed;
}

} // namespace edamaki::cli
