#pragma once

// "--rows FILE": one source run once for each row of a table, with the row's
// values. Every row is filled and read before anything is done, so that one
// bad row refuses the whole run; then each row's tree is read again, used and
// dropped, so that memory holds one row's tree and the table.

#include "cli/CommandLine.h"
#include "cli/SourceInput.h"
#include "core/disk/HostFileSystem.h"
#include "core/document/RowTable.h"
#include "core/tree/FolderTree.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace edamaki::cli {

struct RowSource {
    SourceInput Source; // as read, its placeholders not filled
    RowTable Table;
    std::string TableName; // the file name, or "standard input"
    CommandValues Given;   // "--set" and the date, for every row
};

// Reads the table "--rows" names, the source and the "--set" values; warns of
// a column or a "--set" name the source doesn't use. Reports an error, ending
// with `consequence`, and returns nullopt.
std::optional<RowSource> ReadRowSource(
    std::string_view command, ParsedArguments const& parsed, std::string_view consequence);

// "row 3 (line 5)": the data row, 1-based, and its line in the file.
std::string RowPlace(RowSource const& rows, std::size_t index);

// "row 3 (顧客=A社, 案件=見積)": the row with its values, for a report.
std::string RowWithValues(RowSource const& rows, std::size_t index);

// What is done with a row's tree once it is read.
enum class RowTreeUse {
    Run,     // the parent folder set and the run checked (create, verify)
    Convert, // read alone (convert)
};
using RowVisitor = std::function<void(std::size_t index, FolderTree& tree, SourceInput const& filled)>;

// Fills and reads each row's tree in the table's order and hands it to
// `visit`. A row that can't be filled or read is reported, naming the row, the
// column and the reason; the others are still read. Returns the number of
// rows refused: for the check before a run, when `visit` only looks.
std::size_t ForEachRowTree(std::string_view command, ParsedArguments const& parsed, RowSource const& rows,
    RowTreeUse use, HostNameConverter& names, RowVisitor const& visit);

// Checks every row before anything is done: true when each one fills and
// reads; otherwise reports the rows refused, ending with `consequence`.
bool CheckEveryRow(std::string_view command, ParsedArguments const& parsed, RowSource const& rows,
    RowTreeUse use, HostNameConverter& names, std::string_view consequence, RowVisitor const& look = {});

// What the help texts of the commands that take "--rows" say of it.
extern char const* const RowsHelp;

} // namespace edamaki::cli
