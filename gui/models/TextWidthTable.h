#pragma once

// Fast widths of many lines of text in one font: the sum of the characters'
// advances, each measured once. Shaping every line would cost far more, and
// the sum differs from it only by kerning, which scroll ranges can ignore.

#include <QFont>
#include <QFontMetrics>
#include <QString>

#include <string_view>
#include <vector>

namespace edamaki {

class TextWidthTable {
public:
    explicit TextWidthTable(QFont const& font);

    int Width(QString const& text);
    // The width of Shift-JIS text, without converting the whole text.
    int ShiftJisWidth(std::string_view shift_jis);
    int Height() const { return m_metrics.height(); }

private:
    QFontMetrics m_metrics;
    // Advance of each character of the basic plane (-1: not measured yet).
    std::vector<int> m_advances;
    // Advance of each Shift-JIS character by its code: one byte, or lead and
    // trail byte (-1: not measured yet).
    std::vector<int> m_shift_jis_advances;
};

} // namespace edamaki
