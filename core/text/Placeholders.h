#pragma once

// Placeholders: one source for every project, filled in when the folders are
// made. "<%NAME>" stands anywhere a folder name's text stands (in both modes,
// in tag arguments too), "<%NAME=DEFAULT>" with a default. NAME is any text
// without ">" or "=". The values go into the text before it is read, so the
// tree, the budget, the conversion and the run all see the filled names. A
// value is checked as a folder name is, so it can never add a level or a
// tag. No working source changes meaning: "<" can't stand in a folder name,
// so a "<%" never made a folder before.
//
// Built in, for the date of the run: 日付 (20261207), 年 (2026), 月 (12),
// 日 (07), 年度 (the fiscal year, April to March), and 日付:FORMAT, where
// YYYY, YY, MM, M, DD and D in FORMAT stand for the year, month and day.
// A value given for one of these wins.
//
// Names, defaults, values and the text are Shift-JIS.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace edamaki {

struct Placeholder {
    std::string Name;
    std::optional<std::string> Default;
};

// The placeholders the text uses, in order of first use, each name once with
// the first default given for it. Comment lines (";" first) use none.
std::vector<Placeholder> FindPlaceholders(std::string_view text);

struct CalendarDate {
    int Year = 1970;
    int Month = 1;
    int Day = 1;
};

// Today in the local time zone.
CalendarDate Today();

// The value of the built-in placeholder `name` on `date`; nullopt when it is
// none.
std::optional<std::string> BuiltInValue(std::string_view name, CalendarDate date);

struct PlaceholderRefusal {
    enum class Kind {
        NoValue,       // no value given, no default
        Empty,         // the value is empty
        DotName,       // "." or ".."
        NameCharacter, // one of \ / : * ? " < > |, a control character, or "," inside a tag
        NotShiftJis,   // not text Shift-JIS can hold
    };

    std::string Name;
    std::string Value;
    Kind Why = Kind::NoValue;
};

// Fills the placeholders of `text`: a value given in `values` first, else the
// built-in one for `date`, else the default. Returns the refusals, one per
// name (every name without a value, every value that can't stand as a folder
// name); the text is changed only when there are none.
std::vector<PlaceholderRefusal> FillPlaceholders(
    std::string& text, std::map<std::string, std::string> const& values, CalendarDate date);

} // namespace edamaki
