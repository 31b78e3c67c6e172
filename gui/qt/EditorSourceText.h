#pragma once

// The editor's document as the core reads it: Shift-JIS with CR LF between
// lines, a character that Shift-JIS lacks as its stand-in. Converted when first asked
// for after a change of the document and kept until the next change, so that
// repeated searches over a large source convert it once.

#include "core/search/TextSearch.h"

#include <QMetaObject>

#include <cstddef>
#include <string>
#include <vector>

class QTextDocument;

namespace edamaki {

class EditorSourceText {
public:
    // `document` must outlive this.
    explicit EditorSourceText(QTextDocument& document);
    ~EditorSourceText();
    EditorSourceText(EditorSourceText const&) = delete;
    EditorSourceText& operator=(EditorSourceText const&) = delete;

    std::string const& Text();

    // The source range between two document positions.
    TextRange RangeOf(int start_position, int end_position);
    // The document position of each source offset (quickest in ascending order).
    std::vector<int> PositionsOf(std::vector<std::size_t> const& offsets);

private:
    void Update();

    QTextDocument& m_document;
    QMetaObject::Connection m_change_connection;
    bool m_current = false;
    std::string m_text;
    // Where each line of the document starts in m_text.
    std::vector<std::size_t> m_line_starts;
};

} // namespace edamaki
