// Benchmarks of the desktop program's windows: one QApplication for the whole
// run, on the offscreen platform unless a display is there.

#include "bench/UiThreadHold.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

using Clock = std::chrono::steady_clock;

int g_depth = 0;
Clock::duration g_longest {};

// Times every event it delivers, outermost calls only.
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        if (g_depth > 0)
            return QApplication::notify(receiver, event);
        ++g_depth;
        auto const start = Clock::now();
        bool const handled = QApplication::notify(receiver, event);
        g_longest = std::max(g_longest, Clock::now() - start);
        --g_depth;
        return handled;
    }
};

} // namespace

void UiThreadHold::Reset()
{
    g_longest = {};
}

std::chrono::duration<double> UiThreadHold::Longest()
{
    return g_longest;
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TimedApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
