#pragma once

// Find and replace over the source text: one search step that turns the
// editor's selection into the next match, and the replace and replace-all
// edits built on it. Positions are byte offsets in the editor's text as
// Shift-JIS with CR LF between lines (the editor's text and selection converted
// to that form); there is no wrap-around at either end.
//
// How the find and replace dialogs use this:
// - Find next (find dialog, F3, Shift+F3): FindInSource with the find
//   dialog's search text and options (F3 first sets Down, Shift+F3 clears it).
//   A result is selected in the editor; none means the information box
//   "見つかりませんでした。". An empty search text finds nothing.
// - Before each search of the replace dialog, its search text (when not
//   empty) and its options are copied into the find dialog's, so F3 goes on
//   with them. The replace dialog always searches down.
// - Replace: ReplaceInSource; on none, "見つかりませんでした。". Otherwise
//   replace the Replaced range of the editor with the replace text (one undo
//   step) and put the caret at Caret, with no selection.
// - Replace all: after the confirmation, ReplaceAllInSource; on none,
//   "見つかりませんでした。". Otherwise show Text with the caret at Caret,
//   then the count in decimal digits followed by "個置換しました。".

#include "core/search/TextSearch.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace edamaki {

struct FindOptions {
    bool Down = true;
    bool MatchCase = false;
    bool WholeWord = false;

    friend bool operator==(FindOptions const&, FindOptions const&) = default;
};

SearchFlags ToSearchFlags(FindOptions options);

// One search step from the editor's selection. Down, the candidates start at
// the selection start, or one byte after it when something is selected, so
// repeating the step walks through overlapping matches. Up, they start one
// byte before the selection start (or at the last offset where the search
// text fits, when the caret is nearer the end than that) and the nearest
// match before the caret wins, also one that overlaps the caret. Returns the
// match as the new selection, or none (the selection then stays as it was).
std::optional<TextRange> FindInSource(std::string_view text, std::ptrdiff_t selection_start,
    std::ptrdiff_t selection_length, std::string_view search, FindOptions options);

struct Replacement {
    std::string Text;         // the text after the replacement
    TextRange Replaced;       // the range of the old text that was replaced
    std::ptrdiff_t Caret = 0; // after the inserted text
};

// Replace: the match that FindInSource finds down from the selection (so a
// selected match is not itself replaced unless the next one overlaps it) is
// replaced with `replace`. The options' direction is ignored: always down.
std::optional<Replacement> ReplaceInSource(std::string_view text, std::ptrdiff_t selection_start,
    std::ptrdiff_t selection_length, std::string_view search, std::string_view replace, FindOptions options);

struct ReplaceAllResult {
    std::string Text;
    std::size_t Count = 0;    // replacements made, at least 1
    std::ptrdiff_t Caret = 0; // after the last inserted text
    // The ranges of the original text that were replaced, in order; an editor
    // makes the same edits from the last to the first.
    std::vector<TextRange> Replaced;
};

// Replace all: the replace step, then again from the caret after each
// inserted text until nothing more is found. Only the text from the selection
// to the end is touched; matches before it stay. Each search starts after the
// text just inserted, so a replace text that holds the search text never
// loops. The options' direction is ignored: always down. None when not even
// the first match is found.
//
// The result is the same as repeating ReplaceInSource from each Caret, but
// found in one pass over the text, so thousands of replacements in a large
// source stay quick.
std::optional<ReplaceAllResult> ReplaceAllInSource(std::string_view text, std::ptrdiff_t selection_start,
    std::ptrdiff_t selection_length, std::string_view search, std::string_view replace, FindOptions options);

} // namespace edamaki
