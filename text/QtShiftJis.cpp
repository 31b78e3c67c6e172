#include "text/QtShiftJis.h"

#include "text/Encoding.h"

namespace edamaki {

QString ShiftJisToQString(std::string_view shift_jis)
{
    // Show what converts and mark each byte that doesn't; this text is only displayed.
    QString shown;
    while (!shift_jis.empty()) {
        ConversionResult const converted = ShiftJisToUtf8(shift_jis);
        shown += QString::fromStdString(converted.Text);
        if (converted.Succeeded())
            break;
        shown += QChar::ReplacementCharacter;
        shift_jis.remove_prefix(converted.Failure->Offset + 1);
    }
    return shown;
}

std::string QStringToShiftJisForReading(QString const& text)
{
    return Utf8ToShiftJisForReading(text.toStdString());
}

std::optional<std::string> QStringToShiftJis(QString const& text, qsizetype* failed_position)
{
    std::string const utf8 = text.toStdString();
    ConversionResult converted = Utf8ToShiftJis(utf8);
    if (converted.Succeeded())
        return std::move(converted.Text);
    if (failed_position)
        *failed_position
            = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(converted.Failure->Offset)).size();
    return std::nullopt;
}

} // namespace edamaki
