#include "gui/qt/FolderForecaster.h"

#include "core/disk/HostFileSystem.h"

#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

namespace edamaki {

// Where a forecast's thread posts its result: the forecaster while it lives.
struct FolderForecaster::Mailbox {
    std::mutex Lock;
    FolderForecaster* Receiver = nullptr;
};

FolderForecaster::FolderForecaster(FolderTree const& tree, QObject* parent)
    : QObject(parent)
    , m_tree(tree)
    , m_mailbox(std::make_shared<Mailbox>())
{
    m_mailbox->Receiver = this;
    m_delay.setSingleShot(true);
    connect(&m_delay, &QTimer::timeout, this, &FolderForecaster::DelayEnded);
}

FolderForecaster::~FolderForecaster()
{
    m_stop.request_stop();
    std::lock_guard const lock(m_mailbox->Lock);
    m_mailbox->Receiver = nullptr;
}

bool FolderForecaster::IsForecastable() const
{
    return m_tree.HasRoot() && m_tree.NodeCount() >= 2 && !m_tree.IsTruncated()
        && !m_tree.GetRootPath().empty();
}

void FolderForecaster::TreeChanged()
{
    ++m_generation;
    m_stop.request_stop();
    if (!m_enabled)
        return;
    if (!IsForecastable()) {
        m_delay.stop();
        SetState(nullptr, false);
        return;
    }
    // The wait is measured from the last change; a change costs no timer call.
    m_last_change = std::chrono::steady_clock::now();
    if (!m_delay.isActive())
        m_delay.start(m_wait);
    SetState(m_forecast, true);
}

void FolderForecaster::TreeReplaced()
{
    SetState(nullptr, m_pending);
    TreeChanged();
}

void FolderForecaster::SetEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    if (enabled) {
        TreeChanged();
        return;
    }
    ++m_generation;
    m_stop.request_stop();
    m_delay.stop();
    m_start_when_one_ends = false;
    SetState(nullptr, false);
}

void FolderForecaster::DelayEnded()
{
    auto const since_change = std::chrono::steady_clock::now() - m_last_change;
    if (since_change < m_wait) {
        m_delay.start(std::chrono::ceil<std::chrono::milliseconds>(m_wait - since_change));
        return;
    }
    Start();
}

void FolderForecaster::Start()
{
    m_start_when_one_ends = false;
    if (!m_enabled || !m_pending)
        return;
    if (!IsForecastable()) {
        SetState(nullptr, false);
        return;
    }
    if (m_running >= MostRunning) {
        m_start_when_one_ends = true;
        return;
    }
    m_stop = std::stop_source();
    std::uint64_t const generation = m_generation;
    try {
        // The thread forecasts a copy: the tree goes on changing here.
        auto tree = std::make_shared<FolderTree const>(m_tree);
        std::thread([tree = std::move(tree), mailbox = m_mailbox, setup = m_setup, stop = m_stop.get_token(),
                        generation] {
            std::shared_ptr<FolderForecast const> forecast;
            try {
                HostFileSystem file_system;
                if (setup)
                    setup(file_system);
                forecast = std::make_shared<FolderForecast const>(ForecastFolders(*tree, file_system, stop));
            } catch (...) {
                // No forecast: no marks, as for a tree that has none.
            }
            std::lock_guard const lock(mailbox->Lock);
            if (FolderForecaster* const receiver = mailbox->Receiver) {
                QMetaObject::invokeMethod(
                    receiver,
                    [receiver, generation, forecast = std::move(forecast)]() mutable {
                        receiver->Take(generation, std::move(forecast));
                    },
                    Qt::QueuedConnection);
            }
        }).detach();
        ++m_running;
    } catch (std::exception const&) {
        // No memory for the copy, or no thread to be had: no marks.
        SetState(nullptr, false);
    }
}

void FolderForecaster::Take(std::uint64_t generation, std::shared_ptr<FolderForecast const> forecast)
{
    --m_running;
    if (generation == m_generation && m_enabled)
        SetState(forecast && forecast->Complete ? std::move(forecast) : nullptr, false);
    if (m_start_when_one_ends)
        Start();
}

void FolderForecaster::SetState(std::shared_ptr<FolderForecast const> forecast, bool pending)
{
    if (forecast == m_forecast && pending == m_pending)
        return;
    m_forecast = std::move(forecast);
    m_pending = pending;
    emit Changed();
}

} // namespace edamaki
