// The tree pane's folder marks for a text source of 100,000 folders on a
// local disk, half of them there already (every top-level folder and every
// other one below it): the time from a key stroke that changes the tree until
// the pane shows the marks of the new tree, the wait for typing to pause
// included, against one second. The longest stretch that the user-interface
// thread spent on one event is counted too: until the pane shows the new tree
// (the read), and from then until it shows its marks (the copy of the tree
// for the forecast, and taking the forecast in).

#include "bench/BenchWindows.h"
#include "bench/UiThreadHold.h"
#include "gui/models/FolderTreeModel.h"
#include "gui/qt/FolderForecaster.h"
#include "gui/windows/TForm1.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTextBlock>

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

constexpr int TopFolders = 1'000;
constexpr int FoldersInEach = 99;

void PressKey(QWidget* widget, Qt::Key key, QString const& text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &release);
}

// The source, with the folders that are there already made below `parent`.
QString MakeFolders(QString const& parent)
{
    QDir const folder(parent);
    QString source = parent + u'\n';
    for (int top = 0; top < TopFolders; ++top) {
        QString const name = QStringLiteral("d%1").arg(top, 4, 10, QLatin1Char('0'));
        source += name + u'\n';
        for (int below = 0; below < FoldersInEach; ++below) {
            QString const path = name + QStringLiteral("/s%1").arg(below, 2, 10, QLatin1Char('0'));
            source += QString(path).replace(u'/', u'\\') + u'\n';
            if (below % 2 == 0 && below + 1 < FoldersInEach && !folder.mkpath(path))
                qFatal("could not make %s", qPrintable(path));
        }
    }
    return source;
}

void MarksForAHundredThousandFolders(benchmark::State& state)
{
    QTemporaryDir parent;
    if (!parent.isValid())
        qFatal("no temporary folder");
    QString const source = MakeFolders(parent.path());
    BenchWindows windows;
    edamaki::TForm1& pane = *windows.pane;
    auto const marks_shown
        = [&pane] { return !pane.Forecaster().IsPending() && pane.Model().Forecast() != nullptr; };
    auto const wait_for_marks = [&] {
        while (!marks_shown())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    };
    windows.editor->setPlainText(source);
    windows.WaitForTree();
    wait_for_marks();
    // The caret at the end of the last top-level folder's line.
    QTextCursor caret(
        windows.editor->document()->findBlockByNumber(1 + (TopFolders - 1) * (1 + FoldersInEach)));
    caret.movePosition(QTextCursor::EndOfBlock);
    windows.editor->setTextCursor(caret);

    bool typed = false;
    double longest_read_hold = 0;
    double longest_marks_hold = 0;
    for (auto _ : state) {
        UiThreadHold::Reset();
        auto const start = std::chrono::steady_clock::now();
        // A folder added, then taken away again.
        PressKey(
            windows.editor, typed ? Qt::Key_Backspace : Qt::Key_X, typed ? QString() : QStringLiteral("x"));
        typed = !typed;
        windows.WaitForTree();
        longest_read_hold = std::max(longest_read_hold, UiThreadHold::Longest().count());
        UiThreadHold::Reset();
        wait_for_marks();
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        longest_marks_hold = std::max(longest_marks_hold, UiThreadHold::Longest().count());
    }
    edamaki::FolderForecast const& forecast = *pane.Model().Forecast();
    state.counters["folders"] = static_cast<double>(forecast.New + forecast.Existing + forecast.Failing);
    state.counters["existing"] = static_cast<double>(forecast.Existing);
    state.counters["read_hold_max_ms"] = longest_read_hold * 1000;
    state.counters["marks_hold_max_ms"] = longest_marks_hold * 1000;
}
BENCHMARK(MarksForAHundredThousandFolders)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(5.0);

} // namespace
