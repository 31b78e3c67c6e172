#pragma once

// Placeholders: one source for every project, filled in when the folders are
// made. "<%NAME>" stands anywhere a folder name's text stands (in both modes,
// in tag arguments too), "<%NAME=DEFAULT>" with a default. NAME is any text
// without ">" or "=". The values go into the text before it is read, so the
// tree, the budget, the conversion and the run all see the filled names.
//
// A value is one folder name, the same wherever it stands, and never syntax:
// it can't add, remove or move a level, make a comment or a drive, or change
// a tag. So it is refused when it is empty, "." or "..", holds \ / : * ? " <
// > | or a control character, begins or ends with a blank (the edge of a line
// would trim it), or begins with ";" (it would make a comment of a line it
// begins); inside a tag also when it holds "," (it would part a list), and in
// a numeric or character sequence tag "-" (it would part a range). A
// placeholder may not stand for a tag's character ("<<%K>2:1-3>"), inside a
// "<?" tag (it could make the macro header) nor just before a ":" outside a
// tag (it would make a drive).
//
// Built in, for the date of the run: 日付 (20261207), 年 (2026), 月 (12),
// 日 (07), 年度 (the fiscal year, April to March), 和暦年 and 和暦年度 (the
// era and its year, 令和8; the first year of an era is 1), and 日付:FORMAT,
// where YYYY, YY, MM, M, DD and D in FORMAT stand for the year, month and
// day. 年, 年度, 月, 和暦年 and 和暦年度 take a number of years (months for 月)
// added or taken away: 年度-1, 月+1 (December's 月+1 is 01). A value given for
// one of these wins.
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

// "YYYY-MM-DD" as a date that exists, or nullopt.
std::optional<CalendarDate> ParseCalendarDate(std::string_view text);

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
        EdgeBlank,     // begins or ends with a blank
        Semicolon,     // begins with ";"
        TagSyntax,     // "-" inside a numeric or character sequence tag
        TagCharacter,  // the placeholder stands for a tag's character
        BeforeColon,   // the placeholder stands just before a ":"
        InHeader,      // the placeholder stands inside a "<?" tag, the macro header's
        TooLarge,      // the filled text would be larger than a source may be (no name)
    };

    std::string Name;
    std::string Value;
    Kind Why = Kind::NoValue;
};

// Fills the placeholders of `text`: a value given in `values` first, else the
// built-in one for `date`, else the default. Returns the refusals, one per
// name (every name without a value, every value that can't stand as a folder
// name, every placeholder that stands where a value would be syntax); the
// text is changed only when there are none. The filled size is counted
// before the text is built: past `most_bytes` the one refusal is TooLarge,
// its Value the size.
std::vector<PlaceholderRefusal> FillPlaceholders(std::string& text,
    std::map<std::string, std::string> const& values, CalendarDate date,
    std::size_t most_bytes = std::size_t(-1));

} // namespace edamaki
