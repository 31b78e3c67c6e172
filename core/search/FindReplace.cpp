#include "core/search/FindReplace.h"

#include "core/text/ShiftJis.h"

namespace edamaki {

namespace {

FindOptions Downward(FindOptions options)
{
    options.Down = true;
    return options;
}

// True when the text is whole characters without a NUL byte: inserted into a
// text at a character boundary, it ends at one, and it leaves the searchable
// length of the text alone.
bool IsWholeCharacters(std::string_view text)
{
    std::size_t offset = 0;
    while (offset < text.size()) {
        if (text[offset] == '\0')
            return false;
        if (IsLeadByte(text[offset])) {
            if (offset + 1 >= text.size() || text[offset + 1] == '\0')
                return false;
            offset += 2;
        } else {
            ++offset;
        }
    }
    return true;
}

std::string Splice(std::string_view text, TextRange range, std::string_view insert)
{
    auto const start = static_cast<std::size_t>(range.Start);
    std::string result;
    result.reserve(text.size() - static_cast<std::size_t>(range.Length) + insert.size());
    result.append(text.substr(0, start));
    result.append(insert);
    result.append(text.substr(start + static_cast<std::size_t>(range.Length)));
    return result;
}

} // namespace

SearchFlags ToSearchFlags(FindOptions options)
{
    SearchFlags flags = 0;
    if (options.Down)
        flags |= SearchDown;
    if (options.MatchCase)
        flags |= SearchMatchCase;
    if (options.WholeWord)
        flags |= SearchWholeWord;
    return flags;
}

std::optional<TextRange> FindInSource(std::string_view text, std::ptrdiff_t selection_start,
    std::ptrdiff_t selection_length, std::string_view search, FindOptions options)
{
    auto const length = static_cast<std::ptrdiff_t>(SearchableLength(text));
    TextRange range { selection_start, 0 };
    if (options.Down) {
        if (selection_length > 0)
            ++range.Start;
    } else {
        range.Start += static_cast<std::ptrdiff_t>(search.size()) - 1;
        if (range.Start > length)
            range.Start = length;
    }
    if (!SearchText(text, range, search, ToSearchFlags(options)))
        return std::nullopt;
    return range;
}

std::optional<Replacement> ReplaceInSource(std::string_view text, std::ptrdiff_t selection_start,
    std::ptrdiff_t selection_length, std::string_view search, std::string_view replace, FindOptions options)
{
    auto const match = FindInSource(text, selection_start, selection_length, search, Downward(options));
    if (!match)
        return std::nullopt;
    return Replacement {
        Splice(text, *match, replace),
        *match,
        match->Start + static_cast<std::ptrdiff_t>(replace.size()),
    };
}

std::optional<ReplaceAllResult> ReplaceAllInSource(std::string_view text, std::ptrdiff_t selection_start,
    std::ptrdiff_t selection_length, std::string_view search, std::string_view replace, FindOptions options)
{
    options = Downward(options);
    auto const first = FindInSource(text, selection_start, selection_length, search, options);
    if (!first)
        return std::nullopt;

    ReplaceAllResult result;
    result.Count = 1;
    result.Replaced.push_back(*first);
    auto rest = static_cast<std::size_t>(first->Start + first->Length);
    result.Text.reserve(text.size());
    result.Text.append(text.substr(0, static_cast<std::size_t>(first->Start)));
    result.Text.append(replace);

    if (!IsWholeCharacters(replace)) {
        // Half a character or a NUL shifts or ends what later searches see:
        // search the edited text itself after every replacement.
        result.Text.append(text.substr(rest));
        result.Caret = first->Start + static_cast<std::ptrdiff_t>(replace.size());
        // How far the edited text has moved against the original so far.
        std::ptrdiff_t shift = result.Caret - (first->Start + first->Length);
        while (auto const next = ReplaceInSource(result.Text, result.Caret, 0, search, replace, options)) {
            result.Replaced.push_back({ next->Replaced.Start - shift, next->Replaced.Length });
            shift += static_cast<std::ptrdiff_t>(replace.size()) - next->Replaced.Length;
            result.Text = next->Text;
            result.Caret = next->Caret;
            ++result.Count;
        }
        return result;
    }

    // The edited text before the caret always ends on a character boundary,
    // so what follows the caret is the untouched rest of the text with its
    // characters where they were: search the rest in place, with one
    // character map for the whole text. Only the byte before the caret
    // (deciding whether a word starts there) comes from the edited text.
    auto const searchable = text.substr(0, SearchableLength(text));
    auto const map = BuildCharacterMap(searchable);
    std::string const pattern = options.MatchCase ? std::string(search) : UpperCaseSearchString(search);
    auto const flags = ToSearchFlags(options);
    while (rest <= searchable.size()) {
        SearchSubject const subject {
            searchable.substr(rest),
            std::span<CharacterKind const>(map).subspan(rest),
            result.Text.empty() || IsWordDelimiter(result.Text.back()),
        };
        TextRange range { 0, 0 };
        auto const found = SearchPrepared(subject, range, pattern, flags);
        if (!found)
            break;
        result.Replaced.push_back({ static_cast<std::ptrdiff_t>(rest + *found), range.Length });
        result.Text.append(searchable.substr(rest, *found));
        result.Text.append(replace);
        rest += *found + static_cast<std::size_t>(range.Length);
        ++result.Count;
    }
    result.Caret = static_cast<std::ptrdiff_t>(result.Text.size());
    result.Text.append(text.substr(rest));
    return result;
}

} // namespace edamaki
