// Drives the text search, the find and replace steps and the numeric edit's
// rules with arbitrary bytes. Nothing may crash, and:
// - a match lies in the text, is as long as the search, and equals it (up to
//   case when case does not matter);
// - replacing all changes the text's length by the count of replacements;
// - a number the tag reader reads, written in decimal, reads back the same;
// - the numeric edit's normalised text is stable when set again.
//
// Input: one byte of options, one byte for the search's length, the search,
// one byte for the replacement's length, the replacement, then the text.
//
// Build with clang (-DEDAMAKI_BUILD_FUZZ=ON) and run, for instance:
//   build-fuzz/SearchFuzzer -max_len=65536 -timeout=10 corpus/

#include "core/numeric/Number.h"
#include "core/numeric/NumericText.h"
#include "core/search/FindReplace.h"
#include "core/search/TextSearch.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

std::string_view TakeCounted(std::string_view& input)
{
    if (input.empty())
        return {};
    std::size_t const length
        = std::min<std::size_t>(static_cast<unsigned char>(input.front()), input.size() - 1);
    std::string_view const taken = input.substr(1, length);
    input.remove_prefix(1 + length);
    return taken;
}

void CheckSearch(
    std::string_view text, std::string_view search, std::string_view replace, unsigned options_byte)
{
    edamaki::FindOptions const options { .Down = (options_byte & 1) != 0,
        .MatchCase = (options_byte & 2) != 0,
        .WholeWord = (options_byte & 4) != 0 };
    auto const caret = static_cast<std::ptrdiff_t>(text.size() * ((options_byte >> 3) & 7) / 7);
    if (auto const found = edamaki::FindInSource(text, caret, 0, search, options)) {
        Check(found->Start >= 0 && found->Length >= 0);
        Check(static_cast<std::size_t>(found->Start + found->Length) <= text.size());
        std::string_view const match
            = text.substr(static_cast<std::size_t>(found->Start), static_cast<std::size_t>(found->Length));
        Check(match.size() == search.size());
        if (options.MatchCase)
            Check(match == search);
        else
            Check(edamaki::UpperCaseSearchString(match) == edamaki::UpperCaseSearchString(search));
    }
    if (auto const all = edamaki::ReplaceAllInSource(text, caret, 0, search, replace, options)) {
        Check(all->Count >= 1);
        auto const grown
            = static_cast<std::ptrdiff_t>(replace.size()) - static_cast<std::ptrdiff_t>(search.size());
        Check(static_cast<std::ptrdiff_t>(all->Text.size())
            == static_cast<std::ptrdiff_t>(text.size()) + static_cast<std::ptrdiff_t>(all->Count) * grown);
    }
}

void CheckNumbers(std::string_view text, unsigned options_byte)
{
    for (auto const& form : { edamaki::TagNumberForm, edamaki::EditNumberForm }) {
        if (auto const value = edamaki::ReadNumber(text, form))
            Check(edamaki::ReadNumber(std::to_string(*value), form) == value);
    }
    edamaki::NumericText numeric;
    numeric.SetNumeralOnly((options_byte & 1) != 0);
    numeric.SetFourDigit((options_byte & 2) != 0);
    numeric.SetNumericType(
        (options_byte & 4) != 0 ? edamaki::TNumericalType::HexDecimal : edamaki::TNumericalType::Decimal);
    numeric.SetText(text.substr(0, 64));
    std::string const once = numeric.Text();
    numeric.SetText(once);
    Check(numeric.Text() == once);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    std::string_view input(reinterpret_cast<char const*>(data), size);
    if (input.empty())
        return 0;
    unsigned const options = static_cast<unsigned char>(input.front());
    input.remove_prefix(1);
    std::string_view const search = TakeCounted(input);
    std::string_view const replace = TakeCounted(input);
    CheckSearch(input, search, replace, options);
    CheckNumbers(search, options);
    return 0;
}
