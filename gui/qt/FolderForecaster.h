#pragma once

// Keeps a forecast of the creation run (see FolderForecast) for the tree as
// it stands. Each change restarts a short wait; once changes pause, a copy
// of the tree is forecast on a thread of its own. A change meanwhile stops
// that forecast and its result is dropped: every forecast is numbered, and
// only the one of the latest change is taken. Nothing here ever waits for a
// forecast's thread, which a file server that no longer answers may hold for
// long: the thread owns what it uses and, once done, posts its result, which
// the forecaster takes only if it is still there.

#include "core/disk/FolderForecast.h"
#include "core/tree/FolderTree.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>

namespace edamaki {

class HostFileSystem;

class FolderForecaster : public QObject {
    Q_OBJECT

public:
    // How long the tree stays unchanged before it is forecast.
    static constexpr std::chrono::milliseconds DefaultDelay { 150 };
    // Forecasts still running (each asked to stop) that a new one may join;
    // past that the next waits for one to end, so that a file server that
    // holds every call never gathers threads.
    static constexpr std::size_t MostRunning = 4;

    // `tree` must outlive this.
    explicit FolderForecaster(FolderTree const& tree, QObject* parent = nullptr);
    // Stops a forecast still running, without waiting for it.
    ~FolderForecaster() override;

    // The tree changed, or the disk may have: forecast it once changes pause.
    void TreeChanged();
    // The tree was replaced whole: the last forecast no longer fits its nodes.
    void TreeReplaced();
    // Off: no forecast runs, and none is kept.
    void SetEnabled(bool enabled);
    bool IsEnabled() const { return m_enabled; }

    // The last forecast taken; null when there is none to show (off, no
    // parent folder, an empty or truncated tree).
    std::shared_ptr<FolderForecast const> const& Forecast() const { return m_forecast; }
    // A forecast of the tree as it stands is due or running: the last one,
    // if any, is of an earlier tree.
    bool IsPending() const { return m_pending; }

    void SetDelay(std::chrono::milliseconds delay) { m_wait = delay; }
    // For tests: `setup` runs on each forecast's file system before it runs
    // (to hold or fail its calls, as a file server would).
    void SetFileSystemSetup(std::function<void(HostFileSystem&)> setup) { m_setup = std::move(setup); }
    // Forecasts whose threads have not yet reported back.
    std::size_t RunningCount() const { return m_running; }

signals:
    // The forecast or its pending state changed.
    void Changed();

private:
    struct Mailbox;

    // Whether the tree is one a run would walk: a parent folder, folders, and
    // not truncated.
    bool IsForecastable() const;
    // The wait may end early: changes since it began move its end on.
    void DelayEnded();
    void Start();
    void Take(std::uint64_t generation, std::shared_ptr<FolderForecast const> forecast);
    void SetState(std::shared_ptr<FolderForecast const> forecast, bool pending);

    FolderTree const& m_tree;
    QTimer m_delay;
    std::shared_ptr<Mailbox> m_mailbox;
    std::stop_source m_stop;
    std::function<void(HostFileSystem&)> m_setup;
    std::shared_ptr<FolderForecast const> m_forecast;
    std::chrono::milliseconds m_wait = DefaultDelay;
    std::chrono::steady_clock::time_point m_last_change;
    // Moves on with every change: the number of the forecast that may be taken.
    std::uint64_t m_generation = 0;
    std::size_t m_running = 0;
    bool m_enabled = true;
    bool m_pending = false;
    // The wait ended while MostRunning were running.
    bool m_start_when_one_ends = false;
};

} // namespace edamaki
