#include "core/tree/TagExpansion.h"

#include "core/text/ShiftJis.h"

#include <algorithm>
#include <charconv>
#include <variant>
#include <vector>

namespace edamaki {

namespace {

constexpr std::size_t NoPosition = std::string_view::npos;
constexpr std::int32_t LongestPadding = 16;

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

} // namespace

namespace detail {

// The values of one generating tag, in order, each at hand by its index so
// that the expansion can count through combinations without recursion.
class TagValues {
public:
    static TagValues Numbers(NumberTag const& tag)
    {
        std::int64_t const first = tag.First;
        std::int64_t const last = tag.Last;
        std::int64_t const step = tag.Step.value_or(1);
        TagValues values;
        values.m_first = first;
        values.m_step = step;
        values.m_count = first <= last ? static_cast<std::size_t>((last - first) / step + 1) : 0;
        // Zeros pad to 1..16 digits; any other count (above 16, or negative) pads nothing.
        values.m_width = tag.Digits >= 1 && tag.Digits <= LongestPadding ? tag.Digits : 0;
        return values;
    }

    // Letters count in upper case, and are written in lower case when the
    // first one is written so.
    static TagValues Characters(CharacterTag const& tag)
    {
        auto const first = static_cast<unsigned char>(ToUpper(tag.First));
        auto const last = static_cast<unsigned char>(ToUpper(tag.Last));
        TagValues values;
        values.m_kind = Kind::Character;
        values.m_first = first;
        values.m_step = tag.Step.value_or(1);
        values.m_count = first <= last ? static_cast<std::size_t>((last - first) / values.m_step + 1) : 0;
        values.m_width = tag.Count > 0 ? tag.Count : 0;
        values.m_lower = IsLowerLetter(tag.First);
        return values;
    }

    // An item that holds an invalid name character counts as empty.
    static TagValues Items(ListTag list)
    {
        TagValues values;
        values.m_kind = Kind::Item;
        values.m_count = list.Items.size();
        values.m_items = std::move(list.Items);
        for (auto& item : values.m_items) {
            if (HasInvalidNameCharacter(item))
                item.clear();
        }
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
    std::vector<std::string> m_items;
};

// A line's name cut into its tags: literal texts around the generating tags,
// and how the name ends. Literals[i] stands before Generators[i]; the last
// literal follows the last generating tag.
struct ExpansionPlan {
    enum class Ending {
        Name,    // the combined texts are folder names
        TreeTag, // an add, delete or rename tag
        Nothing, // a tag that does not read, or a "<" without a ">"
    };
    // None: a tree tag that does not read. It changes nothing, but what is
    // nested under its line still goes to the top level.
    using TreeTagRecord = std::variant<std::monostate, AddTag, DeleteTag, RenameTag>;

    std::vector<std::string_view> Literals;
    std::vector<TagValues> Generators;
    Ending End = Ending::Nothing;
    TreeTagRecord TreeTag;
};

// Counts through the combinations of the values of a plan's generating tags,
// the rightmost tag changing fastest.
class Combination {
public:
    explicit Combination(std::vector<TagValues> const& generators)
        : m_generators(generators)
        , m_index(generators.size(), 0)
    {
    }

    std::size_t Index(std::size_t level) const { return m_index[level]; }

