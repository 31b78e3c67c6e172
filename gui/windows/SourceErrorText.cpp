#include "gui/windows/SourceErrorText.h"

#include "core/text/Printable.h"
#include "core/text/ProgramTexts.h"
#include "gui/qt/QtShiftJis.h"

namespace edamaki {

namespace {

// The limit that stopped a read, with its figure, in the user's words.
QString ReadLimitText(ReadStop const& stop)
{
    auto const figure = static_cast<qulonglong>(stop.Figure);
    switch (stop.Limit) {
    case ReadLimit::Folders:
        break;
    case ReadLimit::ExpansionWork:
        return QStringLiteral("タグの展開で作られるフォルダが、後で取り除かれるコピーも含めて多すぎます"
                              "（1 回の読み込みで延べ %L1 個まで）。")
            .arg(figure);
    case ReadLimit::GeneratedNames:
        return QStringLiteral("タグから生成される名前が多すぎます（1 回の読み込みで %L1 個まで）。")
            .arg(figure);
    case ReadLimit::Cancelled:
        return QStringLiteral("読み込みが中止されました。");
    case ReadLimit::NameBytes:
        return QStringLiteral(
            "タグから生成される名前が長すぎます（1 回の読み込みで合わせて %L1 バイトまで）。")
            .arg(figure);
    }
    return QStringLiteral("ソースから作られるフォルダが多すぎます（1 回の読み込みで %L1 個まで）。")
        .arg(figure);
}

// Why a creation run doesn't start, in the user's words.
} // namespace

QString EncodingName(TextEncoding encoding)
{
    return encoding == TextEncoding::Utf8 ? QStringLiteral("UTF-8") : QStringLiteral("Shift-JIS");
}

QString MissingCharacterText(SourceFileError const& error)
{
    QString const where = error.Line == 0 ? QString() : QStringLiteral("%1 行目の").arg(error.Line);
    return QStringLiteral("%1文字「%2」(%3) は %4 で書けません。")
        .arg(where, QString::fromStdString(error.Character),
            QString::fromStdString(CodePointText(error.CodePoint)), EncodingName(error.Encoding));
}

QString RunRefusalText(RunRefusal const& refusal, FolderTree const& tree)
{
    switch (refusal.Reason) {
    case RunRefusal::NoParentFolder:
        return QString::fromUtf8(
            NoParentFolderText.data(), static_cast<qsizetype>(NoParentFolderText.size()));
    case RunRefusal::UnusableParentFolder:
        return QStringLiteral("親フォルダ\"%1\"はこのコンピュータの絶対パスではないため、使用できません。"
                              "フォルダを作成しません。")
            .arg(ShiftJisToQString(tree.GetRootPath()));
    case RunRefusal::TooManyFolders:
        break;
    }
    return ReadLimitText(refusal.Stop)
        + QStringLiteral("ツリーは途中までしか読み込まれていないため、フォルダを作成しません。");
}

QString RefusedCharacterText(char32_t code_point)
{
    QString const shown = code_point < 0x20 || (code_point >= 0x7F && code_point <= 0x9F)
        ? QString()
        : QStringLiteral("「%1」").arg(QString::fromUcs4(&code_point, 1));
    return QStringLiteral("文字%1(%2) はフォルダ名に使えません。")
        .arg(shown, QString::fromStdString(CodePointText(code_point)));
}

} // namespace edamaki
