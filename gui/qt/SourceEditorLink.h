#pragma once

// The tree pane's link to the source editor: what it writes back into the
// source, and the stretch of source text it selects when a node is clicked.
// Without an editor (a pane on its own) writes and selections go nowhere.
//
// Write-backs follow one protocol: while a WriteBack lives, the reads of the
// source leave its changes alone (the tree keeps the edit exactly as made),
// the editor's repainting is suspended, and everything written is one step
// of the editor's undo.

#include "core/tree/TreeEdits.h"
#include "gui/qt/EditorWrites.h"
#include "gui/qt/SourceReadScheduler.h"

#include <QPlainTextEdit>
#include <QPointer>

namespace edamaki {

class SourceEditorLink : public SourceSink {
public:
    void SetEditor(QPlainTextEdit* editor) { m_editor = editor; }
    QPlainTextEdit* Editor() const { return m_editor; }
    void SetReads(SourceReadScheduler* reads) { m_reads = reads; }

    class WriteBack {
    public:
        explicit WriteBack(SourceEditorLink& link);
        ~WriteBack();
        WriteBack(WriteBack const&) = delete;
        WriteBack& operator=(WriteBack const&) = delete;

    private:
        SourceEditorLink& m_link;
        QPointer<QPlainTextEdit> m_editor;
        SourceReadScheduler::ProgramEdit m_program_edit;
    };

    std::size_t AppendLines(std::vector<std::string> const& lines) override;
    std::vector<std::string> Lines() const override;
    void ReplaceLines(std::vector<std::size_t> const& kept, std::vector<std::string> const& lines) override;
    // Selects a source range in the editor and scrolls to it.
    void SelectRange(LineRange range);

private:
    // The undo step of the next write: the first write of a write-back begins
    // one, with the caret where it changes the text, and the others join it.
    UndoStep TakeUndoStep();

    QPointer<QPlainTextEdit> m_editor;
    QPointer<SourceReadScheduler> m_reads;
    bool m_writing_back = false;
    UndoStep m_next_step = UndoStep::New;
};

} // namespace edamaki
