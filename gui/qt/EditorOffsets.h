#pragma once

// The editor's side of source offsets. The core points into the source with
// offsets that count Shift-JIS bytes, each line break as two (CR LF); the
// editor's document counts UTF-16 code units, one block per line and one
// position for each line break. Characters are counted the way the source is
// read from the editor: a character Shift-JIS lacks reads as its stand-in, six
// bytes, and a surrogate pair is one character.

#include "core/tree/SourceMap.h"

#include <QTextBlock>
#include <QTextCursor>

#include <cstddef>
#include <span>

class QTextDocument;

namespace edamaki {

// Maps source offsets to document positions and back. Walks the blocks from
// the first, measuring each block it passes and converting only the one that
// holds the place asked for; a lookup after an earlier place goes on from
// where the last one stopped. The document must not change while in use.
class EditorOffsets {
public:
    explicit EditorOffsets(QTextDocument const& document);
    // With the source offset where each line starts (one entry per block, in
    // order), a lookup goes straight to its line instead of walking there.
    EditorOffsets(QTextDocument const& document, std::span<std::size_t const> line_starts);

    // The document position of a source offset. An offset inside a line break
    // is the end of its line, one inside a double-byte character the position
    // after that character, one past the text the end of the document.
    int PositionOf(std::size_t offset);
    // The source offset of a document position (clamped to the document). A
    // position inside a surrogate pair counts the whole pair.
    std::size_t OffsetOf(int position);

private:
    void MoveToFirstBlock();
    void MoveToNextBlock();
    void MoveToLine(std::size_t line);

    QTextDocument const& m_document;
    QTextBlock m_block;
    // Where the current block's line starts in the source, and its bytes.
    std::size_t m_block_start = 0;
    std::size_t m_block_length = 0;
    std::span<std::size_t const> m_line_starts;
};

// A cursor on `document` that selects a source range, anchored at its start.
QTextCursor SelectSourceRange(QTextDocument& document, LineRange range);
// The source range of a cursor's selection: its start and length in offsets.
LineRange SourceRangeOf(QTextCursor const& cursor);

} // namespace edamaki
