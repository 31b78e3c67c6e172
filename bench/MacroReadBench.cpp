// Reading macro sources. The desktop program reads the whole source at every
// key stroke, so a source of a few thousand lines with tags should read within
// one frame (16 ms); a source whose tags ask for billions of folders should be
// stopped by the folder budget quickly.

#include "core/document/SourceDocument.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

// A realistic source: project blocks with numbered, lettered and listed
// folders and nested templates, plain folders, and the add, rename and
// delete lines that the tree pane appends at the end.
Lines TaggedSource(int line_count)
{
    Lines lines { "<?dezodedu-macro?>", "C:\\Work" };
    int block = 0;
    while (static_cast<int>(lines.size()) < line_count - 30) {
        std::string const id = std::to_string(block++);
        lines.push_back("; block " + id);
        lines.push_back("Project" + id + "-<#2:1-5>");
        lines.push_back(">src");
        lines.push_back(">>module<@1:A-D>");
        lines.push_back(">>>test");
        lines.push_back(">doc");
        lines.push_back(">><$:plan,design,manual>");
        lines.push_back("Year" + id + "-<#4:2021-2024>");
        lines.push_back(">Q<#1:1-4>");
        lines.push_back(">>report");
        lines.push_back("Shared" + id);
        lines.push_back(">templates");
        lines.push_back(">>letters");
        lines.push_back(">images");
        lines.push_back("");
    }
    for (int index = 0; static_cast<int>(lines.size()) < line_count; ++index) {
        std::string const id = std::to_string(index);
        switch (index % 3) {
        case 0:
            lines.push_back("<+:Shared" + id + "/new/folder" + id + ">");
            break;
        case 1:
            lines.push_back("<r:Shared" + id + "/images,pictures>");
            break;
        default:
            lines.push_back("<-:Shared" + id + "/templates/letters>");
            break;
        }
    }
    return lines;
}

// Every line a tag at the top level: many placeholders beside many folders.
Lines TopLevelTagSource(int line_count)
{
    Lines lines { "<?dezodedu-macro?>" };
    for (int index = 1; index < line_count; ++index)
        lines.push_back("Item" + std::to_string(index) + "_<#2:1-10>");
    return lines;
}

// The same folders without tags, in both modes, for the cost of a line.
Lines PlainMacroSource(int line_count)
{
    Lines lines { "<?dezodedu-macro?>" };
    for (int index = 1; index < line_count; ++index) {
        switch (index % 4) {
        case 1:
            lines.push_back("Project" + std::to_string(index / 4));
            break;
        case 2:
            lines.push_back(">src");
            break;
        case 3:
            lines.push_back(">>main");
            break;
        default:
            lines.push_back(">doc");
            break;
        }
    }
    return lines;
}

Lines PlainTextSource(int line_count)
{
    Lines lines;
    for (int index = 0; index < line_count; ++index) {
        std::string const project = "Project" + std::to_string(index / 3);
        switch (index % 3) {
        case 0:
            lines.push_back(project + "\\src\\main");
            break;
        default:
            lines.push_back(project + "\\doc");
            break;
        }
    }
    return lines;
}

// Reads the source again and again with the reader of its mode, as the
// desktop program does after each key stroke.
void ReadRepeatedly(benchmark::State& state, Lines const& lines)
{
    edamaki::FolderTree tree;
    for (auto _ : state) {
        edamaki::ReadSource(tree, lines);
        benchmark::DoNotOptimize(tree.NodeCount());
    }
    state.counters["folders"] = static_cast<double>(tree.NodeCount() - 1);
    state.counters["truncated"] = tree.IsTruncated() ? 1 : 0;
}

void ReadMade(benchmark::State& state, Lines (*make)(int))
{
    ReadRepeatedly(state, make(static_cast<int>(state.range(0))));
}

void BM_ReadTaggedMacroSource(benchmark::State& state)
{
    ReadMade(state, TaggedSource);
}
void BM_ReadTopLevelTags(benchmark::State& state)
{
    ReadMade(state, TopLevelTagSource);
}
void BM_ReadPlainMacroSource(benchmark::State& state)
{
    ReadMade(state, PlainMacroSource);
}
void BM_ReadPlainTextSource(benchmark::State& state)
{
    ReadMade(state, PlainTextSource);
}

// The time until the folder budget stops a sequence to the largest number.
void BM_BudgetStopsTheLongestSequence(benchmark::State& state)
{
    ReadRepeatedly(state, { "<?dezodedu-macro?>", "<#1:0-2147483647>" });
}

// The same, when every value copies a nested line to the top level.
void BM_BudgetStopsRepeatedCopies(benchmark::State& state)
{
    ReadRepeatedly(state, { "<?dezodedu-macro?>", "<#1:0-2147483647><-:none>", ">copied" });
}

// The same, when the folders go under a tag line that removes them again:
// the nodes made in all stop it.
void BM_BudgetStopsExpansionWork(benchmark::State& state)
{
    ReadRepeatedly(state, { "<?dezodedu-macro?>", "<$:>", "><#1:0-2147483647>", ">>copied" });
}

BENCHMARK(BM_ReadTaggedMacroSource)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadTopLevelTags)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadPlainMacroSource)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadPlainTextSource)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BudgetStopsTheLongestSequence)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BudgetStopsRepeatedCopies)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BudgetStopsExpansionWork)->Unit(benchmark::kMillisecond);

} // namespace
