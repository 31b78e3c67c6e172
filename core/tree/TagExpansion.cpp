#include "core/tree/TagExpansion.h"

#include "core/text/ShiftJis.h"

#include <charconv>
#include <limits>
#include <vector>

namespace edamaki {

namespace {

constexpr std::size_t NoPosition = std::string_view::npos;
constexpr std::int64_t LargestNumber = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t LongestPadding = 16;

constexpr bool IsDigit(char character)
{
    return character >= '0' && character <= '9';
}

constexpr bool IsUpperLetter(char character)
{
    return character >= 'A' && character <= 'Z';
}

constexpr bool IsLowerLetter(char character)
{
    return character >= 'a' && character <= 'z';
}

constexpr char ToUpper(char character)
{
    return IsLowerLetter(character) ? static_cast<char>(character - 'a' + 'A') : character;
}

constexpr char ToLower(char character)
{
    return IsUpperLetter(character) ? static_cast<char>(character - 'A' + 'a') : character;
}

int DigitValue(char character, int base)
{
    if (IsDigit(character))
        return character - '0';
    if (base == 16 && character >= 'a' && character <= 'f')
        return character - 'a' + 10;
    if (base == 16 && character >= 'A' && character <= 'F')
        return character - 'A' + 10;
    return -1;
}

std::size_t SaturatingProduct(std::size_t left, std::size_t right)
{
    if (left != 0 && right > std::numeric_limits<std::size_t>::max() / left)
        return std::numeric_limits<std::size_t>::max();
    return left * right;
}

} // namespace

std::optional<std::int32_t> ReadTagNumber(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.starts_with('$') || text.starts_with('x') || text.starts_with('X')) {
        base = 16;
        text.remove_prefix(1);
    } else if (text.starts_with("0x") || text.starts_with("0X")) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty())
        return std::nullopt;

    std::int64_t magnitude = 0;
    for (char const character : text) {
        int const digit = DigitValue(character, base);
        if (digit < 0)
            return std::nullopt;
        magnitude = magnitude * base + digit;
        if (magnitude > LargestNumber + 1)
            return std::nullopt;
    }
    std::int64_t const value = negative ? -magnitude : magnitude;
    if (value > LargestNumber)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

namespace detail {

// The values of one generating tag, in order, each at hand by its index so
// that the expansion can count through combinations without recursion.
class TagValues {
public:
    static TagValues Numbers(std::int64_t first, std::int64_t last, std::int64_t step, std::int32_t digits)
    {
        TagValues values;
        values.m_first = first;
        values.m_step = step;
        values.m_count = first <= last ? static_cast<std::size_t>((last - first) / step + 1) : 0;
        // Zeros pad to 1..16 digits; any other count (above 16, or negative) pads nothing.
        values.m_width = digits >= 1 && digits <= LongestPadding ? digits : 0;
        return values;
    }

    static TagValues Characters(char first, char last, std::int64_t step, std::int32_t repeat, bool lower)
    {
        TagValues values;
        values.m_kind = Kind::Character;
        values.m_first = first;
        values.m_step = step;
        values.m_count = first <= last ? static_cast<std::size_t>((last - first) / step + 1) : 0;
        values.m_width = repeat > 0 ? repeat : 0;
        values.m_lower = lower;
        return values;
    }

    static TagValues Items(std::vector<std::string_view> items)
    {
        TagValues values;
        values.m_kind = Kind::Item;
        values.m_count = items.size();
        values.m_items = std::move(items);
        return values;
    }

    std::size_t Count() const { return m_count; }

    std::size_t Length(std::size_t index) const
    {
        switch (m_kind) {
        case Kind::Number: {
            NumberBuffer buffer;
            std::size_t const digits = FormatNumber(index, buffer).size();
            return std::max(digits, static_cast<std::size_t>(m_width));
        }
        case Kind::Character:
            return static_cast<std::size_t>(m_width);
        case Kind::Item:
            return m_items[index].size();
        }
        return 0;
    }

    void Append(std::size_t index, std::string& out) const
    {
        switch (m_kind) {
        case Kind::Number: {
            NumberBuffer buffer;
            std::string_view const digits = FormatNumber(index, buffer);
            if (digits.size() < static_cast<std::size_t>(m_width))
                out.append(m_width - digits.size(), '0');
            out += digits;
            return;
        }
        case Kind::Character: {
            char const character = static_cast<char>(m_first + static_cast<std::int64_t>(index) * m_step);
            out.append(static_cast<std::size_t>(m_width), m_lower ? ToLower(character) : character);
            return;
        }
        case Kind::Item:
            out += m_items[index];
            return;
        }
    }

private:
    enum class Kind {
        Number,
        Character,
        Item,
    };

