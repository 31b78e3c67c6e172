#pragma once

// The desktop program's edge between Qt's text (QString) and the core's
// Shift-JIS bytes. Every conversion of the GUI goes through here.

#include <QString>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace edamaki {

// Shift-JIS bytes as text; a stand-in (core/text/StandIn.h) as the character
// it stands for. Bytes that are not valid Shift-JIS show as U+FFFD.
QString ShiftJisToQString(std::string_view shift_jis);

// The text as Shift-JIS for reading into the tree and for searching: each
// character that Shift-JIS lacks becomes its stand-in (core/text/StandIn.h),
// so it keeps its place and stays itself.
std::string QStringToShiftJisForReading(QString const& text);

// The lines of an editor's text as QTextDocument::toRawText gives it (a
// paragraph separator between lines), as Shift-JIS for reading.
std::vector<std::string> SourceLinesForReading(QString raw_text);

// The text as Shift-JIS, or nullopt when a character can't be held (or is
// held one way only, as "¥" is); then `failed_position` is the index in
// `text` of the first such character.
std::optional<std::string> QStringToShiftJis(QString const& text, qsizetype* failed_position = nullptr);

} // namespace edamaki
