#pragma once

// The source's errors in the user's words, worded once for every place that
// shows them: the save, the creation run and the tree pane.

#include "core/document/SourceDocument.h"
#include "core/document/SourceFile.h"
#include "core/text/Encoding.h"

#include <QString>

namespace edamaki {

QString EncodingName(TextEncoding encoding);

// A character that the encoding lacks, with its line when it has one:
// "3 行目の文字「〜」(U+301C) は Shift-JIS で書けません。"
QString MissingCharacterText(SourceFileError const& error);

// Why a creation run of `tree` doesn't start.
QString RunRefusalText(RunRefusal const& refusal, FolderTree const& tree);

// Why a folder name is refused for a character it holds, naming it.
QString RefusedCharacterText(char32_t code_point);

} // namespace edamaki
