#include "core/tree/TagSyntax.h"

#include "core/numeric/Number.h"
#include "core/text/ShiftJis.h"

namespace edamaki {

namespace {

constexpr std::size_t NoPosition = std::string_view::npos;

constexpr bool IsDigit(char character)
{
    return character >= '0' && character <= '9';
}

constexpr bool IsLetter(char character)
{
    return (character >= 'A' && character <= 'Z') || (character >= 'a' && character <= 'z');
}

// The count between "<#" or "<@" and the first ":" (position 3 up to it),
// unreadable counting as 0, and sets `rest` to the text after that ":". None
// when there is no character between them or the count is 0.
std::optional<std::int32_t> ReadTagCount(std::string_view tag, std::string_view& rest)
{
    std::size_t const colon = FindCharacter(tag, ':');
    if (colon == NoPosition || colon < 3)
        return std::nullopt;
    std::int32_t const count = ReadNumber(tag.substr(2, colon - 2), TagNumberForm).value_or(0);
    if (count == 0)
        return std::nullopt;
    rest = tag.substr(colon + 1);
    return count;
}

// The step that ends a sequence tag: `rest` holds what follows its ",", a
// number of 1 or more up to the next ">".
std::optional<std::int32_t> ReadTagStep(std::string_view rest)
{
    std::size_t const close = FindCharacter(rest, '>');
    if (close == NoPosition)
        return std::nullopt;
    std::int32_t const step = ReadNumber(rest.substr(0, close), TagNumberForm).value_or(-1);
    if (step < 1)
        return std::nullopt;
    return step;
}

// A number of 0 or more before `end` in `rest`; the text up to and with `end`
// is taken off `rest`.
std::optional<std::int32_t> ReadBound(std::string_view& rest, std::size_t end)
{
    if (end == NoPosition)
        return std::nullopt;
    std::int32_t const bound = ReadNumber(rest.substr(0, end), TagNumberForm).value_or(-1);
    if (bound < 0)
        return std::nullopt;
    rest.remove_prefix(end + 1);
    return bound;
}

// The path of an add, delete or rename tag: from its fourth character up to
// (not including) `end`.
std::string_view TagPath(std::string_view tag, std::size_t end)
{
    if (tag.size() <= 2 || end == NoPosition)
        return {};
    std::size_t const start = 2 + CharacterLength(tag, 2);
    if (end <= start)
        return {};
    return tag.substr(start, end - start);
}

void AppendStep(std::string& text, std::optional<std::int32_t> step)
{
    if (!step)
        return;
    text += ',';
    text += std::to_string(*step);
}

} // namespace

std::optional<TagKind> TagKindOf(char character)
{
    switch (character) {
    case '#':
        return TagKind::Number;
    case '@':
        return TagKind::Character;
    case '$':
        return TagKind::List;
    case '+':
        return TagKind::Add;
    case '-':
        return TagKind::Delete;
    case 'r':
        return TagKind::Rename;
    default:
        return std::nullopt;
    }
}

bool HasMacroTag(std::string_view text)
{
    std::size_t const open = FindCharacter(text, '<');
    if (open == NoPosition || open + 1 >= text.size())
        return false;
    std::size_t const close = FindCharacter(text, '>');
    if (close == NoPosition || close < open)
        return false;
    return TagKindOf(text[open + 1]).has_value();
}

std::optional<NumberTag> ParseNumberTag(std::string_view tag)
{
    NumberTag parsed;
    std::string_view rest;
    auto const digits = ReadTagCount(tag, rest);
    if (!digits)
        return std::nullopt;
    parsed.Digits = *digits;

    auto const first = ReadBound(rest, FindCharacter(rest, '-'));
    if (!first)
        return std::nullopt;
    parsed.First = *first;

    std::size_t last_end = FindCharacter(rest, ',');
    if (last_end == NoPosition)
        last_end = FindCharacter(rest, '>');
    auto const last = ReadBound(rest, last_end);
    if (!last)
        return std::nullopt;
    parsed.Last = *last;

    // Nothing after the closing ">": no step.
    if (!rest.empty()) {
        parsed.Step = ReadTagStep(rest);
        if (!parsed.Step)
            return std::nullopt;
    }
    return parsed;
}

std::optional<CharacterTag> ParseCharacterTag(std::string_view tag)
{
    CharacterTag parsed;
    std::string_view rest;
    auto const count = ReadTagCount(tag, rest);
    if (!count)
        return std::nullopt;
    parsed.Count = *count;

    // X "-" Y, then "," or ">". X and Y must be single-byte letters or digits,
    // so looking at bytes decides exactly as looking at characters would.
    if (rest.size() < 4 || rest[1] != '-' || (rest[3] != '>' && rest[3] != ','))
        return std::nullopt;
    parsed.First = rest[0];
    parsed.Last = rest[2];
    if (!IsLetter(parsed.First) && !IsDigit(parsed.First))
        return std::nullopt;
    if (IsDigit(parsed.First) ? !IsDigit(parsed.Last) : !IsLetter(parsed.Last))
        return std::nullopt;

    if (rest[3] == ',') {
        parsed.Step = ReadTagStep(rest.substr(4));
        if (!parsed.Step)
            return std::nullopt;
    }
    return parsed;
}

std::optional<ListTag> ParseListTag(std::string_view tag)
{
    if (tag.size() < 3 || tag[2] != ':')
        return std::nullopt;
    std::string_view list = tag.substr(3);
    if (list.ends_with('>'))
        list.remove_suffix(1);
    // Cut at commas alone: quotes have no meaning in a list.
    std::vector<std::string_view> items;
    SplitAt(list, ',', items);
    ListTag parsed;
    parsed.Items.assign(items.begin(), items.end());
    return parsed;
}

std::optional<AddTag> ParseAddTag(std::string_view tag)
{
    return AddTag { std::string(TagPath(tag, FindCharacter(tag, '>'))) };
}

std::optional<DeleteTag> ParseDeleteTag(std::string_view tag)
{
    return DeleteTag { std::string(TagPath(tag, FindCharacter(tag, '>'))) };
}

std::optional<RenameTag> ParseRenameTag(std::string_view tag)
{
    std::size_t const comma = FindCharacter(tag, ',');
    if (comma == NoPosition)
        return std::nullopt;
    std::string_view const path = TagPath(tag, comma);
    if (path.empty())
        return std::nullopt;
    std::size_t const close = FindCharacter(tag, '>');
    if (close == NoPosition || close < comma)
        return std::nullopt;
    return RenameTag { std::string(path), std::string(tag.substr(comma + 1, close - comma - 1)) };
}

std::string FormatTag(NumberTag const& tag)
{
    std::string text = "<#" + std::to_string(tag.Digits) + ':' + std::to_string(tag.First) + '-'
        + std::to_string(tag.Last);
    AppendStep(text, tag.Step);
    return text + '>';
}

std::string FormatTag(CharacterTag const& tag)
{
    std::string text = "<@" + std::to_string(tag.Count) + ':' + tag.First + '-' + tag.Last;
    AppendStep(text, tag.Step);
    return text + '>';
}

std::string FormatTag(ListTag const& tag)
{
    std::string text = "<$:";
    for (std::size_t index = 0; index < tag.Items.size(); ++index) {
        if (index > 0)
            text += ',';
        text += tag.Items[index];
    }
    return text + '>';
}

std::string FormatTag(AddTag const& tag)
{
    return "<+:" + tag.Path + '>';
}

std::string FormatTag(DeleteTag const& tag)
{
    return "<-:" + tag.Path + '>';
}

std::string FormatTag(RenameTag const& tag)
{
    return "<r:" + tag.Path + ',' + tag.NewName + '>';
}

void SplitTagPath(std::string_view path, std::vector<std::string_view>& parts)
{
    parts.clear();
    if (path.empty())
        return;
    SplitAt(path, '/', parts);
    if (parts.size() > 1 && parts.back().empty())
        parts.pop_back();
}

} // namespace edamaki
