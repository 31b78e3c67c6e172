#include "core/tree/TagComposer.h"

#include "core/numeric/Number.h"
#include "core/tree/TagSyntax.h"

namespace edamaki {

namespace {

std::optional<std::int32_t> ReadField(std::string const& text)
{
    return ReadNumber(text, EditNumberForm);
}

std::optional<std::int32_t> StepPart(std::int32_t step, std::int32_t position)
{
    if (position > 1)
        return step;
    return std::nullopt;
}

std::optional<std::string> ComposeNumberTag(TagFields const& fields)
{
    auto const digits = ReadField(fields.Digits);
    auto const first = ReadField(fields.FirstNumber);
    auto const last = ReadField(fields.LastNumber);
    auto const step = ReadField(fields.NumberStep);
    if (!digits || !first || !last || !step || *first > *last)
        return std::nullopt;
    return FormatTag(NumberTag { *digits, *first, *last, StepPart(*step, fields.NumberStepPosition) });
}

std::optional<std::string> ComposeCharacterTag(TagFields const& fields)
{
    auto const count = ReadField(fields.Count);
    auto const step = ReadField(fields.CharacterStep);
    if (!count || !step || fields.FirstCharacter.size() != 1 || fields.LastCharacter.size() != 1)
        return std::nullopt;
    return FormatTag(CharacterTag { *count, fields.FirstCharacter[0], fields.LastCharacter[0],
        StepPart(*step, fields.CharacterStepPosition) });
}

std::string Upper(std::string text)
{
    for (char& character : text) {
        if (character >= 'a' && character <= 'z')
            character = static_cast<char>(character - 'a' + 'A');
    }
    return text;
}

bool IsDigit(char character)
{
    return character >= '0' && character <= '9';
}

bool IsLetter(char character)
{
    char const upper = Upper(std::string(1, character))[0];
    return upper >= 'A' && upper <= 'Z';
}

} // namespace

std::optional<std::string> ComposeTag(TagTabIndex tab, TagFields const& fields)
{
    switch (tab) {
    case TagTabIndex::Number:
        return ComposeNumberTag(fields);
    case TagTabIndex::Character:
        return ComposeCharacterTag(fields);
    case TagTabIndex::List:
        if (fields.ListLines.empty())
            return std::nullopt;
        return FormatTag(ListTag { fields.ListLines });
    case TagTabIndex::Add:
        if (!fields.Path || fields.Path->empty())
            return std::nullopt;
        return FormatTag(AddTag { *fields.Path });
    case TagTabIndex::Delete:
        if (!fields.Path || fields.Path->empty())
            return std::nullopt;
        return FormatTag(DeleteTag { *fields.Path });
    case TagTabIndex::Rename:
        if (!fields.Path || fields.Path->empty() || fields.NewName.empty())
            return std::nullopt;
        return FormatTag(RenameTag { *fields.Path, fields.NewName });
    }
    return std::nullopt;
}

CharacterKeyOutcome CharacterFieldKeyPress(char typed, bool into_first, std::string const& other)
{
    std::string const key(1, typed);
    bool out_of_order = false;
    if (IsDigit(typed)) {
        if (other > "9")
            return CharacterKeyOutcome::AcceptAndEmptyOther;
        out_of_order = into_first ? key >= other : other >= key;
    } else if (IsLetter(typed)) {
        if (other < "A")
            return other.empty() ? CharacterKeyOutcome::Accept : CharacterKeyOutcome::AcceptAndEmptyOther;
        out_of_order = into_first ? Upper(key) >= Upper(other) : Upper(other) >= Upper(key);
    } else {
        return CharacterKeyOutcome::Discard;
    }
    if (out_of_order && !other.empty())
        return CharacterKeyOutcome::AcceptAndEmptyOther;
    return CharacterKeyOutcome::Accept;
}

CharacterChangeOutcome CharacterFieldChange(
    std::string const& first, std::string const& last, bool first_changed)
{
    std::string const& changed = first_changed ? first : last;
    if (changed.empty())
        return CharacterChangeOutcome::Nothing;
    if (changed < "0" || (changed > "9" && Upper(changed) < "A") || Upper(changed) > "Z")
        return CharacterChangeOutcome::EmptyChanged;
    std::string const& other = first_changed ? last : first;
    if (Upper(first) >= Upper(last) && !other.empty())
        return CharacterChangeOutcome::EmptyOther;
    return CharacterChangeOutcome::Nothing;
}

} // namespace edamaki