    using NumberBuffer = char[24];

    // The value stays within 0..2147483647: the last value is at most that.
    std::string_view FormatNumber(std::size_t index, NumberBuffer& buffer) const
    {
        std::int64_t const value = m_first + static_cast<std::int64_t>(index) * m_step;
        auto const result = std::to_chars(buffer, buffer + sizeof buffer, value);
        return { buffer, static_cast<std::size_t>(result.ptr - buffer) };
    }

    Kind m_kind = Kind::Number;
    std::size_t m_count = 0;
    std::int64_t m_first = 0;
    std::int64_t m_step = 1;
    std::int32_t m_width = 0; // numbers: padded width; characters: how often each is written
    bool m_lower = false;
    std::vector<std::string_view> m_items;
};

// A line's name cut into its tags: literal texts around the generating tags,
// and how the name ends. Literals[i] stands before Generators[i]; the last
// literal follows the last generating tag.
struct ExpansionPlan {
    enum class Ending {
        Name, // the combined texts are folder names
        AddTag,
        DeleteTag,
        RenameTag,
        Nothing, // a tag that does not read, or a "<" without a ">"
    };

    std::vector<std::string_view> Literals;
    std::vector<TagValues> Generators;
    Ending End = Ending::Nothing;
    std::string_view EndTag;
};

} // namespace detail

