// One key stroke in a 2,000-line macro source: the whole source is read again
// and the tree view shows the new tree. The budget is one frame (16 ms). The
// core read alone runs beside it, so the share of the view is visible.

#include "bench/BenchWindows.h"
#include "core/document/Document.h"
#include "core/text/Encoding.h"
#include "core/tree/MacroSourceReader.h"
#include "gui/qt/QtShiftJis.h"
#include "gui/windows/TForm1.h"
#include "gui/windows/TForm3.h"
#include "gui/windows/TMainForm.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextBlock>
#include <QTreeView>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

namespace {

constexpr int BlockCount = 200;
constexpr int LinesPerBlock = 10;

// 2,000 lines (with the header): customers with quotes by year, contracts,
// lettered drawings and a comment each.
QString TwoThousandLineMacroSource()
{
    QString source = QStringLiteral("<?dezodedu-macro?>\n");
    for (int block = 0; block < BlockCount; ++block) {
        source += QStringLiteral("顧客%1\n").arg(block, 3, 10, QLatin1Char('0'));
        source += QStringLiteral(
            ">見積<#4:2024-2026>\n>>下書き\n>>確定\n>契約\n>設計\n>>図面<@1:A-C>\n>>仕様書\n>納品\n");
        if (block + 1 < BlockCount)
            source += QStringLiteral(";\n");
    }
    source.chop(1); // no line break after the last line
    return source;
}

// A key press and release, delivered as the window system delivers them.
void PressKey(QWidget* widget, Qt::Key key, QString const& text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &release);
}

void KeyStrokeInMacroSource(benchmark::State& state)
{
    BenchWindows windows;
    QPlainTextEdit* editor = windows.form.SrcList;
    editor->setPlainText(TwoThousandLineMacroSource());
    editor->setFocus();
    // The caret at the end of a name in the middle of the source.
    QTextCursor caret(editor->document()->findBlockByNumber(BlockCount / 2 * LinesPerBlock + 8));
    caret.movePosition(QTextCursor::EndOfBlock);
    editor->setTextCursor(caret);
    QTreeView* view = windows.pane->Tree1;
    QApplication::processEvents();

    bool typed = false;
    for (auto _ : state) {
        auto const start = std::chrono::steady_clock::now();
        // Type a letter, then take it back: the source stays the same size.
        PressKey(editor, typed ? Qt::Key_Backspace : Qt::Key_X, typed ? QString() : QStringLiteral("x"));
        typed = !typed;
        view->viewport()->repaint();
        auto const end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
    state.counters["lines"] = static_cast<double>(editor->document()->blockCount());
    state.counters["nodes"] = static_cast<double>(windows.document.Tree.NodeCount());
    state.counters["frame_ms"] = 16;
}
BENCHMARK(KeyStrokeInMacroSource)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

void ReadMacroSourceOnly(benchmark::State& state)
{
    std::vector<std::string> const lines
        = edamaki::SplitLines(edamaki::QStringToShiftJisForReading(TwoThousandLineMacroSource()));
    edamaki::FolderTree tree;
    for (auto _ : state) {
        edamaki::LoadMacroSource(tree, lines);
        benchmark::DoNotOptimize(tree.NodeCount());
    }
    state.counters["lines"] = static_cast<double>(lines.size());
    state.counters["nodes"] = static_cast<double>(tree.NodeCount());
}
BENCHMARK(ReadMacroSourceOnly)->Unit(benchmark::kMillisecond);

} // namespace
