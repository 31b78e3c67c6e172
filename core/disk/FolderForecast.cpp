#include "core/disk/FolderForecast.h"

#include "core/disk/HostFileSystem.h"

#include <unordered_map>
#include <utility>

namespace edamaki {

FolderMark FolderForecast::MarkOf(NodeId node) const
{
    auto const index = static_cast<std::size_t>(node);
    return node >= 0 && index < m_marks.size() ? m_marks[index] : FolderMark::Pending;
}

FailureCause FolderForecast::CauseOf(NodeId node) const
{
    auto const index = static_cast<std::size_t>(node);
    return node >= 0 && index < m_causes.size() ? m_causes[index] : FailureCause::None;
}

std::string const& FolderForecast::ReasonOf(NodeId node) const
{
    auto const index = static_cast<std::size_t>(node);
    return m_reasons[node >= 0 && index < m_reason_of.size() ? m_reason_of[index] : 0];
}

std::string const& FolderForecast::LinkTargetOf(NodeId node) const
{
    auto const index = static_cast<std::size_t>(node);
    return m_reasons[node >= 0 && index < m_link_of.size() ? m_link_of[index] : 0];
}

WindowsNameIssue FolderForecast::WindowsIssueOf(NodeId node) const
{
    auto const index = static_cast<std::size_t>(node);
    return node >= 0 && index < m_windows_issues.size() ? m_windows_issues[index] : WindowsNameIssue::None;
}

// Puts each line of the dry run on its node.
class ForecastSink final : public CreationSink {
public:
    ForecastSink(FolderTree const& tree, FolderForecast& forecast)
        : m_forecast(forecast)
    {
        std::size_t const ids = tree.NodeIdLimit();
        forecast.m_marks.assign(ids, FolderMark::Pending);
        forecast.m_causes.assign(ids, FailureCause::None);
        forecast.m_reason_of.assign(ids, 0);
    }

    void FolderHandled(FolderReport const& report) override
    {
        auto const index = static_cast<std::size_t>(report.Node);
        switch (report.Outcome) {
        case FolderOutcome::Created:
            m_forecast.m_marks[index] = FolderMark::New;
            ++m_forecast.New;
            break;
        case FolderOutcome::Existed:
            m_forecast.m_marks[index] = FolderMark::Existing;
            ++m_forecast.Existing;
            break;
        case FolderOutcome::Failed:
            m_forecast.m_marks[index] = FolderMark::Failing;
            ++m_forecast.Failing;
            break;
        }
        m_forecast.m_causes[index] = report.Cause;
        if (!report.Reason.empty())
            m_forecast.m_reason_of[index] = ReasonIndex(report.Reason);
        if (!report.LinkTarget.empty()) {
            if (m_forecast.m_link_of.empty())
                m_forecast.m_link_of.assign(m_forecast.m_marks.size(), 0);
            m_forecast.m_link_of[index] = ReasonIndex(report.LinkTarget);
        }
        if (report.WindowsIssue != WindowsNameIssue::None) {
            if (m_forecast.m_windows_issues.empty())
                m_forecast.m_windows_issues.assign(m_forecast.m_marks.size(), WindowsNameIssue::None);
            m_forecast.m_windows_issues[index] = report.WindowsIssue;
            ++m_forecast.WindowsIssues;
        }
    }

    void NothingToCreate() override { }

private:
    std::uint32_t ReasonIndex(std::string const& reason)
    {
        auto const [found, added]
            = m_index.try_emplace(reason, static_cast<std::uint32_t>(m_index.size() + 1));
        if (added)
            m_forecast.m_reasons.push_back(reason);
        return found->second;
    }

    FolderForecast& m_forecast;
    std::unordered_map<std::string, std::uint32_t> m_index;
};

FolderForecast ForecastFolders(FolderTree const& tree, HostFileSystem& file_system, std::stop_token stop)
{
    FolderForecast forecast;
    forecast.Parent = LookAtParentFolder(tree, file_system);
    ForecastSink sink(tree, forecast);
    CreationSummary const summary
        = CreateFolders(tree, file_system, sink, { .DryRun = true, .Stop = std::move(stop) });
    forecast.Complete = !summary.Stopped && !summary.Refused;
    return forecast;
}

ParentFolderState LookAtParentFolder(FolderTree const& tree, HostFileSystem& file_system)
{
    std::string const path = tree.GetRootPath();
    if (path.empty())
        return ParentFolderState::None;
    std::string host_path;
    if (!file_system.Names().AppendHostText(path, host_path)
        || !HostFileSystem::IsAbsoluteFolderPath(host_path))
        return ParentFolderState::Unusable;
    HostError error;
    HostDirectory const parent = file_system.OpenDirectory(host_path.c_str(), error);
    if (!parent.IsOpen()) {
        if (HostFileSystem::IsNotFound(error))
            return ParentFolderState::Missing;
        return HostFileSystem::IsNotADirectory(error) ? ParentFolderState::NotAFolder
                                                      : ParentFolderState::Unreachable;
    }
    if (file_system.CheckCreationAllowed(parent).IsSet())
        return ParentFolderState::NotWritable;
    return ParentFolderState::Usable;
}

} // namespace edamaki
