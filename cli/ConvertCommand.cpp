#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/OutputBuffer.h"
#include "cli/RowRuns.h"
#include "cli/SourceInput.h"
#include "core/document/SourceDocument.h"
#include "core/text/Encoding.h"
#include "core/text/StandIn.h"
#include "core/tree/FolderTree.h"

#include <cstring>
#include <iostream>

namespace edamaki::cli {

namespace {

constexpr char const* ConvertUsage
    = "usage: edamaki-cli convert --to macro|text [--set NAME=VALUE]... [--date YYYY-MM-DD]\n"
      "                           [--encoding auto|cp932|utf-8] [--rows TABLE]\n"
      "                           [FILE|-|--template NAME]\n"
      "\n"
      "Reads a source (FILE, or standard input when FILE is \"-\" or missing), reads\n"
      "its folder tree and writes the tree as a source of the other mode (or\n"
      "afresh, expanded, in its own mode) to standard output, in the encoding it\n"
      "was read in, with CR LF line ends. A parent folder line is carried over.\n"
      "A Shift-JIS source whose text, values filled in, holds a character that\n"
      "Shift-JIS can't hold as itself is written in UTF-8, and standard error says so.\n";

// Writes Shift-JIS lines to standard output as they come, each in the
// encoding the source was read in and followed by CR LF (a byte order mark
// first when the source had one). Nothing of the output is held but the
// buffer of the line being written.
class SourceLineWriter {
public:
    explicit SourceLineWriter(DetectedEncoding encoding)
        : m_encoding(encoding)
    {
        if (encoding.HasByteOrderMark)
            m_out << Utf8ByteOrderMark;
    }

    void Write(std::string_view shift_jis_line)
    {
        if (m_unconvertible_line)
            return;
        ++m_line;
        if (m_encoding.Encoding == TextEncoding::Utf8) {
            m_converted.clear();
            if (m_converter.AppendUtf8(shift_jis_line, m_converted)) {
                m_unconvertible_line = m_line;
                return;
            }
            shift_jis_line = m_converted;
        }
        m_out << shift_jis_line << "\r\n";
    }

    // Writes what is left. Fails with a message when a line could not be
    // converted (the lines before it were written) or the output not written.
    bool Finish(std::string& error)
    {
        m_out.Flush();
        if (m_unconvertible_line) {
            error = "line " + std::to_string(m_unconvertible_line)
                + " of the output: a folder name cannot be written as UTF-8; the output stops there";
            return false;
        }
        if (m_out.Failed()) {
            error = "cannot write the output: " + std::string(std::strerror(m_out.Error()));
            return false;
        }
        return true;
    }

private:
    DetectedEncoding const m_encoding;
    OutputBuffer m_out { STDOUT_FILENO };
    ShiftJisConverter m_converter;
    std::string m_converted;
    std::size_t m_line = 0;
    std::size_t m_unconvertible_line = 0;
};

} // namespace

namespace {

constexpr std::string_view NothingWritten = "nothing was written";

// The encoding of the output: the source's, but UTF-8 for a Shift-JIS source
// whose filled text holds a character Shift-JIS can't hold as itself.
DetectedEncoding OutputEncoding(DetectedEncoding encoding, bool holds_stand_in)
{
    if (encoding.Encoding != TextEncoding::ShiftJis || !holds_stand_in)
        return encoding;
    PrintError("convert: the output is written in UTF-8: it holds a character that Shift-JIS can't hold "
               "as itself");
    return { TextEncoding::Utf8, false };
}

SourceMode TargetMode(std::string const& to)
{
    return to == "macro" ? SourceMode::Macro : SourceMode::Text;
}

int FinishWriting(SourceLineWriter& writer)
{
    if (std::string error; !writer.Finish(error)) {
        PrintError(error);
        return ExitUsage;
    }
    return ExitSuccess;
}

// "convert --rows": each row's source one after the other, each after a
// comment line "; row N (line L)" that the readers skip.
int ConvertRows(ParsedArguments const& parsed, std::string const& to)
{
    auto const rows = ReadRowSource("convert", parsed, NothingWritten);
    if (!rows)
        return ExitUsage;
    HostFileSystem file_system;
    bool holds_stand_in = false;
    auto const look = [&holds_stand_in](std::size_t, FolderTree&, SourceInput const& filled) {
        holds_stand_in = holds_stand_in || FindStandIn(filled.Text) != std::string::npos;
    };
    if (!CheckEveryRow(
            "convert", parsed, *rows, RowTreeUse::Convert, file_system.Names(), NothingWritten, look))
        return ExitUsage;
    SourceLineWriter writer(OutputEncoding(rows->Source.Encoding, holds_stand_in));
    ForEachRowTree("convert", parsed, *rows, RowTreeUse::Convert, file_system.Names(),
        [&](std::size_t index, FolderTree& tree, SourceInput const& filled) {
            writer.Write("; " + RowPlace(*rows, index));
            WriteConvertedSource(tree, filled.Lines(), TargetMode(to),
                [&writer](std::string_view line) { writer.Write(line); });
        });
    return FinishWriting(writer);
}

} // namespace

int RunConvert(std::vector<std::string> const& arguments)
{
    int exit_status = ExitSuccess;
    std::string const usage = std::string(ConvertUsage) + "\n" + PlaceholderHelp + "\n" + RowsHelp
        + "Each row's source follows a comment line \"; row N (line L)\".\n";
    auto const parsed = ParseCommandArguments("convert", arguments,
        { { "--to", "--encoding", "--set", "--date", "--template", "--rows" }, {} }, usage, exit_status);
    if (!parsed)
        return exit_status;
    auto const to = parsed->Value("--to");
    if (!to || (*to != "macro" && *to != "text")) {
        PrintError("convert: --to must be \"macro\" or \"text\"");
        std::cerr << usage;
        return ExitUsage;
    }
    if (parsed->Value("--rows"))
        return ConvertRows(*parsed, *to);
    auto input = ReadCommandSource("convert", *parsed);
    if (!input || !FillCommandPlaceholders("convert", *parsed, *input, NothingWritten))
        return ExitUsage;

    FolderTree tree;
    if (!ReadSourceTree(*input, tree, NothingWritten))
        return ExitUsage;
    // Every name of the tree comes from the text: a text that Shift-JIS holds
    // exactly makes an output that it holds too.
    // The output is written as it is made: a deep tree's macro form is far
    // larger than the tree.
    SourceLineWriter writer(OutputEncoding(input->Encoding, FindStandIn(input->Text) != std::string::npos));
    WriteConvertedSource(
        tree, input->Lines(), TargetMode(*to), [&writer](std::string_view line) { writer.Write(line); });
    return FinishWriting(writer);
}

} // namespace edamaki::cli