    // Steps to the next combination. Returns the leftmost tag whose value
    // changed, or none after the last combination.
    std::optional<std::size_t> Next()
    {
        for (std::size_t level = m_index.size(); level > 0; --level) {
            if (++m_index[level - 1] < m_generators[level - 1].Count())
                return level - 1;
            m_index[level - 1] = 0;
        }
        return std::nullopt;
    }

private:
    std::vector<TagValues> const& m_generators;
    std::vector<std::size_t> m_index;
};

} // namespace detail

namespace {

using detail::Combination;
using detail::ExpansionPlan;
using detail::TagValues;
using Ending = ExpansionPlan::Ending;

std::optional<TagValues> NumberValues(std::string_view tag)
{
    auto const parsed = ParseNumberTag(tag);
    if (!parsed)
        return std::nullopt;
    return TagValues::Numbers(*parsed);
}

std::optional<TagValues> CharacterValues(std::string_view tag)
{
    auto const parsed = ParseCharacterTag(tag);
    if (!parsed)
        return std::nullopt;
    return TagValues::Characters(*parsed);
}

std::optional<TagValues> ListValues(std::string_view tag)
{
    auto parsed = ParseListTag(tag);
    if (!parsed)
        return std::nullopt;
    return TagValues::Items(std::move(*parsed));
}

template<typename Record> ExpansionPlan::TreeTagRecord ReadTreeTag(std::optional<Record> parsed)
{
    if (!parsed)
        return std::monostate {};
    return std::move(*parsed);
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
    auto const kind = TagKindOf(tag[1]);
    if (!kind)
        return std::nullopt;
    std::optional<TagValues> values;
    switch (*kind) {
    case TagKind::Number:
        values = NumberValues(tag);
        break;
    case TagKind::Character:
        values = CharacterValues(tag);
        break;
    case TagKind::List:
        values = ListValues(tag);
        break;
    case TagKind::Add:
        plan.TreeTag = ReadTreeTag(ParseAddTag(tag));
        plan.End = Ending::TreeTag;
        return std::nullopt;
    case TagKind::Delete:
        plan.TreeTag = ReadTreeTag(ParseDeleteTag(tag));
        plan.End = Ending::TreeTag;
        return std::nullopt;
    case TagKind::Rename:
        plan.TreeTag = ReadTreeTag(ParseRenameTag(tag));
        plan.End = Ending::TreeTag;
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

// False when no combination can make anything: a tag that does not read, a
// tag without values, or a literal text that no name may hold.
bool CanMakeAnything(ExpansionPlan const& plan)
{
    if (plan.End == Ending::Nothing)
        return false;
    for (auto const& values : plan.Generators) {
        if (values.Count() == 0)
            return false;
    }
    if (plan.End != Ending::Name)
        return true;
    return std::none_of(plan.Literals.begin(), plan.Literals.end(),
        [](std::string_view literal) { return HasInvalidNameCharacter(literal); });
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

TagExpansion::TagExpansion(FolderTree& tree, SourceMap const* map)
    : m_tree(tree)
    , m_map(map)
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
    ExpandGenerated(tag_node, tag, NumberValues, prefix, suffix);
}

void TagExpansion::ExpandCharTag(
    NodeId tag_node, std::string_view tag, std::string_view prefix, std::string_view suffix)
{
    ExpandGenerated(tag_node, tag, CharacterValues, prefix, suffix);
}

void TagExpansion::ExpandListTag(
    NodeId tag_node, std::string_view tag, std::string_view prefix, std::string_view suffix)
{
    ExpandGenerated(tag_node, tag, ListValues, prefix, suffix);
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
    if (auto const parsed = ParseAddTag(tag))
        AddPath(tag_node, *parsed);
}

void TagExpansion::ApplyDeleteTag(std::string_view tag)
{
    if (auto const parsed = ParseDeleteTag(tag))
        DeletePath(*parsed);
}

void TagExpansion::ApplyRenameTag(NodeId tag_node, std::string_view tag)
{
    if (auto const parsed = ParseRenameTag(tag))
        RenamePath(tag_node, *parsed);
}

void TagExpansion::Run(NodeId tag_node, ExpansionPlan const& plan)
{
    if (!m_tree.IsInTree(tag_node) || tag_node == m_tree.Root() || !CanMakeAnything(plan))
        return;
    NestedSize const nested = MeasureNested(tag_node);
    std::size_t const levels = plan.Generators.size();
    Combination combination(plan.Generators);
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
                length += plan.Generators[level].Length(combination.Index(level))
                    + plan.Literals[level + 1].size();
            if (!SpendBytes(length))
                return;
            m_name.resize(marks[changed]);
            for (std::size_t level = changed; level < levels; ++level) {
                plan.Generators[level].Append(combination.Index(level), m_name);
                m_name += plan.Literals[level + 1];
                marks[level + 1] = m_name.size();
            }
            keep_going = MakeFolder(tag_node, m_name, nested);
        } else {
            keep_going = ApplyTreeTag(tag_node, plan, nested);
        }
        if (!keep_going)
            return;
        auto const next = combination.Next();
        if (!next)
            return;
        changed = *next;
    }
}

bool TagExpansion::MakeFolder(NodeId tag_node, std::string const& name, NestedSize nested)
{
    if (name.empty() || IsDotName(name))
        return true;
    NodeId const folder = m_tree.FindOrAppendChild(m_tree.Parent(tag_node), name, m_tree.Data(tag_node));
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
    if (auto const* add = std::get_if<AddTag>(&plan.TreeTag))
        changed = AddPath(tag_node, *add);
    else if (auto const* removal = std::get_if<DeleteTag>(&plan.TreeTag))
        changed = DeletePath(*removal);
    else if (auto const* rename = std::get_if<RenameTag>(&plan.TreeTag))
        changed = RenamePath(tag_node, *rename);
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

bool TagExpansion::AddPath(NodeId tag_node, AddTag const& tag)
{
    std::vector<std::string_view> parts;
    SplitTagPath(tag.Path, parts);
    NodeId folder = m_tree.Root();
    bool changed = false;
    for (std::string_view const part : parts) {
        if (NodeId const found = m_tree.FindChildNode(folder, part); found != NoNode) {
            folder = found;
            continue;
        }
        // An empty part, "." and ".." are names like any other here.
        if (!HasInvalidNameCharacter(part)) {
            NodeId const added = m_tree.FindOrAppendChild(folder, part, m_map ? m_map->NewestLine() : -1);
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

bool TagExpansion::DeletePath(DeleteTag const& tag)
{
    std::vector<std::string_view> parts;
    SplitTagPath(tag.Path, parts);
    NodeId const folder = FindPath(m_tree, parts);
    if (folder == NoNode)
        return false;
    m_tree.RemoveNode(folder);
    return true;
}

bool TagExpansion::RenamePath(NodeId tag_node, RenameTag const& tag)
{
    std::string const& name = tag.NewName;
    if (HasInvalidNameCharacter(name))
        return false;
    std::vector<std::string_view> parts;
    SplitTagPath(tag.Path, parts);
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
    std::size_t const limit = m_tree.BudgetTimes(NamesPerFolder);
    if (m_names_generated >= limit) {
        m_tree.StopRead(ReadLimit::GeneratedNames, limit);
        return false;
    }
    ++m_names_generated;
    return true;
}

bool TagExpansion::SpendBytes(std::size_t bytes)
{
    std::size_t const limit = m_tree.BudgetTimes(BytesPerFolder);
    if (bytes > limit - std::min(limit, m_bytes_generated)) {
        m_tree.StopRead(ReadLimit::NameBytes, limit);
        return false;
    }
    m_bytes_generated += bytes;
    return true;
}

} // namespace edamaki
