#include "gui/qt/QtShiftJis.h"

#include "core/text/Encoding.h"

namespace edamaki {

namespace {

// The desktop program converts on its one user-interface thread: names of the
// tree view, log lines, editor text. One converter serves them all.
ShiftJisConverter& Converter()
{
    static ShiftJisConverter converter;
    return converter;
}

} // namespace

QString ShiftJisToQString(std::string_view shift_jis)
{
    // Show what converts and mark each byte that doesn't; this text is only displayed.
    std::string utf8;
    while (auto const failure = Converter().AppendUtf8(shift_jis, utf8)) {
        Converter().AppendUtf8(shift_jis.substr(0, *failure), utf8);
        utf8 += "\xEF\xBF\xBD"; // U+FFFD
        shift_jis.remove_prefix(*failure + 1);
    }
    return QString::fromStdString(utf8);
}

std::string QStringToShiftJisForReading(QString const& text)
{
    return Utf8ToShiftJisForReading(text.toStdString());
}

std::vector<std::string> SourceLinesForReading(QString raw_text)
{
    raw_text.replace(QChar::ParagraphSeparator, u'\n');
    return SplitLines(QStringToShiftJisForReading(raw_text));
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
