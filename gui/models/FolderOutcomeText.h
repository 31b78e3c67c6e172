#pragma once

// What a creation run did or would do with a folder, in the user's words:
// the log window's explanations and the tree pane's marks say it alike.

#include "core/disk/CreationRun.h"
#include "core/disk/FolderForecast.h"

#include <QString>

#include <string>

namespace edamaki {

// Why a folder failed, or where the link it passed through leads (a folder
// there already, `link_target` set); empty for a folder that needs no word.
QString OutcomeExplanation(
    FolderOutcome outcome, FailureCause cause, std::string const& reason, std::string const& link_target);

// The forecast's word on a folder of its tree: whether it is there, is to be
// made or would fail, and why. Empty for a folder it did not look at.
QString ForecastExplanation(FolderForecast const& forecast, NodeId node);

// Why Windows clients of a share could not open a folder; empty for None.
QString WindowsIssueText(WindowsNameIssue issue);

// The parent folder as a run would find it; empty for None.
QString ParentFolderStateText(ParentFolderState state);

} // namespace edamaki
