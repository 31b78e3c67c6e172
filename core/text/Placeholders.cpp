#include "core/text/Placeholders.h"

#include "core/text/Encoding.h"
#include "core/text/ShiftJis.h"

#include <algorithm>
#include <ctime>
#include <set>
#include <tuple>

namespace edamaki {

namespace {

std::string TwoDigits(int number)
{
    std::string text = std::to_string(number);
    return text.size() < 2 ? "0" + text : text;
}

// One "<%NAME>" or "<%NAME=DEFAULT>" in the text.
struct Occurrence {
    std::size_t Begin = 0;
    std::size_t End = 0; // after its ">"
    std::string_view Name;
    std::optional<std::string_view> Default;
    // It stands between a tag's "<" and ">", where "," parts a list.
    bool InTag = false;
    // The tag's character, when it is written ("#" in "<#2:<%a>-9>").
    char TagCharacter = '\0';
    // It stands right after a tag's "<", for the tag's character.
    bool AtTagCharacter = false;
    // Outside a tag, a ":" follows it: a value of one byte would make a drive.
    bool BeforeColon = false;
};

// Fills in what the placeholder at `offset` of `line` (its ">" at `close`)
// stands beside.
void NoteSurroundings(Occurrence& occurrence, std::string_view line, std::size_t offset, std::size_t close,
    std::size_t tag_begin)
{
    if (tag_begin != std::string_view::npos) {
        occurrence.InTag = true;
        occurrence.AtTagCharacter = tag_begin + 1 == offset;
        if (!occurrence.AtTagCharacter)
            occurrence.TagCharacter = line[tag_begin + 1];
        return;
    }
    occurrence.BeforeColon = close + 1 < line.size() && line[close + 1] == ':';
}

// Calls `visit` with each placeholder of one line that is no comment;
// `line_begin` is the line's offset in the text.
template<typename Visit>
void ForEachPlaceholderOfLine(std::string_view line, std::size_t line_begin, Visit const& visit)
{
    // Where the tag the scan is in began (npos: in none).
    std::size_t tag_begin = std::string_view::npos;
    for (std::size_t offset = 0; offset < line.size(); offset += CharacterLength(line, offset)) {
        char const character = line[offset];
        if (character == '>') {
            tag_begin = std::string_view::npos;
            continue;
        }
        if (character != '<')
            continue;
        if (offset + 1 >= line.size() || line[offset + 1] != '%') {
            tag_begin = offset;
            continue;
        }
        std::size_t const close = line.find('>', offset + 2);
        if (close == std::string_view::npos)
            return;
        std::string_view const inside = line.substr(offset + 2, close - offset - 2);
        std::size_t const equals = inside.find('=');
        Occurrence occurrence;
        occurrence.Begin = line_begin + offset;
        occurrence.End = line_begin + close + 1;
        occurrence.Name = inside.substr(0, equals);
        if (equals != std::string_view::npos)
            occurrence.Default = inside.substr(equals + 1);
        NoteSurroundings(occurrence, line, offset, close, tag_begin);
        if (!occurrence.Name.empty())
            visit(occurrence);
        offset = close;
    }
}

// Calls `visit` with each placeholder of the text, in order.
template<typename Visit> void ForEachPlaceholder(std::string_view text, Visit const& visit)
{
    std::size_t line_begin = 0;
    while (line_begin < text.size()) {
        std::size_t line_end = text.find('\n', line_begin);
        if (line_end == std::string_view::npos)
            line_end = text.size();
        std::string_view const line = text.substr(line_begin, line_end - line_begin);
        std::string_view const trimmed = TrimBlanks(line);
        if (trimmed.empty() || trimmed.front() != ';')
            ForEachPlaceholderOfLine(line, line_begin, visit);
        line_begin = line_end + 1;
    }
}

// The built-in names (Shift-JIS): 日付, 年, 月, 日, 年度, 和暦年, 和暦年度.
constexpr std::string_view DateName = "\x93\xfa\x95\x74";
constexpr std::string_view YearName = "\x94\x4e";
constexpr std::string_view MonthName = "\x8c\x8e";
constexpr std::string_view DayName = "\x93\xfa";
constexpr std::string_view FiscalYearName = "\x94\x4e\x93\x78";
constexpr std::string_view EraYearName = "\x98\x61\x97\xef\x94\x4e";
constexpr std::string_view EraFiscalYearName = "\x98\x61\x97\xef\x94\x4e\x93\x78";

// The eras since the calendar of 1873 by their first day, latest first
// (names in Shift-JIS): 令和, 平成, 昭和, 大正, 明治.
struct Era {
    std::string_view Name;
    CalendarDate First;
};
constexpr Era Eras[] = {
    { "\x97\xdf\x98\x61", { 2019, 5, 1 } },
    { "\x95\xbd\x90\xac", { 1989, 1, 8 } },
    { "\x8f\xba\x98\x61", { 1926, 12, 25 } },
    { "\x91\xe5\x90\xb3", { 1912, 7, 30 } },
    { "\x96\xbe\x8e\xa1", { 1868, 1, 25 } },
};

bool IsBefore(CalendarDate left, CalendarDate right)
{
    return std::tie(left.Year, left.Month, left.Day) < std::tie(right.Year, right.Month, right.Day);
}

// "令和8": the era of `date` and the year of the era it falls in (the first
// being 1), counted from the era's first calendar year.
std::optional<std::string> EraYear(CalendarDate date)
{
    for (Era const& era : Eras) {
        if (!IsBefore(date, era.First))
            return std::string(era.Name) + std::to_string(date.Year - era.First.Year + 1);
    }
    return std::nullopt;
}

int FiscalYear(CalendarDate date)
{
    return date.Month >= 4 ? date.Year : date.Year - 1;
}

// "年度-1" as the name 年度 and the shift -1; a name without a shift has 0.
std::pair<std::string_view, int> SplitShift(std::string_view name)
{
    std::size_t const sign = name.find_last_of("+-");
    if (sign == std::string_view::npos || sign + 1 == name.size() || name.size() - sign - 1 > 4)
        return { name, 0 };
    int shift = 0;
    for (char const digit : name.substr(sign + 1)) {
        if (digit < '0' || digit > '9')
            return { name, 0 };
        shift = shift * 10 + (digit - '0');
    }
    return { name.substr(0, sign), name[sign] == '-' ? -shift : shift };
}

// The value of a built-in name that counts years or months, shifted.
std::optional<std::string> ShiftedValue(std::string_view base, int shift, CalendarDate date)
{
    if (base == YearName)
        return std::to_string(date.Year + shift);
    if (base == FiscalYearName)
        return std::to_string(FiscalYear(date) + shift);
    if (base == MonthName) {
        int const months = date.Month - 1 + shift;
        return TwoDigits((months % 12 + 12) % 12 + 1);
    }
    if (base == EraYearName) {
        CalendarDate shifted { date.Year + shift, date.Month, date.Day };
        return EraYear(shifted);
    }
    if (base == EraFiscalYearName) {
        // A fiscal year takes the era that holds its 31 December: April 2019
        // to March 2020 is 令和1.
        return EraYear({ FiscalYear(date) + shift, 12, 31 });
    }
    return std::nullopt;
}

// FORMAT with YYYY, YY, MM, M, DD and D put in; other characters as they
// stand.
std::string FormatDate(std::string_view format, CalendarDate date)
{
    struct Field {
        std::string_view Token;
        std::string Value;
    };
    Field const fields[] = {
        { "YYYY", std::to_string(date.Year) },
        { "YY", TwoDigits(date.Year % 100) },
        { "MM", TwoDigits(date.Month) },
        { "M", std::to_string(date.Month) },
        { "DD", TwoDigits(date.Day) },
        { "D", std::to_string(date.Day) },
    };
    std::string text;
    for (std::size_t offset = 0; offset < format.size();) {
        auto const field = std::find_if(std::begin(fields), std::end(fields),
            [&](Field const& candidate) { return format.substr(offset).starts_with(candidate.Token); });
        if (field != std::end(fields)) {
            text += field->Value;
            offset += field->Token.size();
            continue;
        }
        std::size_t const length = CharacterLength(format, offset);
        text += format.substr(offset, length);
        offset += length;
    }
    return text;
}

// Why a placeholder can't stand where it does, whatever its value.
std::optional<PlaceholderRefusal::Kind> CheckPlace(Occurrence const& occurrence)
{
    if (occurrence.AtTagCharacter)
        return PlaceholderRefusal::Kind::TagCharacter;
    if (occurrence.BeforeColon)
        return PlaceholderRefusal::Kind::BeforeColon;
    if (occurrence.TagCharacter == '?')
        return PlaceholderRefusal::Kind::InHeader;
    return std::nullopt;
}

// Why `value` can't stand as one folder name where the placeholder does.
std::optional<PlaceholderRefusal::Kind> CheckValue(
    std::string_view value, Occurrence const& occurrence, ShiftJisConverter& converter)
{
    if (value.empty())
        return PlaceholderRefusal::Kind::Empty;
    if (IsDotName(value))
        return PlaceholderRefusal::Kind::DotName;
    std::string host;
    if (converter.AppendUtf8(value, host))
        return PlaceholderRefusal::Kind::NotShiftJis;
    if (HasInvalidNameCharacter(value)
        || (occurrence.InTag && FindCharacter(value, ',') != std::string_view::npos)
        || std::any_of(value.begin(), value.end(),
            [](char character) { return static_cast<unsigned char>(character) < 0x20 || character == 0x7F; }))
        return PlaceholderRefusal::Kind::NameCharacter;
    if (value.front() == ' ' || value.back() == ' ')
        return PlaceholderRefusal::Kind::EdgeBlank;
    if (value.front() == ';')
        return PlaceholderRefusal::Kind::Semicolon;
    bool const in_range_tag = occurrence.TagCharacter == '#' || occurrence.TagCharacter == '@';
    if (in_range_tag && FindCharacter(value, '-') != std::string_view::npos)
        return PlaceholderRefusal::Kind::TagSyntax;
    return std::nullopt;
}

// The value a placeholder takes, or nullopt when it has none.
std::optional<std::string> ValueFor(
    Occurrence const& occurrence, std::map<std::string, std::string> const& values, CalendarDate date)
{
    if (auto const given = values.find(std::string(occurrence.Name)); given != values.end())
        return given->second;
    if (auto built_in = BuiltInValue(occurrence.Name, date))
        return built_in;
    if (occurrence.Default)
        return std::string(*occurrence.Default);
    return std::nullopt;
}

} // namespace

std::vector<Placeholder> FindPlaceholders(std::string_view text)
{
    std::vector<Placeholder> found;
    std::set<std::string_view> seen;
    ForEachPlaceholder(text, [&](Occurrence const& occurrence) {
        if (!seen.insert(occurrence.Name).second)
            return;
        Placeholder placeholder { std::string(occurrence.Name), std::nullopt };
        if (occurrence.Default)
            placeholder.Default = std::string(*occurrence.Default);
        found.push_back(std::move(placeholder));
    });
    return found;
}

CalendarDate Today()
{
    std::time_t const now = std::time(nullptr);
    std::tm local {};
    if (!localtime_r(&now, &local))
        return {};
    return { local.tm_year + 1900, local.tm_mon + 1, local.tm_mday };
}

std::optional<std::string> BuiltInValue(std::string_view name, CalendarDate date)
{
    if (name == DateName)
        return FormatDate("YYYYMMDD", date);
    if (name.starts_with(DateName) && name.substr(DateName.size()).starts_with(':'))
        return FormatDate(name.substr(DateName.size() + 1), date);
    if (name == DayName)
        return TwoDigits(date.Day);
    auto const [base, shift] = SplitShift(name);
    return ShiftedValue(base, shift, date);
}

std::optional<CalendarDate> ParseCalendarDate(std::string_view text)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return std::nullopt;
    auto const number = [&](std::size_t begin, std::size_t length) -> std::optional<int> {
        int value = 0;
        for (char const digit : text.substr(begin, length)) {
            if (digit < '0' || digit > '9')
                return std::nullopt;
            value = value * 10 + (digit - '0');
        }
        return value;
    };
    auto const year = number(0, 4);
    auto const month = number(5, 2);
    auto const day = number(8, 2);
    if (!year || !month || !day || *year < 1 || *month < 1 || *month > 12 || *day < 1)
        return std::nullopt;
    bool const leap = (*year % 4 == 0 && *year % 100 != 0) || *year % 400 == 0;
    int const month_days[] = { 31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    if (*day > month_days[*month - 1])
        return std::nullopt;
    return CalendarDate { *year, *month, *day };
}

std::vector<PlaceholderRefusal> FillPlaceholders(std::string& text,
    std::map<std::string, std::string> const& values, CalendarDate date, std::size_t most_bytes)
{
    ShiftJisConverter converter;
    std::map<std::string, std::string, std::less<>> chosen;
    std::vector<PlaceholderRefusal> refusals;
    std::set<std::string, std::less<>> refused;
    std::vector<Occurrence> occurrences;
    // The size of the filled text, counted before it is built.
    std::size_t filled_size = text.size();
    auto const refuse = [&](Occurrence const& occurrence, std::string value, PlaceholderRefusal::Kind why) {
        refused.insert(std::string(occurrence.Name));
        refusals.push_back({ std::string(occurrence.Name), std::move(value), why });
    };
    ForEachPlaceholder(text, [&](Occurrence const& occurrence) {
        occurrences.push_back(occurrence);
        if (refused.contains(occurrence.Name))
            return;
        auto known = chosen.find(occurrence.Name);
        std::optional<std::string> value
            = known != chosen.end() ? known->second : ValueFor(occurrence, values, date);
        if (!value)
            return refuse(occurrence, {}, PlaceholderRefusal::Kind::NoValue);
        // Checked at every use: what may stand outside a tag may not inside one.
        if (auto const why = CheckPlace(occurrence); why)
            return refuse(occurrence, std::move(*value), *why);
        if (auto const why = CheckValue(*value, occurrence, converter))
            return refuse(occurrence, std::move(*value), *why);
        filled_size = filled_size - (occurrence.End - occurrence.Begin) + value->size();
        if (known == chosen.end())
            chosen.emplace(std::string(occurrence.Name), std::move(*value));
    });
    if (!refusals.empty() || occurrences.empty())
        return refusals;
    if (filled_size > most_bytes)
        return { { {}, std::to_string(filled_size), PlaceholderRefusal::Kind::TooLarge } };
    std::string filled;
    filled.reserve(filled_size);
    std::size_t copied = 0;
    for (Occurrence const& occurrence : occurrences) {
        filled.append(text, copied, occurrence.Begin - copied);
        filled += chosen.find(occurrence.Name)->second;
        copied = occurrence.End;
    }
    filled.append(text, copied);
    text = std::move(filled);
    return refusals;
}

} // namespace edamaki
