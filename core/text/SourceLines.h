#pragma once

// The lines of a source as the readers take them: a list of lines held
// elsewhere, or one text whose lines end with CR LF, a lone CR or a lone LF
// (split as SplitLines splits, without making a string per line). Lines
// written in braces, as in LoadTextSource(tree, { "a", "b" }), are copied
// and held. Either way the lines are read in order, front to back.

#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace edamaki {

class SourceLines {
public:
    SourceLines() = default;
    // Views the list; it must outlive this object.
    SourceLines(std::vector<std::string> const& lines) // NOLINT(google-explicit-constructor)
        : m_list(&lines)
    {
    }
    SourceLines(std::initializer_list<std::string_view> lines);

    // Views the lines of `text`, which must outlive this object.
    static SourceLines InText(std::string_view text);

    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        using pointer = std::string_view const*;
        using reference = std::string_view;

        Iterator() = default;
        std::string_view operator*() const { return m_line; }
        Iterator& operator++()
        {
            m_position = m_lines->m_is_text ? m_next : m_position + 1;
            Load();
            return *this;
        }
        Iterator operator++(int)
        {
            Iterator const before = *this;
            ++*this;
            return before;
        }
        bool operator==(Iterator const& other) const { return m_position == other.m_position; }

    private:
        friend class SourceLines;
        Iterator(SourceLines const* lines, std::size_t position)
            : m_lines(lines)
            , m_position(position)
        {
            Load();
        }

        // Reads the line at the position, unless the position is the end.
        void Load()
        {
            if (m_position >= m_lines->EndPosition()) {
                m_line = {};
                return;
            }
            if (m_lines->m_is_text)
                LoadFromText();
            else
                m_line = m_lines->List()[m_position];
        }
        void LoadFromText();

        SourceLines const* m_lines = nullptr;
        std::size_t m_position = 0; // a list index, or a text offset
        std::size_t m_next = 0;     // in a text: where the next line begins
        std::string_view m_line;
    };

    Iterator begin() const { return { this, 0 }; }
    Iterator end() const { return { this, EndPosition() }; }

    bool IsEmpty() const { return begin() == end(); }
    // The line at `index` (0-based), found by walking from the first line.
    std::optional<std::string_view> Line(std::size_t index) const;
    // The bytes of all lines together; for one text, its line breaks too.
    std::size_t ByteCount() const;

private:
    std::vector<std::string> const& List() const { return m_list ? *m_list : m_held; }
    std::size_t EndPosition() const { return m_is_text ? m_text.size() : List().size(); }

    std::vector<std::string> const* m_list = nullptr; // null: the held lines, or the text
    std::vector<std::string> m_held;
    std::string_view m_text;
    bool m_is_text = false;
};

} // namespace edamaki
