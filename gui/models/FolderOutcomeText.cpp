#include "gui/models/FolderOutcomeText.h"

namespace edamaki {

namespace {

QString FailureText(FailureCause cause, std::string const& reason)
{
    switch (cause) {
    case FailureCause::NoPermission:
        return QStringLiteral("アクセス権がないため作成できません。");
    case FailureCause::NoSpace:
        return QStringLiteral("ディスクに空きがないため作成できません。");
    case FailureCause::ReadOnly:
        return QStringLiteral("書き込みのできない場所のため作成できません。");
    case FailureCause::InTheWay:
        return QStringLiteral("同じ名前のファイルがあるため作成できません。");
    case FailureCause::MissingAbove:
        return QStringLiteral("上のフォルダがないため作成できません。");
    case FailureCause::NameTooLong:
        return QStringLiteral("名前かパスが長すぎるため作成できません。");
    case FailureCause::InvalidName: {
        // A character no name may hold is named by its code point.
        auto const code_point = reason.find("U+");
        if (code_point != std::string::npos)
            return QStringLiteral("フォルダ名に使えない文字 %1 を含みます。")
                .arg(QString::fromStdString(reason.substr(code_point)));
        return QStringLiteral("フォルダ名に使えない名前です。");
    }
    case FailureCause::NotTried:
        return QStringLiteral("上のフォルダの名前が使えないため、作成していません。");
    case FailureCause::LinkNotFollowed:
        return QStringLiteral("リンクをたどらないため、作成していません。");
    case FailureCause::UnusableParentFolder:
        return QStringLiteral("親フォルダが使えないため、作成していません。");
    case FailureCause::None:
    case FailureCause::Other:
        break;
    }
    return QStringLiteral("作成できません: %1").arg(QString::fromStdString(reason));
}

QString LinkText(std::string const& link_target)
{
    return QStringLiteral("親フォルダの外へのリンクです: %1").arg(QString::fromStdString(link_target));
}

} // namespace

QString OutcomeExplanation(
    FolderOutcome outcome, FailureCause cause, std::string const& reason, std::string const& link_target)
{
    if (outcome != FolderOutcome::Failed)
        return link_target.empty() ? QString() : LinkText(link_target);
    return FailureText(cause, reason);
}

QString WindowsIssueText(WindowsNameIssue issue)
{
    switch (issue) {
    case WindowsNameIssue::DeviceName:
        return QStringLiteral("Windows の予約名 (CON、NUL、COM1 など) のため、Windows からは開けません。");
    case WindowsNameIssue::EndsInDotOrBlank:
        return QStringLiteral("名前の末尾が「.」か空白のため、Windows からは開けません。");
    case WindowsNameIssue::PathTooLong:
        return QStringLiteral(
            "親フォルダからのパスが %1 文字を超えるため、Windows の多くのプログラムでは開けません。")
            .arg(WindowsPathLimit);
    case WindowsNameIssue::None:
        break;
    }
    return {};
}

namespace {

QString MarkExplanation(FolderForecast const& forecast, NodeId node)
{
    switch (forecast.MarkOf(node)) {
    case FolderMark::Existing: {
        QString const there = QStringLiteral("既にあります。");
        std::string const& link_target = forecast.LinkTargetOf(node);
        return link_target.empty() ? there : there + u'\n' + LinkText(link_target);
    }
    case FolderMark::New:
        return QStringLiteral("作成します。");
    case FolderMark::Failing:
        return FailureText(forecast.CauseOf(node), forecast.ReasonOf(node));
    case FolderMark::Pending:
        break;
    }
    return {};
}

} // namespace

QString ForecastExplanation(FolderForecast const& forecast, NodeId node)
{
    QString const explanation = MarkExplanation(forecast, node);
    QString const windows = WindowsIssueText(forecast.WindowsIssueOf(node));
    return windows.isEmpty() ? explanation : explanation + u'\n' + windows;
}

QString ParentFolderStateText(ParentFolderState state)
{
    switch (state) {
    case ParentFolderState::None:
        break;
    case ParentFolderState::Unusable:
        return QStringLiteral("親フォルダのパスはこのコンピュータでは使用できません。");
    case ParentFolderState::Missing:
        return QStringLiteral("親フォルダがありません。");
    case ParentFolderState::NotAFolder:
        return QStringLiteral("親フォルダの場所にあるのはフォルダではありません。");
    case ParentFolderState::Unreachable:
        return QStringLiteral("親フォルダを開けません。");
    case ParentFolderState::NotWritable:
        return QStringLiteral("親フォルダの中にフォルダを作成する権限がありません。");
    case ParentFolderState::Usable:
        return QStringLiteral("親フォルダの中にフォルダを作成できます。");
    }
    return {};
}

} // namespace edamaki
