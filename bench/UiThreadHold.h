#pragma once

// The longest stretch that the user-interface thread spent on one event
// since the last reset: while it lasts, no key stroke is handled. The
// benchmarks' application measures every event it delivers from the top
// (events sent from inside another event count with the outer one).

#include <chrono>

namespace UiThreadHold {

void Reset();
std::chrono::duration<double> Longest();

} // namespace UiThreadHold
