#pragma once

// The macro tag dialog's rules that need no window: which tag its fields
// make, and how the start and end character fields of the character sequence
// tab keep each other in order.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace edamaki {

// The dialog's six tabs, in their order on the tab strip.
enum class TagTabIndex {
    Number = 0,
    Character = 1,
    List = 2,
    Add = 3,
    Delete = 4,
    Rename = 5,
};

// The field texts as they stand. The numeric fields hold decimal numbers; a
// step is written only when its spinner's position is above 1. The other
// texts are only joined, never looked into, so they may be in any encoding
// that keeps ASCII as it is.
struct TagFields {
    std::string Digits = "1"; // Keta
    std::string FirstNumber = "0";
    std::string LastNumber = "0";
    std::string NumberStep = "1";
    std::int32_t NumberStepPosition = 1;
    std::string Count = "1"; // Nmoji
    std::string FirstCharacter;
    std::string LastCharacter;
    std::string CharacterStep = "1";
    std::int32_t CharacterStepPosition = 1;
    std::vector<std::string> ListLines;
    std::optional<std::string> Path; // none while the path hint shows
    std::string NewName;
};

// The tag of `tab`, or none when its fields do not make one: a start number
// above the end number, an empty character field, an empty list, no path,
// no new name, or a numeric field that holds no number.
std::optional<std::string> ComposeTag(TagTabIndex tab, TagFields const& fields);

// What a character typed in one of the two character fields does.
enum class CharacterKeyOutcome {
    Discard,
    Accept,
    AcceptAndEmptyOther,
};

// `typed` goes into the start field when `into_first`, else the end field;
// `other` is the other field's text.
CharacterKeyOutcome CharacterFieldKeyPress(char typed, bool into_first, std::string const& other);

// What is emptied after a character field changed to `changed` (the other
// field holding `other`): the changed field itself when it holds no single
// digit or ASCII letter, else the other one when the start does not come
// before the end (letters compared by their upper form).
enum class CharacterChangeOutcome {
    Nothing,
    EmptyChanged,
    EmptyOther,
};
CharacterChangeOutcome CharacterFieldChange(
    std::string const& first, std::string const& last, bool first_changed);

} // namespace edamaki
