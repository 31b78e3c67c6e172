#include "gui/windows/SourceErrorText.h"

namespace edamaki {

namespace {

QString CodePointText(char32_t code_point)
{
    return QStringLiteral("U+")
        + QString::number(static_cast<uint>(code_point), 16).toUpper().rightJustified(4, u'0');
}

} // namespace

QString EncodingName(TextEncoding encoding)
{
    return encoding == TextEncoding::Utf8 ? QStringLiteral("UTF-8") : QStringLiteral("Shift-JIS");
}

QString MissingCharacterText(SourceFileError const& error)
{
    QString const where = error.Line == 0 ? QString() : QStringLiteral("%1 行目の").arg(error.Line);
    return QStringLiteral("%1文字「%2」(%3) は %4 で書けません。")
        .arg(where, QString::fromStdString(error.Character), CodePointText(error.CodePoint),
            EncodingName(error.Encoding));
}

} // namespace edamaki
