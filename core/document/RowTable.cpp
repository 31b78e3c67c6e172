#include "core/document/RowTable.h"

#include <algorithm>
#include <set>

namespace edamaki {

namespace {

// The line (1-based) that the byte at `offset` stands on.
std::size_t LineOf(std::string_view text, std::size_t offset)
{
    std::size_t line = 1;
    for (std::size_t at = 0; at < offset && at < text.size(); ++at) {
        if (text[at] == '\n' || (text[at] == '\r' && (at + 1 == text.size() || text[at + 1] != '\n')))
            ++line;
    }
    return line;
}

// The separator of the header line: a tab when it holds more tabs than
// commas outside quotes, a comma otherwise.
char DetectSeparator(std::string_view text)
{
    std::size_t commas = 0;
    std::size_t tabs = 0;
    bool quoted = false;
    for (char const byte : text) {
        if (byte == '"')
            quoted = !quoted;
        else if (!quoted && (byte == '\r' || byte == '\n'))
            break;
        else if (!quoted && byte == ',')
            ++commas;
        else if (!quoted && byte == '\t')
            ++tabs;
    }
    return tabs > commas ? '\t' : ',';
}

// Reads records cell by cell. Works on the bytes of either encoding: no
// second byte of a Shift-JIS character is a quote, a separator or a line end.
class RecordReader {
public:
    RecordReader(std::string_view text, char separator)
        : m_text(text)
        , m_separator(separator)
    {
    }

    bool AtEnd() const { return m_at >= m_text.size(); }
    std::size_t Line() const { return m_line; }

    // Reads the next record into `cells`. False with `error` set when a
    // quote is left open or text follows a closing quote.
    bool Next(std::vector<std::string>& cells, RowTableError& error)
    {
        cells.assign(1, {});
        m_cell_start = m_at;
        while (!AtEnd()) {
            char const byte = m_text[m_at];
            if (byte == '\r' || byte == '\n') {
                EndLine();
                return true;
            }
            ++m_at;
            bool const opens_quote = byte == '"' && m_at - 1 == m_cell_start;
            if (byte == m_separator) {
                cells.emplace_back();
                m_cell_start = m_at;
            } else if (opens_quote && !ReadQuoted(cells.back(), error)) {
                return false;
            } else if (!opens_quote) {
                cells.back() += byte;
            }
        }
        return true;
    }

private:
    void EndLine()
    {
        if (m_text[m_at] == '\r' && m_at + 1 < m_text.size() && m_text[m_at + 1] == '\n')
            ++m_at;
        ++m_at;
        ++m_line;
    }

    // After an opening quote: up to the closing one, which a separator or a
    // line end must follow.
    bool ReadQuoted(std::string& cell, RowTableError& error)
    {
        std::size_t const opened = m_line;
        for (;;) {
            std::size_t const quote = m_text.find('"', m_at);
            if (quote == std::string_view::npos) {
                error = { opened, 0, "a quoted value is not closed" };
                return false;
            }
            std::string_view const part = m_text.substr(m_at, quote - m_at);
            cell += part;
            m_line += LineOf(part, part.size()) - 1;
            m_at = quote + 1;
            if (m_at < m_text.size() && m_text[m_at] == '"') {
                cell += '"';
                ++m_at;
                continue;
            }
            if (AtEnd() || m_text[m_at] == m_separator || m_text[m_at] == '\r' || m_text[m_at] == '\n')
                return true;
            error = { m_line, 0, "text after the closing quote of a value" };
            return false;
        }
    }

    std::string_view m_text;
    char m_separator;
    std::size_t m_at = 0;
    std::size_t m_cell_start = 0; // where the cell being read began
    std::size_t m_line = 1;
};

bool IsBlankRecord(std::vector<std::string> const& cells)
{
    return std::all_of(cells.begin(), cells.end(), [](std::string const& cell) { return cell.empty(); });
}

// The text and encoding of the table's bytes, or an error naming the line of
// the first byte that is no character.
std::optional<std::string_view> TableText(
    std::string_view bytes, EncodingChoice choice, DetectedEncoding& encoding, RowTableError& error)
{
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        error = { 0, 0, "a UTF-16 file, which is not read (save it as CSV UTF-8 or CSV)" };
        return std::nullopt;
    }
    encoding = DetectEncoding(bytes);
    if (choice == EncodingChoice::ShiftJis)
        encoding = { TextEncoding::ShiftJis, false };
    else if (choice == EncodingChoice::Utf8)
        encoding = { TextEncoding::Utf8, bytes.starts_with(Utf8ByteOrderMark) };
    if (encoding.HasByteOrderMark)
        bytes.remove_prefix(Utf8ByteOrderMark.size());
    bool const utf8 = encoding.Encoding == TextEncoding::Utf8;
    std::size_t const invalid = utf8 ? FindInvalidUtf8(bytes) : FindInvalidShiftJis(bytes);
    if (invalid != std::string_view::npos) {
        error = { LineOf(bytes, invalid), 0, utf8 ? "not valid UTF-8" : "not valid Shift-JIS" };
        return std::nullopt;
    }
    return bytes;
}

// Converts a row's cells to the core's text in place (a Shift-JIS table's
// cells already are). Every character converts: the core holds any.
void ConvertCells(std::vector<std::string>& cells, TextEncoding encoding, ShiftJisConverter& converter)
{
    if (encoding != TextEncoding::Utf8)
        return;
    for (std::string& cell : cells) {
        std::string converted;
        converter.AppendShiftJis(cell, converted);
        cell = std::move(converted);
    }
}

bool CheckHeader(std::vector<std::string> const& columns, std::size_t line, RowTableError& error)
{
    std::set<std::string> seen;
    for (std::size_t index = 0; index < columns.size(); ++index) {
        std::string const column = std::to_string(index + 1);
        if (columns[index].empty()) {
            error = { line, 0, "column " + column + " of the header has no name" };
            return false;
        }
        if (!seen.insert(columns[index]).second) {
            error = { line, 0, "column " + column + " of the header repeats a name" };
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<RowTable> ParseRowTable(std::string_view bytes, EncodingChoice choice, RowTableError& error)
{
    RowTable table;
    auto const text = TableText(bytes, choice, table.Encoding, error);
    if (!text)
        return std::nullopt;
    table.Separator = DetectSeparator(*text);
    RecordReader reader(*text, table.Separator);
    ShiftJisConverter converter;
    std::vector<std::string> cells;
    bool header = true;
    while (!reader.AtEnd()) {
        std::size_t const line = reader.Line();
        if (!reader.Next(cells, error)) {
            error.Row = header ? 0 : table.Rows.size() + 1;
            return std::nullopt;
        }
        if (IsBlankRecord(cells))
            continue;
        ConvertCells(cells, table.Encoding.Encoding, converter);
        if (header) {
            if (!CheckHeader(cells, line, error))
                return std::nullopt;
            table.Columns = std::move(cells);
            header = false;
            continue;
        }
        std::size_t const row = table.Rows.size() + 1;
        if (cells.size() != table.Columns.size()) {
            error = { line, row,
                std::to_string(cells.size()) + (cells.size() == 1 ? " cell" : " cells")
                    + ", and the header has " + std::to_string(table.Columns.size()) };
            return std::nullopt;
        }
        table.Rows.push_back({ line, std::move(cells) });
        cells = {};
    }
    if (header) {
        error = { 0, 0, "no header line: the first line names the placeholders, one per column" };
        return std::nullopt;
    }
    return table;
}

} // namespace edamaki
