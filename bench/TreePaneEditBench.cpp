// Edits in the tree pane, each written back into the source editor: renaming
// a folder and adding one in a 2,000-line macro source, and deleting 1,000
// selected folders of a folder of 10,000. Each is timed from the command until
// the view has repainted, the write-back included, against one frame (16 ms).
// Between edits the source is taken back with the editor's undo (not timed).

#include "bench/BenchWindows.h"
#include "core/document/Document.h"
#include "gui/models/FolderTreeModel.h"
#include "gui/widgets/FolderTreeView.h"
#include "gui/windows/TForm1.h"

#include <QApplication>
#include <QItemSelection>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;
using edamaki::NodeId;
using edamaki::TForm1;

constexpr double FrameSeconds = 0.016;

QLineEdit* OpenLabelEdit(edamaki::FolderTreeView const& view)
{
    for (auto* edit : view.findChildren<QLineEdit*>()) {
        if (edit->isVisible())
            return edit;
    }
    return nullptr;
}

void PressKey(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(widget, &release);
}

// The contract folder of the customer in the middle of the source.
NodeId MiddleFolder(edamaki::FolderTree const& tree)
{
    auto const& customers = tree.Children(tree.Root());
    NodeId const customer = customers[customers.size() / 2];
    return tree.FindChildNode(customer, "\x8c\x5f\x96\xf1"); // 契約
}

void SelectAlone(TForm1& pane, NodeId node)
{
    pane.Tree1->selectionModel()->setCurrentIndex(
        pane.Model().IndexOfNode(node), QItemSelectionModel::ClearAndSelect);
}

// The windows with `source` in the editor, its tree shown in the pane.
void Open(BenchWindows& windows, QString const& source)
{
    // The form panel takes the pane in at its first paint.
    while (!windows.pane->isVisible())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    windows.editor->setPlainText(source);
    windows.WaitForTree();
}

// The source as it was before the edit, read again.
void TakeBack(BenchWindows& windows)
{
    windows.editor->undo();
    windows.WaitForTree();
}

void Report(benchmark::State& state, BenchWindows const& windows, double total_seconds)
{
    double const per_edit = total_seconds / static_cast<double>(state.iterations());
    state.counters["lines"] = static_cast<double>(windows.editor->document()->blockCount());
    state.counters["nodes"] = static_cast<double>(windows.document.Tree.NodeCount());
    state.counters["edit_per_frame"] = per_edit / FrameSeconds;
}

// Times `edit` and the repaint it causes once per iteration, `prepare` before
// the clock starts and `settle` after it stops; the source is then taken back.
// An edit that returns false ends the run.
template<typename Prepare, typename Edit, typename Settle>
void TimeEdits(benchmark::State& state, BenchWindows& windows, Prepare const& prepare, Edit const& edit,
    Settle const& settle)
{
    double total = 0;
    for (auto _ : state) {
        prepare();
        auto const start = Clock::now();
        if (!edit()) {
            state.SkipWithError("no label edit opened");
            break;
        }
        windows.pane->Tree1->viewport()->repaint();
        double const seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        total += seconds;
        settle();
        TakeBack(windows);
    }
    Report(state, windows, total);
}

void RenameInMacroSource(benchmark::State& state)
{
    BenchWindows windows;
    Open(windows, MacroBenchSource(2'000));
    TForm1& pane = *windows.pane;
    TimeEdits(
        state, windows, [&] { SelectAlone(pane, MiddleFolder(windows.document.Tree)); },
        [&] {
            pane.mEditNodeClick();
            QLineEdit* edit = OpenLabelEdit(*pane.Tree1);
            if (!edit)
                return false;
            edit->setText(QStringLiteral("発注"));
            PressKey(edit, Qt::Key_Return);
            return true;
        },
        [] {});
}
BENCHMARK(RenameInMacroSource)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

void AddInMacroSource(benchmark::State& state)
{
    BenchWindows windows;
    Open(windows, MacroBenchSource(2'000));
    TForm1& pane = *windows.pane;
    TimeEdits(
        state, windows, [&] { SelectAlone(pane, MiddleFolder(windows.document.Tree)); },
        [&] {
            pane.mAddCNodeClick();
            return true;
        },
        [&] {
            if (QLineEdit* edit = OpenLabelEdit(*pane.Tree1))
                PressKey(edit, Qt::Key_Escape);
        });
}
BENCHMARK(AddInMacroSource)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

// A folder R holding f00000 to f09999, as a macro or a text source.
QString WideSource(bool macro)
{
    QString source = macro ? QStringLiteral("<?dezodedu-macro?>\nR\n") : QString();
    for (int child = 0; child < 10'000; ++child)
        source += (macro ? QStringLiteral(">f%1\n") : QStringLiteral("R\\f%1\n"))
                      .arg(child, 5, 10, QLatin1Char('0'));
    return source;
}

// Selects every tenth child of the top-level folder, as Ctrl-clicks would.
void SelectEveryTenthChild(TForm1& pane, edamaki::FolderTree const& tree)
{
    auto const& children = tree.Children(tree.Children(tree.Root()).front());
    QItemSelection every_tenth;
    for (std::size_t child = 0; child < children.size(); child += 10) {
        QModelIndex const index = pane.Model().IndexOfNode(children[child]);
        every_tenth.select(index, index);
    }
    pane.Tree1->selectionModel()->select(every_tenth, QItemSelectionModel::ClearAndSelect);
}

void DeleteThousandSiblings(benchmark::State& state, bool macro)
{
    BenchWindows windows;
    Open(windows, WideSource(macro));
    TForm1& pane = *windows.pane;
    TimeEdits(
        state, windows, [&] { SelectEveryTenthChild(pane, windows.document.Tree); },
        [&] {
            pane.mDelNodeClick();
            return true;
        },
        [] {});
}
BENCHMARK_CAPTURE(DeleteThousandSiblings, macro, true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);
BENCHMARK_CAPTURE(DeleteThousandSiblings, text, false)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

// Shift+End from a folder in the middle: the rows to the end hold folders of
// every depth, and the pane keeps only the siblings among them.
void SelectToTheEnd(benchmark::State& state)
{
    BenchWindows windows;
    Open(windows, MacroBenchSource(static_cast<int>(state.range(0))));
    TForm1& pane = *windows.pane;
    double total = 0;
    for (auto _ : state) {
        SelectAlone(pane, MiddleFolder(windows.document.Tree));
        auto const start = Clock::now();
        PressKey(pane.Tree1, Qt::Key_End, Qt::ShiftModifier);
        pane.Tree1->viewport()->repaint();
        double const seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        total += seconds;
    }
    state.counters["selected"] = static_cast<double>(pane.SelectedNodes().size());
    Report(state, windows, total);
}
BENCHMARK(SelectToTheEnd)->Arg(20'000)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
