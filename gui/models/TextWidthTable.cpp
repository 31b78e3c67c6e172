#include "gui/models/TextWidthTable.h"

#include "core/text/StandIn.h"
#include "gui/qt/QtShiftJis.h"

namespace edamaki {

TextWidthTable::TextWidthTable(QFont const& font)
    : m_metrics(font)
    , m_advances(0x10000, -1)
    , m_shift_jis_advances(0x10000, -1)
{
}

int TextWidthTable::ShiftJisWidth(std::string_view shift_jis)
{
    int width = 0;
    for (std::size_t offset = 0; offset < shift_jis.size();) {
        std::size_t const length = EditorCharacterLength(shift_jis, offset);
        std::string_view const character = shift_jis.substr(offset, length);
        offset += length;
        // A stand-in is measured as the character it stands for.
        if (length == StandInLength) {
            width += Width(ShiftJisToQString(character));
            continue;
        }
        unsigned code = static_cast<unsigned char>(character[0]);
        if (character.size() >= 2)
            code = code << 8 | static_cast<unsigned char>(character[1]);
        int& advance = m_shift_jis_advances[code];
        if (advance < 0)
            advance = Width(ShiftJisToQString(character));
        width += advance;
    }
    return width;
}

int TextWidthTable::Width(QString const& text)
{
    int width = 0;
    for (QChar const character : text) {
        // Rare outside the basic plane: such a text is measured whole.
        if (character.isSurrogate())
            return m_metrics.horizontalAdvance(text);
        int& advance = m_advances[character.unicode()];
        if (advance < 0)
            advance = m_metrics.horizontalAdvance(character);
        width += advance;
    }
    return width;
}

} // namespace edamaki
