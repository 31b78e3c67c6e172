#pragma once

// Writes into the source editor that the program makes on the user's behalf
// (the tree pane's write-back, the tag dialog's appended tags): each is one
// undo step, and the user's caret, selection and view stay where they were,
// so the next thing the user types goes where they left it.

#include <QString>

class QPlainTextEdit;

namespace edamaki {

// A write is a step of the editor's undo of its own, or joins the one before
// (several writes that undo together). Undoing a step puts the caret where
// its first write changed the text.
enum class UndoStep {
    New,
    JoinPrevious,
};

// Appends `lines` as the new last lines of the text, after a line break when
// the last line holds text. Returns whether that line break went in.
bool AppendEditorLines(QPlainTextEdit& editor, QString const& lines, UndoStep step = UndoStep::New);

// Makes `text` the editor's whole text by replacing only the stretch that
// differs.
void ReplaceEditorText(QPlainTextEdit& editor, QString const& text, UndoStep step = UndoStep::New);

} // namespace edamaki
