// Reads arbitrary bytes as a macro source and as a text source, writes the
// trees back in both modes and reads what was written. Nothing may crash,
// hang or leave the tree in a state that the program cannot show, and what
// is written reads back as the same folders wherever a source can hold the
// names (a text read always can).
//
// Build with clang (-DEDAMAKI_BUILD_FUZZ=ON) and run, for instance:
//   build-fuzz/SourceReaderFuzzer -max_len=4096 -timeout=10 corpus/

#include "core/text/Encoding.h"
#include "core/text/ShiftJis.h"
#include "core/tree/FolderTree.h"
#include "core/tree/MacroSourceReader.h"
#include "core/tree/SourceWriters.h"
#include "core/tree/TextSourceReader.h"

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

using edamaki::FolderTree;
using edamaki::NodeId;

// Small enough that inputs which multiply folders finish quickly; the limits
// of the tag expansion grow with it.
constexpr std::size_t FuzzFolderBudget = 2'000;

std::vector<std::string> SplitLines(std::string_view bytes)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t offset = 0; offset < bytes.size(); ++offset) {
        if (bytes[offset] != '\r' && bytes[offset] != '\n')
            continue;
        lines.emplace_back(bytes.substr(start, offset - start));
        if (bytes[offset] == '\r' && offset + 1 < bytes.size() && bytes[offset + 1] == '\n')
            ++offset;
        start = offset + 1;
    }
    if (start < bytes.size())
        lines.emplace_back(bytes.substr(start));
    return lines;
}

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

// No tag placeholder is left, and every folder names a recorded line.
void CheckMacroTree(FolderTree const& tree, edamaki::SourceMap const& map)
{
    Check(tree.HasRoot());
    // Every node but the root is a folder that counts against the budget.
    Check(tree.IsTruncated() || tree.FolderCount() + 1 == tree.NodeCount());
    Check(map.IsMacro());
    auto const records = static_cast<std::int32_t>(map.LineCount());
    tree.WalkDescendants(tree.Root(), [&](NodeId node, int) {
        Check(!edamaki::HasMacroTag(tree.Name(node)));
        Check(tree.Data(node) >= 0 && tree.Data(node) < records);
    });
}

// The folders the tree makes on disk: every node's path. Siblings of the
// same name (the tag expansion can make them) are one folder.
std::set<std::string> Folders(FolderTree const& tree)
{
    std::set<std::string> folders;
    tree.WalkDescendants(tree.Root(), [&](NodeId node, int) { folders.insert(tree.GetNodePath(node)); });
    return folders;
}

// Every name would read back as itself from a source line.
bool NamesSurviveASource(FolderTree const& tree)
{
    bool survive = true;
    tree.WalkDescendants(tree.Root(), [&](NodeId node, int depth) {
        std::string_view const name = tree.Name(node);
        // Bytes that are not Shift-JIS (a lead byte at the end) would join the separator after them.
        survive = survive && edamaki::IsValidFolderName(name) && edamaki::ShiftJisToUtf8(name).Succeeded()
            && edamaki::TrimBlanks(name).size() == name.size() && !(depth == 1 && name.front() == ';');
    });
    return survive;
}

// Written in `mode` and read again, the tree holds the same folders.
void CheckRoundTrip(FolderTree& tree, bool macro)
{
    if (tree.IsTruncated() || !NamesSurviveASource(tree))
        return;
    auto const before = Folders(tree);
    std::vector<std::string> written;
    if (macro) {
        edamaki::MakeScript(tree, written);
        edamaki::LoadMacroSource(tree, written);
    } else {
        edamaki::MakeText(tree, written);
        edamaki::LoadTextSource(tree, written);
    }
    Check(Folders(tree) == before);
}

void ReadMacro(FolderTree& tree, std::vector<std::string> const& lines)
{
    edamaki::SourceMap map;
    edamaki::LoadMacroSource(tree, map, lines);
    CheckMacroTree(tree, map);
    if (tree.IsTruncated())
        return;
    CheckRoundTrip(tree, true);
    edamaki::LoadMacroSource(tree, lines);
    CheckRoundTrip(tree, false);
    edamaki::LoadMacroSource(tree, lines);
    std::vector<std::string> script;
    edamaki::MakeScript(tree, script);
    edamaki::LoadMacroSource(tree, map, script);
    CheckMacroTree(tree, map);
    std::vector<std::string> text;
    edamaki::MakeText(tree, text);
    edamaki::LoadTextSource(tree, text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    std::vector<std::string> lines = SplitLines({ reinterpret_cast<char const*>(data), size });
    FolderTree tree;
    tree.SetFolderBudget(FuzzFolderBudget);

    // As it is: a text source, or a macro source when it begins with the header.
    edamaki::LoadTextSource(tree, lines);
    CheckRoundTrip(tree, false);
    edamaki::LoadTextSource(tree, lines);
    if (!tree.IsTruncated()) {
        std::vector<std::string> text;
        edamaki::MakeText(tree, text);
        edamaki::LoadTextSource(tree, text);
    }
    ReadMacro(tree, lines);

    // And as the body of a macro source.
    lines.insert(lines.begin(), std::string(edamaki::MacroHeader));
    ReadMacro(tree, lines);
    return 0;
}
