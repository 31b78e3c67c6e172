#pragma once

// Offsets into a source text. The source is a list of Shift-JIS lines; an
// offset counts bytes from the start of the text, each line break as two
// (CR LF), so line N starts at the sum of the lengths of the lines before it
// plus two for each of their breaks. Every part of the program that points
// into the source (the macro reader's line table, the tree pane's links to
// the editor, find and replace) counts this way.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace edamaki {

// Bytes of one line break in a source: CR LF.
constexpr std::size_t LineBreakLength = 2;

// The offset where the line after `line` starts, given where `line` starts.
constexpr std::size_t NextLineStart(std::size_t line_start, std::string_view line)
{
    return line_start + line.size() + LineBreakLength;
}

// Offsets stored in 32-bit records (a source range) stop at the largest value.
std::int32_t ClampOffset(std::size_t offset);

// A place in a source: a 0-based line and a byte column within it.
struct SourcePosition {
    std::size_t Line = 0;
    std::size_t Column = 0;

    bool operator==(SourcePosition const&) const = default;
};

// The line starts of one source, for mapping offsets both ways.
class SourceOffsets {
public:
    explicit SourceOffsets(std::vector<std::string> const& lines);

    std::size_t LineCount() const { return m_line_starts.size(); }
    std::size_t LineStart(std::size_t line) const { return m_line_starts[line]; }
    // The offset just past the last line break (the text's length in offsets).
    std::size_t TextLength() const { return m_text_length; }

    // The line holding `offset` and the column within it. An offset that
    // falls inside a line break belongs to the end of its line; one past the
    // text is clamped to the end of the last line.
    SourcePosition PositionOf(std::size_t offset) const;
    std::size_t OffsetOf(SourcePosition position) const;

private:
    std::vector<std::size_t> m_line_starts;
    std::vector<std::size_t> m_line_lengths;
    std::size_t m_text_length = 0;
};

// Whole Shift-JIS characters in the first `bytes` bytes of a line (a
// character cut by `bytes` counts as one), and the bytes of its first
// `characters` characters: the bridge to an editor that counts characters.
std::size_t CharactersInBytes(std::string_view line, std::size_t bytes);
std::size_t BytesOfCharacters(std::string_view line, std::size_t characters);

} // namespace edamaki
