// Searching 1 MB of Shift-JIS source text for a string it does not hold, so
// every candidate is tried: down and up, ignoring or matching case, with and
// without whole words. Bytes per second is the figure to compare.

#include "core/search/TextSearch.h"
#include "core/text/Encoding.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

std::string Sjis(std::string_view utf8)
{
    return edamaki::Utf8ToShiftJis(utf8).Text;
}

// About 1 MB of source lines: Japanese folder names, ASCII names, CR LF.
std::string const& SourceText()
{
    static std::string const text = [] {
        std::string const parts[] = {
            Sjis("資料\\プロジェクト"),
            Sjis("\\ドキュメント\\会議録_"),
            "\\Folder_abc\\Release-",
            Sjis("\\ａｂｃ表示ソフト\r\n"),
        };
        std::string result;
        for (int line = 0; result.size() < 1024 * 1024; ++line) {
            result += parts[0] + std::to_string(line % 1000) + parts[1] + std::to_string(line) + parts[2]
                + std::to_string(line % 7) + parts[3];
        }
        result.resize(1024 * 1024);
        return result;
    }();
    return text;
}

void BM_SearchText(benchmark::State& state)
{
    auto const& text = SourceText();
    // Begins like many places of the text, so comparisons go past the first byte.
    std::string const search = Sjis("プロジェクトＺ");
    auto const flags = static_cast<edamaki::SearchFlags>(state.range(0));
    bool const down = flags & edamaki::SearchDown;
    for (auto _ : state) {
        edamaki::TextRange range { down ? 0 : static_cast<std::ptrdiff_t>(text.size()), 0 };
        benchmark::DoNotOptimize(edamaki::SearchText(text, range, search, flags));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
    state.SetLabel(std::string(down ? "down" : "up") + ((flags & edamaki::SearchMatchCase) ? " case" : "")
        + ((flags & edamaki::SearchWholeWord) ? " word" : ""));
}

BENCHMARK(BM_SearchText)->DenseRange(0, 7)->Unit(benchmark::kMillisecond);

} // namespace
