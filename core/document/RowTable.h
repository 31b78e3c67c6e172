#pragma once

// A table of values, one row per run of a source: CSV as spreadsheets write
// it. The header names placeholders; each row below gives their values.

#include "core/document/SourceFile.h"
#include "core/text/Encoding.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace edamaki {

struct TableRow {
    std::size_t Line = 0;            // the line of the file the row begins on, 1-based
    std::vector<std::string> Values; // one per column, the core's text
};

struct RowTable {
    std::vector<std::string> Columns; // the header's cells, the core's text
    std::vector<TableRow> Rows;       // without the blank ones
    DetectedEncoding Encoding;
    char Separator = ',';
};

struct RowTableError {
    std::size_t Line = 0; // the line of the file, 1-based; 0 for the file as a whole
    std::size_t Row = 0;  // the data row, 1-based; 0 for the header or the file as a whole
    std::string Reason;   // UTF-8
};

// Reads a table: RFC 4180 quoting (a quoted cell may hold the separator, a
// line break and a doubled quote), a comma or a tab as the separator (the one
// found outside quotes on the header line; a comma when it holds neither),
// UTF-8 with or without a byte order mark, or Shift-JIS, detected as sources
// are unless `choice` fixes it; CR LF or LF. A line of nothing but
// separators is blank and skipped. A row with more or fewer cells than the
// header, an empty or repeated header cell, a quote left open and bytes not
// valid in the encoding are errors naming where.
std::optional<RowTable> ParseRowTable(std::string_view bytes, EncodingChoice choice, RowTableError& error);

} // namespace edamaki
