// Fills arbitrary sources with arbitrary values, as "--set NAME=VALUE" and
// the values dialog give them. Nothing may crash or grow past the size it
// is allowed, a refused filling leaves the text as it was, and a filled
// source reads with the shape of the one it was filled from (each
// placeholder taken as one plain name): the same mode, and line for line the
// same kind of line with the same number of levels (parts of a text line,
// depth markers of a macro line), the same drive and the same parent folder
// line.
//
// Input: the source, then after a NUL byte NAME=VALUE settings parted by NUL
// bytes; the last two bytes choose the date.
//
// Build with clang (-DEDAMAKI_BUILD_FUZZ=ON) and run, for instance:
//   build-fuzz/PlaceholderFuzzer -max_len=4096 -timeout=10 corpus/

#include "core/text/Placeholders.h"
#include "core/text/ShiftJis.h"
#include "core/tree/SourceWriters.h"
#include "core/tree/TextSourceReader.h"

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace {

// Small, so that inputs which multiply a value meet the limit quickly.
constexpr std::size_t FuzzMostBytes = 1 << 16;

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

std::vector<std::string_view> SplitAt(std::string_view text, char separator)
{
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    while (true) {
        std::size_t const end = text.find(separator, start);
        pieces.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos)
            return pieces;
        start = end + 1;
    }
}

// What a line is to its reader, and how many levels it holds.
using LineShape = std::tuple<int, std::size_t, bool>;

LineShape TextLineShape(std::string_view line, bool first)
{
    std::string_view const trimmed = edamaki::TrimBlanks(line);
    auto const kind = edamaki::ClassifyTextLine(trimmed, first);
    if (kind != edamaki::TextLineKind::Folder)
        return { static_cast<int>(kind), 0, false };
    std::size_t parts = 1;
    for (std::size_t cut = edamaki::FindCharacter(trimmed, '\\'); cut != std::string_view::npos;
         cut = edamaki::FindCharacter(trimmed, '\\', cut + 1))
        ++parts;
    return { static_cast<int>(kind), parts, edamaki::BeginsWithDrive(trimmed) };
}

LineShape MacroLineShape(std::string_view line, std::size_t index)
{
    std::string_view const trimmed = edamaki::TrimBlanks(line);
    if (trimmed.empty())
        return { 0, 0, false };
    if (trimmed.front() == ';')
        return { 1, 0, false };
    bool const parent = index == 1 && (edamaki::BeginsWithDrive(trimmed) || trimmed.front() == '/');
    std::size_t const depth = trimmed.find_first_not_of('>');
    return { 2, depth == std::string_view::npos ? trimmed.size() : depth, parent };
}

std::vector<LineShape> Shape(std::string_view text, bool& macro)
{
    std::vector<std::string_view> const lines = SplitAt(text, '\n');
    macro = edamaki::TrimBlanks(lines.front()) == edamaki::MacroHeader;
    std::vector<LineShape> shape;
    for (std::size_t index = 0; index < lines.size(); ++index)
        shape.push_back(
            macro ? MacroLineShape(lines[index], index) : TextLineShape(lines[index], index == 0));
    return shape;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    std::string_view input(reinterpret_cast<char const*>(data), size);
    edamaki::CalendarDate date { 2026, 12, 8 };
    if (input.size() >= 2) {
        auto const chosen = static_cast<unsigned>(static_cast<unsigned char>(input[input.size() - 2])) << 8
            | static_cast<unsigned char>(input.back());
        date = { 1860 + static_cast<int>(chosen % 300), 1 + static_cast<int>(chosen % 12),
            1 + static_cast<int>(chosen % 28) };
        input.remove_suffix(2);
    }
    std::size_t const end = input.find('\0');
    std::string const source(input.substr(0, end));
    std::map<std::string, std::string> values;
    if (end != std::string_view::npos) {
        for (std::string_view const setting : SplitAt(input.substr(end + 1), '\0')) {
            std::size_t const equals = setting.find('=');
            if (equals != std::string_view::npos && equals > 0)
                values.emplace(setting.substr(0, equals), setting.substr(equals + 1));
        }
    }

    std::string text = source;
    std::vector<edamaki::PlaceholderRefusal> const refusals
        = edamaki::FillPlaceholders(text, values, date, FuzzMostBytes);
    if (!refusals.empty()) {
        Check(text == source);
        return 0;
    }
    Check(text == source || text.size() <= FuzzMostBytes);
    // Filling again finds nothing left to fill: no value holds a placeholder.
    Check(edamaki::FindPlaceholders(text).empty());
    // The unfilled source, each placeholder read as one plain name (its name
    // or default may hold anything but ">", a "\" too).
    std::string unfilled = source;
    std::map<std::string, std::string> plain;
    for (edamaki::Placeholder const& placeholder : edamaki::FindPlaceholders(source))
        plain[placeholder.Name] = "vv";
    Check(edamaki::FillPlaceholders(unfilled, plain, date).empty());
    bool macro_before = false;
    bool macro_after = false;
    std::vector<LineShape> const before = Shape(unfilled, macro_before);
    std::vector<LineShape> const after = Shape(text, macro_after);
    Check(macro_before == macro_after);
    Check(before == after);
    return 0;
}
