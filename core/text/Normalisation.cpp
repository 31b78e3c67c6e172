#include "core/text/Normalisation.h"

#include "core/text/Encoding.h"

#include <algorithm>
#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

namespace edamaki {

namespace {

bool IsAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

std::string CanonicalDecomposition(std::string_view utf8)
{
    if (IsAscii(utf8) || !IsValidUtf8(utf8))
        return std::string(utf8);
    UErrorCode status = U_ZERO_ERROR;
    icu::Normalizer2 const* const nfd = icu::Normalizer2::getNFDInstance(status);
    if (U_FAILURE(status))
        return std::string(utf8);
    icu::UnicodeString const text
        = icu::UnicodeString::fromUTF8(icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())));
    icu::UnicodeString const decomposed = nfd->normalize(text, status);
    if (U_FAILURE(status))
        return std::string(utf8);
    std::string result;
    decomposed.toUTF8String(result);
    return result;
}

bool SameAfterNormalisation(std::string_view left, std::string_view right)
{
    if (left == right)
        return true;
    // ASCII is its own normal form.
    if (IsAscii(left) && IsAscii(right))
        return false;
    return CanonicalDecomposition(left) == CanonicalDecomposition(right);
}

} // namespace edamaki
