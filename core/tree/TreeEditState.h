#pragma once

// What the tree pane's edits leave beside the tree: whether the tree holds
// edits that no read, write-out or save has taken up yet, a folder added but
// not yet written into the source, and the tag path of the folder whose name
// is being edited.

#include <string>
#include <string_view>
#include <utility>

namespace edamaki {

class TreeEditState {
public:
    bool IsEdited() const { return m_edited; }
    void NoteEdited() { m_edited = true; }
    // The source now holds the tree as it is: written out, saved, or read afresh.
    void NoteWritten() { m_edited = false; }
    // The tree was read afresh from its source: a read of a macro source also
    // drops a folder added but not yet written (its tag line will never come).
    void NoteRead(bool macro)
    {
        m_edited = false;
        if (macro)
            m_addition_pending = false;
    }

    // Add or Add child appended a folder that its first label edit writes.
    bool IsAdditionPending() const { return m_addition_pending; }
    void NoteAddition()
    {
        m_addition_pending = true;
        m_edited = true;
    }
    void NoteAdditionWritten() { m_addition_pending = false; }

    // The path the tags name the folder being renamed by; empty between edits.
    std::string_view EditPath() const { return m_edit_path; }
    void BeginEdit(std::string path) { m_edit_path = std::move(path); }
    void EndEdit() { m_edit_path.clear(); }

private:
    bool m_edited = false;
    bool m_addition_pending = false;
    std::string m_edit_path;
};

} // namespace edamaki
