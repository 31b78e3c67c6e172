#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/SourceInput.h"
#include "core/document/SourceDocument.h"
#include "core/tree/FolderTree.h"

#include <iostream>

namespace edamaki::cli {

namespace {

constexpr char const* ConvertUsage
    = "usage: edamaki-cli convert --to macro|text [--encoding auto|cp932|utf-8] [FILE|-]\n"
      "\n"
      "Reads a source (FILE, or standard input when FILE is \"-\" or missing), reads\n"
      "its folder tree and writes the tree as a source of the other mode (or\n"
      "afresh, expanded, in its own mode) to standard output, in the encoding it\n"
      "was read in, with CR LF line ends. A parent folder line is carried over.\n";

} // namespace

int RunConvert(std::vector<std::string> const& arguments)
{
    int exit_status = ExitSuccess;
    auto const parsed = ParseCommandArguments(
        "convert", arguments, { { "--to", "--encoding" }, {} }, ConvertUsage, exit_status);
    if (!parsed)
        return exit_status;
    auto const to = parsed->Value("--to");
    if (!to || (*to != "macro" && *to != "text")) {
        PrintError("convert: --to must be \"macro\" or \"text\"");
        std::cerr << ConvertUsage;
        return ExitUsage;
    }
    auto const input = ReadCommandSource("convert", *parsed);
    if (!input)
        return ExitUsage;

    FolderTree tree;
    if (!ReadSourceTree(*input, tree, "nothing was written"))
        return ExitUsage;
    auto const output
        = ConvertSource(tree, input->Lines, *to == "macro" ? SourceMode::Macro : SourceMode::Text);
    if (std::string error; !WriteSourceLines(std::cout, output, input->Encoding, error)) {
        PrintError(error);
        return ExitUsage;
    }
    return ExitSuccess;
}

} // namespace edamaki::cli
