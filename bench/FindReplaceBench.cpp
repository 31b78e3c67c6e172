// Find and replace in a 1 MB text source through the real dialogs: replace
// all of 10,000 matches (the edit and the tree's re-read included; budget:
// well under a second), and F3 to a match at the very end (budget: one frame,
// 16 ms), once with the editor's text already converted and once right after
// an edit, when the text is converted first.

#include "bench/BenchWindows.h"
#include "core/document/Document.h"
#include "gui/qt/QtShiftJis.h"
#include "gui/windows/FindDlg.h"
#include "gui/windows/ReplaceDlg.h"
#include "gui/windows/TForm1.h"
#include "gui/windows/TForm3.h"
#include "gui/windows/TMainForm.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

using edamaki::TFindDialog;
using edamaki::TReplaceDialog;

constexpr int MatchCount = 10000;
constexpr int LinesPerMatch = 3;

// About 1 MB of Shift-JIS: folder paths, every third one with "見積" in it,
// and a last line that is the only one with "最終".
QString OneMegabyteTextSource()
{
    QString source;
    for (int line = 0; line < MatchCount * LinesPerMatch; ++line) {
        QString const folder = line % LinesPerMatch == 0 ? QStringLiteral("見積") : QStringLiteral("設計");
        source += QStringLiteral("顧客%1\\案件%2\\%3\\下書き\\版\n")
                      .arg(line / 100, 5, 10, QLatin1Char('0'))
                      .arg(line % 100, 3, 10, QLatin1Char('0'))
                      .arg(folder);
    }
    source += QStringLiteral("最終");
    return source;
}

// Presses Yes or OK in every message box that opens while it lives.
class AnswerEveryBox {
public:
    AnswerEveryBox()
    {
        m_timer.callOnTimeout([] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            QAbstractButton* yes = box->button(QMessageBox::Yes);
            (yes ? yes : box->button(QMessageBox::Ok))->click();
        });
        m_timer.start(0);
    }

private:
    QTimer m_timer;
};

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void ReplaceAllTenThousand(benchmark::State& state)
{
    BenchWindows windows;
    QString const source = OneMegabyteTextSource();
    auto* const replace_dialog = Child<TReplaceDialog>(windows.form, "ReplaceDlg");
    Child<QAction>(windows.form, "mReplace")->trigger();
    replace_dialog->FindText->setText(QStringLiteral("見積"));
    replace_dialog->ReplaceTextField->setText(QStringLiteral("見積書"));
    AnswerEveryBox const answers;
    for (auto _ : state) {
        windows.editor->setPlainText(source);
        windows.WaitForTree();
        windows.Caret(0);
        auto const start = std::chrono::steady_clock::now();
        replace_dialog->ReplaceAllButton->click();
        windows.WaitForTree();
        state.SetIterationTime(SecondsSince(start));
    }
    // The source as the core counts it: Shift-JIS, each line break two bytes.
    state.counters["bytes"]
        = static_cast<double>(edamaki::QStringToShiftJisForReading(source).size() + source.count(u'\n'));
    state.counters["nodes"] = static_cast<double>(windows.document.Tree.NodeCount());
    state.counters["replaced_all"]
        = windows.editor->toPlainText().count(QStringLiteral("見積書")) == MatchCount;
}
BENCHMARK(ReplaceAllTenThousand)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// F3 from the start of the text to the one match at its end.
void FindNextToTheEnd(benchmark::State& state, bool edit_before)
{
    BenchWindows windows;
    windows.editor->setPlainText(OneMegabyteTextSource());
    Child<TFindDialog>(windows.form, "FindDlg")->SetSearchText(QStringLiteral("最終"));
    int const end = windows.editor->document()->characterCount() - 1;
    auto* const find_next = Child<QAction>(windows.form, "mFindNext");
    for (auto _ : state) {
        windows.Caret(0);
        if (edit_before) {
            // A change the tree pane makes no work of: the editor disabled.
            windows.editor->setEnabled(false);
            windows.editor->textCursor().insertText(QStringLiteral("x"));
            windows.editor->textCursor().deletePreviousChar();
            windows.editor->setEnabled(true);
            windows.Caret(0);
        }
        auto const start = std::chrono::steady_clock::now();
        find_next->trigger();
        state.SetIterationTime(SecondsSince(start));
        if (windows.editor->textCursor().selectionEnd() != end)
            state.SkipWithError("F3 did not find the match at the end");
    }
    state.counters["frame_ms"] = 16;
}
BENCHMARK_CAPTURE(FindNextToTheEnd, converted, false)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FindNextToTheEnd, after_an_edit, true)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