namespace {

using detail::ExpansionPlan;
using detail::TagValues;
using Ending = ExpansionPlan::Ending;

// The count between "<#" or "<@" and the first ":" (position 3 up to it),
// unreadable counting as 0, and sets `rest` to the text after that ":". None
// when there is no character between them or the count is 0.
std::optional<std::int32_t> ReadTagCount(std::string_view tag, std::string_view& rest)
{
    std::size_t const colon = FindCharacter(tag, ':');
    if (colon == NoPosition || colon < 3)
        return std::nullopt;
    std::int32_t const count = ReadTagNumber(tag.substr(2, colon - 2)).value_or(0);
    if (count == 0)
        return std::nullopt;
    rest = tag.substr(colon + 1);
    return count;
}

std::optional<TagValues> ParseNumberTag(std::string_view tag)
{
    std::string_view rest;
    auto const read_digits = ReadTagCount(tag, rest);
    if (!read_digits)
        return std::nullopt;
    std::int32_t const digits = *read_digits;

    std::size_t const dash = FindCharacter(rest, '-');
    if (dash == NoPosition)
        return std::nullopt;
    std::int32_t const first = ReadTagNumber(rest.substr(0, dash)).value_or(-1);
    if (first < 0)
        return std::nullopt;
    rest.remove_prefix(dash + 1);

    std::size_t last_end = FindCharacter(rest, ',');
    if (last_end == NoPosition)
        last_end = FindCharacter(rest, '>');
    if (last_end == NoPosition)
        return std::nullopt;
    std::int32_t const last = ReadTagNumber(rest.substr(0, last_end)).value_or(-1);
    if (last < 0)
        return std::nullopt;
    rest.remove_prefix(last_end + 1);

    std::int32_t step = 1;
    if (!rest.empty()) {
        std::size_t const close = FindCharacter(rest, '>');
        if (close == NoPosition)
            return std::nullopt;
        step = ReadTagNumber(rest.substr(0, close)).value_or(-1);
        if (step < 1)
            return std::nullopt;
    }
    return TagValues::Numbers(first, last, step, digits);
}

std::optional<TagValues> ParseCharTag(std::string_view tag)
{
    std::string_view rest;
    auto const read_count = ReadTagCount(tag, rest);
    if (!read_count)
        return std::nullopt;
    std::int32_t const count = *read_count;

    // X "-" Y, then "," or ">". X and Y must be single-byte letters or digits,
    // so looking at bytes decides exactly as looking at characters would.
    if (rest.size() < 4 || rest[1] != '-' || (rest[3] != '>' && rest[3] != ','))
        return std::nullopt;
    char const written_first = rest[0];
    if (!IsUpperLetter(written_first) && !IsLowerLetter(written_first) && !IsDigit(written_first))
        return std::nullopt;
    bool const lower = IsLowerLetter(written_first);
    char const first = ToUpper(written_first);
    char const last = ToUpper(rest[2]);
    if (IsDigit(first) ? !IsDigit(last) : !IsUpperLetter(last))
        return std::nullopt;

    std::int32_t step = 1;
    if (rest[3] == ',') {
        rest.remove_prefix(4);
        std::size_t const close = FindCharacter(rest, '>');
        if (close == NoPosition)
            return std::nullopt;
        step = ReadTagNumber(rest.substr(0, close)).value_or(-1);
        if (step < 1)
            return std::nullopt;
    }
    return TagValues::Characters(first, last, step, count, lower);
}

std::optional<TagValues> ParseListTag(std::string_view tag)
{
    if (tag.size() < 3 || tag[2] != ':')
        return std::nullopt;
    std::string_view list = tag.substr(3);
    if (list.ends_with('>'))
        list.remove_suffix(1);
    // Cut at commas alone: an item holding a double quote is an invalid name
    // and counts as empty, so quotes need no other meaning here.
    std::vector<std::string_view> items;
    SplitAt(list, ',', items);
    for (auto& item : items) {
        if (HasInvalidNameCharacter(item))
            item = {};
    }
    return TagValues::Items(std::move(items));
}

// Puts the tag at the start of `rest` (which begins with "<" and runs to the
// first ">") into the plan. Returns the text after a generating tag, or none
// when the plan ends with this tag.
std::optional<std::string_view> PlanTag(ExpansionPlan& plan, std::string_view rest)
{
    plan.End = Ending::Nothing;
    std::size_t const close = FindCharacter(rest, '>');
    if (close == NoPosition || close < 1)
        return std::nullopt;
    std::string_view const tag = rest.substr(0, close + 1);
    std::optional<TagValues> values;
    switch (tag[1]) {
    case '#':
        values = ParseNumberTag(tag);
        break;
    case '@':
        values = ParseCharTag(tag);
        break;
    case '$':
        values = ParseListTag(tag);
        break;
    case '+':
        plan.End = Ending::AddTag;
        plan.EndTag = tag;
        return std::nullopt;
    case '-':
        plan.End = Ending::DeleteTag;
        plan.EndTag = tag;
        return std::nullopt;
    case 'r':
        plan.End = Ending::RenameTag;
        plan.EndTag = tag;
        return std::nullopt;
    default:
        return std::nullopt;
    }
    if (!values)
        return std::nullopt;
    plan.Generators.push_back(std::move(*values));
    return rest.substr(close + 1);
}

// Puts `text` into the plan: the literal text up to its first "<", then the
// tag there and what follows it, one tag after the other.
void PlanText(ExpansionPlan& plan, std::string_view text)
{
    for (;;) {
        std::size_t const open = FindCharacter(text, '<');
        if (open == NoPosition) {
            plan.Literals.push_back(text);
            plan.End = Ending::Name;
            return;
        }
        plan.Literals.push_back(text.substr(0, open));
        auto const after = PlanTag(plan, text.substr(open));
        if (!after)
            return;
        text = *after;
    }
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

// Takes the path apart at "/": a "/" at the end adds no part, a "/" at the
// start or two in a row give an empty part; an empty path has no parts.
void SplitPath(std::string_view path, std::vector<std::string_view>& parts)
{
    parts.clear();
    if (path.empty())
        return;
    SplitAt(path, '/', parts);
    if (parts.size() > 1 && parts.back().empty())
        parts.pop_back();
}

// The folder that every part of the path names in turn, from the root node;
// none when a part is not found or there are no parts.
NodeId FindPath(FolderTree const& tree, std::vector<std::string_view> const& parts)
{
    if (parts.empty())
        return NoNode;
    NodeId folder = tree.Root();
    for (std::string_view const part : parts) {
        folder = tree.FindChildNode(folder, part);
        if (folder == NoNode)
            return NoNode;
    }
    return folder;
}

} // namespace

TagExpansion::TagExpansion(FolderTree& tree)
    : m_tree(tree)
{
}

void TagExpansion::ExpandName(NodeId tag_node, std::string_view text)
{
    // The plan points into its own copy: the text may be a name in the tree,
    // whose storage moves as the tree grows.
    std::string const owned_text(text);
    ExpansionPlan plan;
    PlanText(plan, owned_text);
    Run(tag_node, plan);
}

void TagExpansion::ExpandTag(NodeId tag_node, std::string_view prefix, std::string_view rest)
{
    std::string const owned_prefix(prefix);
    std::string const owned_rest(rest);
    ExpansionPlan plan;
    plan.Literals.push_back(owned_prefix);
    if (auto const after = PlanTag(plan, owned_rest))
        PlanText(plan, *after);
    Run(tag_node, plan);
}

void TagExpansion::ExpandNumberTag(
    NodeId tag_node, std::string_view tag, std::string_view prefix, std::string_view suffix)
{
    ExpandGenerated(tag_node, tag, ParseNumberTag, prefix, suffix);
}

void TagExpansion::ExpandCharTag(
    NodeId tag_node, std::string_view tag, std::string_view prefix, std::string_view suffix)
{
    ExpandGenerated(tag_node, tag, ParseCharTag, prefix, suffix);
}

void TagExpansion::ExpandListTag(
    NodeId tag_node, std::string_view tag, std::string_view prefix, std::string_view suffix)
{
    ExpandGenerated(tag_node, tag, ParseListTag, prefix, suffix);
}

void TagExpansion::ExpandGenerated(
    NodeId tag_node, std::string_view tag, TagParser parse, std::string_view prefix, std::string_view suffix)
{
    // The plan and the values refer to their texts: keep copies that outlive
    // any change of the tree.
    std::string const owned_tag(tag);
    auto values = parse(owned_tag);
    if (!values)
        return;
    std::string const owned_prefix(prefix);
    std::string const owned_suffix(suffix);
    detail::ExpansionPlan plan;
    plan.Literals.push_back(owned_prefix);
    plan.Generators.push_back(std::move(*values));
    PlanText(plan, owned_suffix);
    Run(tag_node, plan);
}

void TagExpansion::ApplyAddTag(NodeId tag_node, std::string_view tag)
{
    AddPath(tag_node, std::string(tag));
}

void TagExpansion::ApplyDeleteTag(std::string_view tag)
{
    DeletePath(std::string(tag));
}

void TagExpansion::ApplyRenameTag(NodeId tag_node, std::string_view tag)
{
    RenamePath(tag_node, std::string(tag));
}

void TagExpansion::Run(NodeId tag_node, ExpansionPlan const& plan)
{
    if (plan.End == Ending::Nothing || !m_tree.IsInTree(tag_node) || tag_node == m_tree.Root())
        return;
    // A tag without values, or a literal text that no name may hold, makes
    // every combination fail: nothing to count through.
    for (auto const& values : plan.Generators) {
        if (values.Count() == 0)
            return;
    }
    if (plan.End == Ending::Name) {
        for (std::string_view const literal : plan.Literals) {
            if (HasInvalidNameCharacter(literal))
                return;
        }
    }

    NestedSize const nested = MeasureNested(tag_node);
    std::size_t const levels = plan.Generators.size();
    std::vector<std::size_t> index(levels, 0);
    // The name is rebuilt only from the tag whose value changed: marks[i] is
    // the length of the name in front of the value of tag i.
    std::vector<std::size_t> marks(levels + 1, 0);
    m_name.assign(plan.Literals.front());
    marks[0] = m_name.size();
    std::size_t changed = 0;

    for (;;) {
        if (m_tree.IsTruncated() || !m_tree.IsInTree(tag_node) || !SpendName())
            return;
        bool keep_going = false;
        if (plan.End == Ending::Name) {
            std::size_t length = marks[changed];
            for (std::size_t level = changed; level < levels; ++level)
                length += plan.Generators[level].Length(index[level]) + plan.Literals[level + 1].size();
            if (!SpendBytes(length))
                return;
            m_name.resize(marks[changed]);
            for (std::size_t level = changed; level < levels; ++level) {
                plan.Generators[level].Append(index[level], m_name);
                m_name += plan.Literals[level + 1];
                marks[level + 1] = m_name.size();
            }
            keep_going = MakeFolder(tag_node, m_name, nested);
        } else {
            keep_going = ApplyTreeTag(tag_node, plan, nested);
        }
        if (!keep_going)
            return;

        // The next combination: the rightmost tag changes fastest.
        std::size_t level = levels;
        for (;;) {
            if (level == 0)
                return;
            --level;
            if (++index[level] < plan.Generators[level].Count())
                break;
            index[level] = 0;
        }
        changed = level;
    }
}

bool TagExpansion::MakeFolder(NodeId tag_node, std::string const& name, NestedSize nested)
{
    if (name.empty() || IsDotName(name))
        return true;
    NodeId const folder = m_tree.AddUniqueChild(m_tree.Parent(tag_node), name);
    if (folder == NoNode)
        return false;
    m_tree.SetData(folder, m_tree.Data(tag_node));
    if (nested.Folders == 0)
        return true;
    if (!SpendBytes(nested.Bytes))
        return false;
    m_tree.CopySubtree(folder, tag_node);
    return !m_tree.IsTruncated();
}

bool TagExpansion::ApplyTreeTag(NodeId tag_node, ExpansionPlan const& plan, NestedSize nested)
{
    bool changed = false;
    switch (plan.End) {
    case Ending::AddTag:
        changed = AddPath(tag_node, plan.EndTag);
        break;
    case Ending::DeleteTag:
        changed = DeletePath(plan.EndTag);
        break;
    case Ending::RenameTag:
        changed = RenamePath(tag_node, plan.EndTag);
        break;
    case Ending::Name:
    case Ending::Nothing:
        return false;
    }
    if (m_tree.IsTruncated())
        return false;
    // With nothing to copy, applying the same tag again to a tree that it did
    // not change changes nothing either: the other combinations can go.
    if (nested.Folders == 0)
        return changed;
    if (!m_tree.IsInTree(tag_node))
        return false;
    if (!SpendBytes(nested.Bytes))
        return false;
    m_tree.CopySubtree(m_tree.Root(), tag_node);
    return !m_tree.IsTruncated();
}

TagExpansion::NestedSize TagExpansion::MeasureNested(NodeId tag_node) const
{
    NestedSize size;
    if (m_tree.Children(tag_node).empty())
        return size;
    m_tree.WalkDescendants(tag_node, [&](NodeId node, int) {
        ++size.Folders;
        size.Bytes += m_tree.Name(node).size();
    });
    return size;
}

bool TagExpansion::AddPath(NodeId tag_node, std::string_view tag)
{
    std::vector<std::string_view> parts;
    SplitPath(TagPath(tag, FindCharacter(tag, '>')), parts);
    NodeId folder = m_tree.Root();
    bool changed = false;
    for (std::string_view const part : parts) {
        if (NodeId const found = m_tree.FindChildNode(folder, part); found != NoNode) {
            folder = found;
            continue;
        }
        // An empty part, "." and ".." are names like any other here.
        if (!HasInvalidNameCharacter(part)) {
            NodeId const added = m_tree.AddUniqueChild(folder, part);
            if (added == NoNode)
                return changed;
            folder = added;
            changed = true;
        }
        // The new folder, or for a skipped part the folder reached so far,
        // names the tag line as its source. The root node keeps its 0.
        if (folder != m_tree.Root() && m_tree.Data(folder) != m_tree.Data(tag_node)) {
            m_tree.SetData(folder, m_tree.Data(tag_node));
            changed = true;
        }
    }
    return changed;
}

bool TagExpansion::DeletePath(std::string_view tag)
{
    std::vector<std::string_view> parts;
    SplitPath(TagPath(tag, FindCharacter(tag, '>')), parts);
    NodeId const folder = FindPath(m_tree, parts);
    if (folder == NoNode)
        return false;
    m_tree.RemoveNode(folder);
    return true;
}

bool TagExpansion::RenamePath(NodeId tag_node, std::string_view tag)
{
    std::size_t const comma = FindCharacter(tag, ',');
    if (comma == NoPosition)
        return false;
    std::string_view const path = TagPath(tag, comma);
    if (path.empty())
        return false;
    std::size_t const close = FindCharacter(tag, '>');
    if (close == NoPosition || close < comma)
        return false;
    // Commas after the first belong to the new name.
    std::string_view const name = tag.substr(comma + 1, close - comma - 1);
    if (HasInvalidNameCharacter(name))
        return false;

    std::vector<std::string_view> parts;
    SplitPath(path, parts);
    NodeId const folder = FindPath(m_tree, parts);
    if (folder == NoNode)
        return false;
    bool changed = false;
    if (m_tree.Name(folder) != name) {
        m_tree.Rename(folder, name);
        changed = true;
    }
    if (m_tree.Data(folder) != m_tree.Data(tag_node)) {
        m_tree.SetData(folder, m_tree.Data(tag_node));
        changed = true;
    }
    return changed;
}

bool TagExpansion::SpendName()
{
    if (m_names_generated >= SaturatingProduct(NamesPerFolder, m_tree.FolderBudget())) {
        m_tree.MarkTruncated();
        return false;
    }
    ++m_names_generated;
    return true;
}

bool TagExpansion::SpendBytes(std::size_t bytes)
{
    std::size_t const limit = SaturatingProduct(BytesPerFolder, m_tree.FolderBudget());
    if (bytes > limit - std::min(limit, m_bytes_generated)) {
        m_tree.MarkTruncated();
        return false;
    }
    m_bytes_generated += bytes;
    return true;
}

} // namespace edamaki
