#pragma once

// Unicode normalisation of names. A name keeps the characters it was typed
// with; some clients write names decomposed (NFD: "e" and a combining acute)
// where others write them composed (NFC: "é"). Both are one name to a user.

#include <string>
#include <string_view>

namespace edamaki {

// The canonical decomposition (NFD) of UTF-8 text; text that is not valid
// UTF-8 comes back as it is.
std::string CanonicalDecomposition(std::string_view utf8);

// Whether two UTF-8 names differ, if at all, only by normalisation.
bool SameAfterNormalisation(std::string_view left, std::string_view right);

} // namespace edamaki
