#pragma once

// Text for a terminal: names come from users and from disks, and a control
// character in one (an escape sequence, a carriage return) must not reach a
// terminal raw.

#include <string>
#include <string_view>

namespace edamaki {

// UTF-8 text with every control character (C0, DEL and C1) and every byte
// that is not part of well-formed UTF-8 written as "\xNN" for each of its bytes.
std::string EscapeForTerminal(std::string_view utf8);
// The same, appended to `out`; plain ASCII text is copied as it is.
void AppendForTerminal(std::string_view utf8, std::string& out);

// "U+XXXX": a code point as the user reads it, at least four hexadecimal
// digits.
std::string CodePointText(char32_t code_point);

} // namespace edamaki
