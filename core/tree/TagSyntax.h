#pragma once

// The text of the six macro tags, read and written in one place.
//
// A tag runs from a "<" to the first ">" after it; its second character says
// which tag it is. Parse* read a tag's text into a plain record, or give none
// when the text does not read as that tag (a missing ":", "-", "," or ">", an
// unreadable or out-of-range number, characters of different kinds). Format*
// write a record back as text. The macro reader expands what the parsers give;
// the tree pane and the tag dialog write their tags through the formatters.
//
// Numbers in tags are read in TagNumberForm (core/numeric/Number.h).
// Positions follow whole Shift-JIS characters: the second byte of a
// double-byte character is never taken for ":", "-", ",", ">" or "/".

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace edamaki {

enum class TagKind {
    Number,    // <#D:S-E> or <#D:S-E,P>
    Character, // <@N:X-Y> or <@N:X-Y,P>
    List,      // <$:a,b,c>
    Add,       // <+:A/B/C>
    Delete,    // <-:A/B/C>
    Rename,    // <r:A/B/C,N>
};

// The tag that `character` names after a "<", or none (R is no tag character).
std::optional<TagKind> TagKindOf(char character);

// A folder text holds a tag when its first "<" comes before its first ">" and
// is followed by one of the tag characters # @ $ r + -.
bool HasMacroTag(std::string_view text);

// A numeric sequence that reads: Digits is not 0 (zeros pad the numbers to 1
// to 16 digits; any other count pads nothing), First and Last are 0 or more,
// Step, when written, is 1 or more.
struct NumberTag {
    std::int32_t Digits = 1;
    std::int32_t First = 0;
    std::int32_t Last = 0;
    std::optional<std::int32_t> Step; // none: no step written, which steps by 1

    bool operator==(NumberTag const&) const = default;
};

// A character sequence that reads: Count is not 0 (a negative count gives
// empty values), First and Last are both digits or both letters (either case),
// as written; Step, when written, is 1 or more.
struct CharacterTag {
    std::int32_t Count = 1;
    char First = 'A';
    char Last = 'A';
    std::optional<std::int32_t> Step;

    bool operator==(CharacterTag const&) const = default;
};

// The items exactly as written, blanks included. A list always has an item:
// "<$:>" holds one empty item.
struct ListTag {
    std::vector<std::string> Items;

    bool operator==(ListTag const&) const = default;
};

// The paths name folders from a top-level folder down, joined by "/".
struct AddTag {
    std::string Path;

    bool operator==(AddTag const&) const = default;
};

struct DeleteTag {
    std::string Path;

    bool operator==(DeleteTag const&) const = default;
};

// A rename that reads has a path that is not empty; the new name is the text
// after the first "," (later commas belong to it).
struct RenameTag {
    std::string Path;
    std::string NewName;

    bool operator==(RenameTag const&) const = default;
};

std::optional<NumberTag> ParseNumberTag(std::string_view tag);
std::optional<CharacterTag> ParseCharacterTag(std::string_view tag);
std::optional<ListTag> ParseListTag(std::string_view tag);
// The path is the text from the fourth character up to the first ">" (the
// third character is not looked at); an empty path adds or deletes nothing.
std::optional<AddTag> ParseAddTag(std::string_view tag);
std::optional<DeleteTag> ParseDeleteTag(std::string_view tag);
std::optional<RenameTag> ParseRenameTag(std::string_view tag);

std::string FormatTag(NumberTag const& tag);
std::string FormatTag(CharacterTag const& tag);
std::string FormatTag(ListTag const& tag);
std::string FormatTag(AddTag const& tag);
std::string FormatTag(DeleteTag const& tag);
std::string FormatTag(RenameTag const& tag);

// Takes a tag's path apart at "/": a "/" at the end adds no part, a "/" at
// the start or two in a row give an empty part; an empty path has no parts.
void SplitTagPath(std::string_view path, std::vector<std::string_view>& parts);

} // namespace edamaki
