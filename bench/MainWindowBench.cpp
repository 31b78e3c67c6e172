// One key stroke in a macro source of 2,000, 20,000 and 100,000 lines: the
// source is read again and the tree view shows the new tree. Two kinds of
// stroke: a letter at the end of a name (a folder renamed), and a letter on
// an empty line in the middle (a new top-level folder, and every source range
// after it moves). Two figures per stroke, each against one frame (16 ms):
// the time until the view shows the tree of the new text, and the longest
// stretch that the user-interface thread spent on one event meanwhile (while
// it lasts, the next key waits). A parent folder is set, so the folder marks
// are on and follow the strokes. The core read alone runs beside it, so the
// share of the view is visible.

#include "bench/BenchWindows.h"
#include "bench/UiThreadHold.h"
#include "core/document/Document.h"
#include "core/text/Encoding.h"
#include "core/tree/MacroSourceReader.h"
#include "gui/qt/QtShiftJis.h"
#include "gui/widgets/FolderTreeView.h"
#include "gui/windows/TForm1.h"
#include "gui/windows/TForm3.h"
#include "gui/windows/TMainForm.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QTextBlock>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

namespace {

constexpr double FrameSeconds = 0.016;

// A key press and release, delivered as the window system delivers them.
void PressKey(QWidget* widget, Qt::Key key, QString const& text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &release);
}

void KeyStrokeInMacroSource(benchmark::State& state, bool new_folder)
{
    auto const line_count = static_cast<int>(state.range(0));
    BenchWindows windows;
    QPlainTextEdit* editor = windows.editor;
    editor->setPlainText(MacroBenchSource(line_count));
    // A parent folder, so that the pane's folder marks follow the strokes.
    QTemporaryDir parent;
    windows.pane->SetRootPath(parent.path().toStdString());
    editor->setFocus();
    // The caret at the end of a name in the middle of the source, or on an
    // empty line before the customer in the middle.
    QTextCursor caret(editor->document()->findBlockByNumber(line_count / 2 + (new_folder ? 1 : 8)));
    if (new_folder) {
        caret.insertText(QStringLiteral("\n"));
        caret.movePosition(QTextCursor::PreviousBlock);
    }
    caret.movePosition(QTextCursor::EndOfBlock);
    editor->setTextCursor(caret);
    windows.WaitForTree();
    edamaki::FolderTreeView* view = windows.pane->Tree1;
    QApplication::processEvents();

    bool typed = false;
    double total_time = 0;
    double longest_hold = 0;
    double total_hold = 0;
    for (auto _ : state) {
        UiThreadHold::Reset();
        auto const start = std::chrono::steady_clock::now();
        // Type a letter, then take it back: the source stays the same size.
        PressKey(editor, typed ? Qt::Key_Backspace : Qt::Key_X, typed ? QString() : QStringLiteral("x"));
        typed = !typed;
        windows.WaitForTree();
        view->viewport()->repaint();
        auto const end = std::chrono::steady_clock::now();
        double const time = std::chrono::duration<double>(end - start).count();
        state.SetIterationTime(time);
        total_time += time;
        double const hold = UiThreadHold::Longest().count();
        longest_hold = std::max(longest_hold, hold);
        total_hold += hold;
    }
    auto const strokes = static_cast<double>(state.iterations());
    state.counters["lines"] = static_cast<double>(editor->document()->blockCount());
    state.counters["nodes"] = static_cast<double>(windows.document.Tree.NodeCount());
    state.counters["hold_ms"] = total_hold / strokes * 1000;
    state.counters["hold_max_ms"] = longest_hold * 1000;
    state.counters["hold_per_frame"] = total_hold / strokes / FrameSeconds;
    state.counters["hold_max_per_frame"] = longest_hold / FrameSeconds;
    state.counters["stroke_per_frame"] = total_time / strokes / FrameSeconds;
}
BENCHMARK_CAPTURE(KeyStrokeInMacroSource, rename, false)
    ->Arg(2'000)
    ->Arg(20'000)
    ->Arg(100'000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);
BENCHMARK_CAPTURE(KeyStrokeInMacroSource, new_folder, true)
    ->Arg(2'000)
    ->Arg(20'000)
    ->Arg(100'000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

void ReadMacroSourceOnly(benchmark::State& state)
{
    std::vector<std::string> const lines = edamaki::SplitLines(
        edamaki::QStringToShiftJisForReading(MacroBenchSource(static_cast<int>(state.range(0)))));
    edamaki::FolderTree tree;
    for (auto _ : state) {
        edamaki::LoadMacroSource(tree, lines);
        benchmark::DoNotOptimize(tree.NodeCount());
    }
    state.counters["lines"] = static_cast<double>(lines.size());
    state.counters["nodes"] = static_cast<double>(tree.NodeCount());
}
BENCHMARK(ReadMacroSourceOnly)->Arg(2'000)->Arg(20'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

} // namespace
