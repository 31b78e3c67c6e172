#include "cli/RowRuns.h"

#include "cli/Commands.h"
#include "cli/RunSource.h"
#include "core/text/Placeholders.h"
#include "core/text/Printable.h"
#include "core/text/ShiftJis.h"

#include <set>

namespace edamaki::cli {

char const* const RowsHelp = "--rows TABLE runs the source once for each row of TABLE (a file, or \"-\" for\n"
                             "standard input; the source then comes from FILE or --template): CSV as\n"
                             "spreadsheets write it, a comma or a tab between cells, UTF-8 or Shift-JIS.\n"
                             "The first line names placeholders, one per column; each row below gives\n"
                             "their values (an empty cell gives none: --set, the default or the built-in\n"
                             "applies). A row's own value wins over --set. Every row is checked before\n"
                             "anything is done: one bad row (a value refused, a ragged row) is named with\n"
                             "its line and column, exit status 2, and nothing is done.\n";

namespace {

std::string Utf8Text(std::string const& shift_jis)
{
    ShiftJisConverter converter;
    std::string utf8;
    if (converter.AppendUtf8(shift_jis, utf8))
        return "?";
    return EscapeForTerminal(utf8);
}

std::string TableErrorPlace(RowTableError const& error)
{
    if (error.Row > 0)
        return "row " + std::to_string(error.Row) + " (line " + std::to_string(error.Line) + "): ";
    if (error.Line > 0)
        return "line " + std::to_string(error.Line) + ": ";
    return {};
}

// Warns of each column whose placeholder the source doesn't hold.
void WarnOfUnusedColumns(std::string_view command, RowSource const& rows)
{
    std::set<std::string> used;
    for (Placeholder const& placeholder : FindPlaceholders(rows.Source.Text))
        used.insert(placeholder.Name);
    for (std::string const& column : rows.Table.Columns) {
        if (!used.contains(column))
            PrintError(std::string(command) + ": warning: " + rows.TableName + ": column " + Utf8Text(column)
                + ": the source has no placeholder " + PlaceholderText(column));
    }
}

bool ReadTable(std::string_view command, ParsedArguments const& parsed, std::string const& path,
    RowSource& rows, std::string_view consequence)
{
    std::string error;
    auto const bytes = ReadAllBytes(path, error, false, "table");
    if (!bytes) {
        PrintError(std::string(command) + ": " + error + "; " + std::string(consequence));
        return false;
    }
    auto const choice = ParseEncodingChoice(parsed.Value("--encoding").value_or("auto"));
    RowTableError problem;
    auto table = ParseRowTable(*bytes, choice.value_or(EncodingChoice::Auto), problem);
    if (!table) {
        PrintError(std::string(command) + ": " + rows.TableName + ": " + TableErrorPlace(problem)
            + problem.Reason + "; " + std::string(consequence));
        return false;
    }
    rows.Table = std::move(*table);
    return true;
}

} // namespace

std::optional<RowSource> ReadRowSource(
    std::string_view command, ParsedArguments const& parsed, std::string_view consequence)
{
    std::string const path = parsed.Value("--rows").value_or("-");
    bool const source_from_input
        = !parsed.Value("--template") && (parsed.Positionals.empty() || parsed.Positionals.front() == "-");
    if (path == "-" && source_from_input) {
        PrintError(std::string(command)
            + ": --rows - reads the table from standard input: give the source as a file or --template");
        return std::nullopt;
    }
    RowSource rows;
    rows.TableName = path == "-" ? "standard input" : path;
    auto source = ReadCommandSource(command, parsed);
    if (!source)
        return std::nullopt;
    rows.Source = std::move(*source);
    auto given = ReadCommandValues(command, parsed, consequence);
    if (!given || !ReadTable(command, parsed, path, rows, consequence))
        return std::nullopt;
    rows.Given = std::move(*given);
    WarnOfUnusedValues(command, rows.Given.Values, rows.Source.Text);
    WarnOfUnusedColumns(command, rows);
    return rows;
}

std::string RowPlace(RowSource const& rows, std::size_t index)
{
    return "row " + std::to_string(index + 1) + " (line " + std::to_string(rows.Table.Rows[index].Line) + ")";
}

std::string RowWithValues(RowSource const& rows, std::size_t index)
{
    std::string text;
    TableRow const& row = rows.Table.Rows[index];
    for (std::size_t column = 0; column < row.Values.size(); ++column) {
        if (row.Values[column].empty())
            continue;
        text += text.empty() ? "" : ", ";
        text += Utf8Text(rows.Table.Columns[column]) + "=" + Utf8Text(row.Values[column]);
    }
    return "row " + std::to_string(index + 1) + (text.empty() ? "" : " (" + text + ")");
}

namespace {

// The values of one row: "--set" for all, the row's own cells over them.
std::map<std::string, std::string> RowValues(RowSource const& rows, std::size_t index)
{
    std::map<std::string, std::string> values = rows.Given.Values;
    TableRow const& row = rows.Table.Rows[index];
    for (std::size_t column = 0; column < row.Values.size(); ++column) {
        if (!row.Values[column].empty())
            values.insert_or_assign(rows.Table.Columns[column], row.Values[column]);
    }
    return values;
}

bool FillRow(std::string_view command, RowSource const& rows, std::size_t index, SourceInput& filled)
{
    std::set<std::string> const columns(rows.Table.Columns.begin(), rows.Table.Columns.end());
    std::string const place = rows.TableName + ": " + RowPlace(rows, index);
    auto const where = [&](PlaceholderRefusal const& refusal) {
        if (columns.contains(refusal.Name))
            return place + ", column " + Utf8Text(refusal.Name) + ": ";
        return place + ": ";
    };
    filled.Text = rows.Source.Text;
    filled.Encoding = rows.Source.Encoding;
    filled.DisplayName = rows.Source.DisplayName + " with " + place;
    return FillSourceText(command, RowValues(rows, index), rows.Given.Date, filled.Text, where, {});
}

} // namespace

std::size_t ForEachRowTree(std::string_view command, ParsedArguments const& parsed, RowSource const& rows,
    RowTreeUse use, HostNameConverter& names, RowVisitor const& visit)
{
    std::size_t refused = 0;
    SourceInput filled;
    for (std::size_t index = 0; index < rows.Table.Rows.size(); ++index) {
        FolderTree tree;
        bool read = FillRow(command, rows, index, filled);
        if (read && use == RowTreeUse::Run)
            read = ReadRunTree(command, parsed, filled, tree, names, "the row can't be used");
        else if (read)
            read = ReadSourceTree(filled, tree, "the row can't be used");
        if (!read) {
            ++refused;
            continue;
        }
        if (visit)
            visit(index, tree, filled);
    }
    return refused;
}

bool CheckEveryRow(std::string_view command, ParsedArguments const& parsed, RowSource const& rows,
    RowTreeUse use, HostNameConverter& names, std::string_view consequence, RowVisitor const& look)
{
    if (rows.Table.Rows.empty()) {
        PrintError(std::string(command) + ": " + rows.TableName + ": the table has no rows; "
            + std::string(consequence));
        return false;
    }
    std::size_t const refused = ForEachRowTree(command, parsed, rows, use, names, look);
    if (refused == 0)
        return true;
    PrintError(std::string(command) + ": " + GroupedNumber(refused) + " of "
        + GroupedNumber(rows.Table.Rows.size()) + " rows can't be used; " + std::string(consequence));
    return false;
}

} // namespace edamaki::cli
