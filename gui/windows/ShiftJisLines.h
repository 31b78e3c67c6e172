#pragma once

#include "gui/qt/QtShiftJis.h"

#include <QStringList>

#include <string>
#include <vector>

namespace edamaki {

// Lines of Shift-JIS bytes as the editor shows them.
inline QStringList ToQStrings(std::vector<std::string> const& shift_jis_lines)
{
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(shift_jis_lines.size()));
    for (auto const& line : shift_jis_lines)
        lines.append(ShiftJisToQString(line));
    return lines;
}

} // namespace edamaki
