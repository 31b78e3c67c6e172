#pragma once

// Test helper: Shift-JIS bytes of a UTF-8 literal, so tests can be written in
// readable Japanese.

#include "core/text/Encoding.h"

#include <stdexcept>
#include <string>
#include <string_view>

namespace edamaki::testing {

inline std::string Sjis(std::string_view utf8)
{
    auto converted = Utf8ToShiftJis(utf8);
    if (!converted.Succeeded())
        throw std::invalid_argument("no Shift-JIS form");
    return converted.Text;
}

} // namespace edamaki::testing
