#pragma once

// Find and replace in the main window's editor. The find dialog's text and
// options are the one search state: its find-next button, F3 (down) and
// Shift+F3 (up) search with them; the replace dialog copies its own search
// into them before each of its searches. A match is shown selected in the
// editor; every replacement is an edit of the editor's text (replace all is
// one edit, one undo step), read into the tree as any edit is.

#include "core/search/FindReplace.h"
#include "gui/qt/EditorSourceText.h"

#include <QObject>

#include <optional>
#include <string>

class QPlainTextEdit;
class QWidget;

namespace edamaki {

class TFindDialog;
class TReplaceDialog;

class EditorSearch : public QObject {
    Q_OBJECT

public:
    // Creates the two dialogs as tool windows of `window`.
    EditorSearch(QWidget& window, QPlainTextEdit& editor);

    TFindDialog* FindDialog() const { return m_find_dialog; }
    TReplaceDialog* ReplaceDialog() const { return m_replace_dialog; }

    // The menu's commands.
    void mFindClick();
    void mFindNextClick();
    void mFindPrevClick();
    void mReplaceClick();

    // One search step with the find dialog's text and options: true when a
    // match was found and is now selected.
    bool FindInSource();

    // The dialogs' buttons.
    void FindDlgFind();
    void ReplaceDlgFind();
    void ReplaceDlgReplace(bool all);

private:
    // The replace dialog's search and options become the find dialog's.
    void CopySearch();
    // The find dialog's search text as Shift-JIS, converted as the editor's
    // text is: a character that Shift-JIS lacks finds just that character.
    std::string SearchBytes() const;
    TextRange EditorSelection();
    void SelectInEditor(TextRange range);
    // The first line of the editor's selection, or nothing.
    QString SelectionForSearch() const;
    void FindFrom(QWidget* parent);
    void ReplaceAll();

    QWidget& m_window;
    QPlainTextEdit& m_editor;
    TFindDialog* m_find_dialog = nullptr;
    TReplaceDialog* m_replace_dialog = nullptr;
    EditorSourceText m_source;
};

} // namespace edamaki
