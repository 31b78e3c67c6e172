// Reading text-mode sources: the cost per line should stay flat as sources grow.

#include "core/tree/TextSourceReader.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

// A realistic source: projects with a few levels of shared folders.
std::vector<std::string> MixedSource(int line_count)
{
    std::vector<std::string> lines { "C:\\Work" };
    for (int index = 0; index < line_count; ++index) {
        lines.push_back("Project" + std::to_string(index / 100) + "\\Part" + std::to_string(index / 10 % 10)
            + "\\Item" + std::to_string(index % 10) + "\\doc");
    }
    return lines;
}

// Every line adds one folder under the same parent.
std::vector<std::string> WideSource(int line_count)
{
    std::vector<std::string> lines;
    for (int index = 0; index < line_count; ++index)
        lines.push_back("Parent\\Folder" + std::to_string(index));
    return lines;
}

void ReadSource(benchmark::State& state, std::vector<std::string> (*make)(int))
{
    auto const lines = make(static_cast<int>(state.range(0)));
    edamaki::FolderTree tree;
    for (auto _ : state) {
        edamaki::LoadTextSource(tree, lines);
        benchmark::DoNotOptimize(tree.NodeCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ReadMixedTextSource(benchmark::State& state)
{
    ReadSource(state, MixedSource);
}
void BM_ReadWideTextSource(benchmark::State& state)
{
    ReadSource(state, WideSource);
}

BENCHMARK(BM_ReadMixedTextSource)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadWideTextSource)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
