#pragma once

// What a read of a source leaves beside the tree it made: the mode the source
// was read in, and where in the source each line that made folders stands. A
// node's data value is the index of its line here (-1 or 0 for a node no line
// of a macro source made).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace edamaki {

// Where in the source text a line stands: offsets count Shift-JIS bytes, each
// line break as two.
struct LineRange {
    std::int32_t Start = 0;
    std::int32_t Length = 0;

    bool operator==(LineRange const&) const = default;
};

class SourceMap {
public:
    bool IsMacro() const { return m_macro; }

    // A read of a source of the mode begins: no line is recorded yet.
    void BeginRead(bool macro)
    {
        m_macro = macro;
        m_lines.clear();
    }
    // The tree was written out as a source of the mode; the lines recorded stay.
    void SetMacro(bool macro) { m_macro = macro; }

    // Records the range of a line; returns the data value of the nodes it makes.
    std::int32_t AddLine(LineRange range)
    {
        m_lines.push_back(range);
        return NewestLine();
    }
    // The data value of the line recorded last; -1 before the first.
    std::int32_t NewestLine() const { return static_cast<std::int32_t>(m_lines.size()) - 1; }
    // The range of the line a node's data value names, if it names one.
    std::optional<LineRange> Find(std::int32_t data) const
    {
        if (data < 0 || static_cast<std::size_t>(data) >= m_lines.size())
            return std::nullopt;
        return m_lines[static_cast<std::size_t>(data)];
    }
    std::size_t LineCount() const { return m_lines.size(); }

private:
    bool m_macro = false;
    std::vector<LineRange> m_lines;
};

} // namespace edamaki
