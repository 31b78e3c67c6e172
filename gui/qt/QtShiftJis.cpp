#include "gui/qt/QtShiftJis.h"

#include "core/text/Encoding.h"

#include <algorithm>

namespace edamaki {

namespace {

// Names of the tree view, log lines and editor text are converted on the
// user-interface thread, a background read's text on its own: each thread
// has a converter of its own (a converter keeps state between calls).
ShiftJisConverter& Converter()
{
    thread_local ShiftJisConverter converter;
    return converter;
}

} // namespace

QString ShiftJisToQString(std::string_view shift_jis)
{
    // Convert what converts (stand-ins included); a byte that doesn't, U+FFFD.
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
    // A character held one way only would come back as another one.
    std::size_t failure = FindOneWayCharacter(utf8);
    if (!converted.Succeeded())
        failure = std::min(failure, converted.Failure->Offset);
    if (failure == std::string::npos)
        return std::move(converted.Text);
    if (failed_position)
        *failed_position = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(failure)).size();
    return std::nullopt;
}

} // namespace edamaki
