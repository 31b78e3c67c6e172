// The log window filling 100,000 lines, side by side with the same run
// reporting to no window at all: the difference is what the log costs.
// hold_max_ms is the longest the window kept the user waiting for a key
// stroke or a paint during a run.

#include "bench/UiThreadHold.h"
#include "core/disk/CreationRun.h"
#include "core/tree/TextSourceReader.h"
#include "gui/models/LogListModel.h"
#include "gui/windows/TForm3.h"

#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using edamaki::TForm3;

constexpr int GroupCount = 100;
constexpr int FoldersPerGroup = 999;

// 100 folders with 999 subfolders each: 100,000 folders, 100,000 log lines.
edamaki::FolderTree HundredThousandFolders(QString const& parent)
{
    std::vector<std::string> lines;
    char line[32];
    for (int group = 0; group < GroupCount; ++group) {
        for (int folder = 0; folder < FoldersPerGroup; ++folder) {
            std::snprintf(line, sizeof line, "Group%03d\\Folder%03d", group, folder);
            lines.emplace_back(line);
        }
    }
    edamaki::FolderTree tree;
    edamaki::LoadTextSource(tree, lines);
    tree.SetRootPath(parent.toStdString());
    return tree;
}

class NullSink final : public edamaki::CreationSink {
public:
    void FolderHandled(edamaki::FolderReport const& report) override
    {
        benchmark::DoNotOptimize(report.Path);
    }
    void NothingToCreate() override { }
};

void RunInLogWindow(TForm3& form, edamaki::FolderTree const& tree, double& longest_hold)
{
    QObject::connect(&form, &TForm3::RunFinished, form.CloseBtn, &QPushButton::click,
        static_cast<Qt::ConnectionType>(Qt::QueuedConnection | Qt::SingleShotConnection));
    UiThreadHold::Reset();
    form.StartCreation(tree);
    longest_hold = std::max(longest_hold, UiThreadHold::Longest().count());
}

// The 100,000 folders on disk, made once for every benchmark of the run.
struct ExistingFolders {
    QTemporaryDir Directory;
    edamaki::FolderTree Tree = HundredThousandFolders(Directory.path());

    ExistingFolders()
    {
        NullSink sink;
        edamaki::CreateFolders(Tree, sink);
    }

    static ExistingFolders const& Instance()
    {
        static ExistingFolders const folders;
        return folders;
    }
};

// Every folder exists already: the file system does the least, the log the most.
void BM_LogWindowExistingFolders(benchmark::State& state)
{
    auto const& tree = ExistingFolders::Instance().Tree;
    TForm3 form;
    double longest_hold = 0;
    for (auto _ : state)
        RunInLogWindow(form, tree, longest_hold);
    state.counters["lines"] = static_cast<double>(form.Log().LineCount());
    state.counters["hold_max_ms"] = longest_hold * 1000;
}

void BM_NoWindowExistingFolders(benchmark::State& state)
{
    auto const& tree = ExistingFolders::Instance().Tree;
    NullSink sink;
    for (auto _ : state)
        edamaki::CreateFolders(tree, sink);
}

// The parent folder is missing: every folder fails at once, so the run is
// almost all log.
void BM_LogWindowFailingFolders(benchmark::State& state)
{
    auto const tree = HundredThousandFolders(QStringLiteral("/nonexistent-edamaki-parent"));
    TForm3 form;
    double longest_hold = 0;
    for (auto _ : state)
        RunInLogWindow(form, tree, longest_hold);
    state.counters["lines"] = static_cast<double>(form.Log().LineCount());
    state.counters["hold_max_ms"] = longest_hold * 1000;
}

void BM_NoWindowFailingFolders(benchmark::State& state)
{
    auto const tree = HundredThousandFolders(QStringLiteral("/nonexistent-edamaki-parent"));
    NullSink sink;
    for (auto _ : state)
        edamaki::CreateFolders(tree, sink);
}

// Timed by the clock: the log window's run goes on a thread of its own.
BENCHMARK(BM_NoWindowFailingFolders)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();
BENCHMARK(BM_LogWindowFailingFolders)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();
BENCHMARK(BM_NoWindowExistingFolders)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();
BENCHMARK(BM_LogWindowExistingFolders)->Unit(benchmark::kMillisecond)->MinTime(2)->UseRealTime();

} // namespace
