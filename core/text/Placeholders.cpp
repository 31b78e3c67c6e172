#include "core/text/Placeholders.h"

#include "core/text/Encoding.h"
#include "core/text/ShiftJis.h"

#include <algorithm>
#include <ctime>
#include <set>

namespace edamaki {

namespace {

// One "<%NAME>" or "<%NAME=DEFAULT>" in the text.
struct Occurrence {
    std::size_t Begin = 0;
    std::size_t End = 0; // after its ">"
    std::string_view Name;
    std::optional<std::string_view> Default;
    // It stands between a tag's "<" and ">", where "," parts a list.
    bool InTag = false;
};

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
        if (trimmed.empty() || trimmed.front() != ';') {
            bool in_tag = false;
            for (std::size_t offset = 0; offset < line.size(); offset += CharacterLength(line, offset)) {
                char const character = line[offset];
                if (character == '>') {
                    in_tag = false;
                    continue;
                }
                if (character != '<')
                    continue;
                if (offset + 1 >= line.size() || line[offset + 1] != '%') {
                    in_tag = true;
                    continue;
                }
                std::size_t const close = line.find('>', offset + 2);
                if (close == std::string_view::npos)
                    break;
                std::string_view const inside = line.substr(offset + 2, close - offset - 2);
                std::size_t const equals = inside.find('=');
                Occurrence occurrence;
                occurrence.Begin = line_begin + offset;
                occurrence.End = line_begin + close + 1;
                occurrence.Name = inside.substr(0, equals);
                if (equals != std::string_view::npos)
                    occurrence.Default = inside.substr(equals + 1);
                occurrence.InTag = in_tag;
                if (!occurrence.Name.empty())
                    visit(occurrence);
                offset = close;
            }
        }
        line_begin = line_end + 1;
    }
}

// The built-in names (Shift-JIS): 日付, 年, 月, 日, 年度.
constexpr std::string_view DateName = "\x93\xfa\x95\x74";
constexpr std::string_view YearName = "\x94\x4e";
constexpr std::string_view MonthName = "\x8c\x8e";
constexpr std::string_view DayName = "\x93\xfa";
constexpr std::string_view FiscalYearName = "\x94\x4e\x93\x78";

std::string TwoDigits(int number)
{
    std::string text = std::to_string(number);
    return text.size() < 2 ? "0" + text : text;
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

std::optional<PlaceholderRefusal::Kind> CheckValue(
    std::string_view value, bool in_tag, ShiftJisConverter& converter)
{
    if (value.empty())
        return PlaceholderRefusal::Kind::Empty;
    if (IsDotName(value))
        return PlaceholderRefusal::Kind::DotName;
    std::string host;
    if (converter.AppendUtf8(value, host))
        return PlaceholderRefusal::Kind::NotShiftJis;
    if (HasInvalidNameCharacter(value) || (in_tag && FindCharacter(value, ',') != std::string_view::npos)
        || std::any_of(value.begin(), value.end(),
            [](char character) { return static_cast<unsigned char>(character) < 0x20 || character == 0x7F; }))
        return PlaceholderRefusal::Kind::NameCharacter;
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
    if (name == YearName)
        return std::to_string(date.Year);
    if (name == MonthName)
        return TwoDigits(date.Month);
    if (name == DayName)
        return TwoDigits(date.Day);
    if (name == FiscalYearName)
        return std::to_string(date.Month >= 4 ? date.Year : date.Year - 1);
    return std::nullopt;
}

std::vector<PlaceholderRefusal> FillPlaceholders(
    std::string& text, std::map<std::string, std::string> const& values, CalendarDate date)
{
    ShiftJisConverter converter;
    std::map<std::string, std::string, std::less<>> chosen;
    std::vector<PlaceholderRefusal> refusals;
    std::set<std::string, std::less<>> refused;
    std::vector<Occurrence> occurrences;
    ForEachPlaceholder(text, [&](Occurrence const& occurrence) {
        occurrences.push_back(occurrence);
        if (refused.contains(occurrence.Name))
            return;
        auto const known = chosen.find(occurrence.Name);
        std::string value;
        if (known != chosen.end()) {
            value = known->second;
        } else if (auto const given = values.find(std::string(occurrence.Name)); given != values.end()) {
            value = given->second;
        } else if (auto built_in = BuiltInValue(occurrence.Name, date)) {
            value = std::move(*built_in);
        } else if (occurrence.Default) {
            value = std::string(*occurrence.Default);
        } else {
            refused.insert(std::string(occurrence.Name));
            refusals.push_back({ std::string(occurrence.Name), {}, PlaceholderRefusal::Kind::NoValue });
            return;
        }
        // Checked at every use: a "," may stand outside a tag, not inside one.
        if (auto const why = CheckValue(value, occurrence.InTag, converter)) {
            refused.insert(std::string(occurrence.Name));
            refusals.push_back({ std::string(occurrence.Name), value, *why });
            return;
        }
        chosen.try_emplace(std::string(occurrence.Name), std::move(value));
    });
    if (!refusals.empty() || occurrences.empty())
        return refusals;
    std::string filled;
    filled.reserve(text.size());
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
