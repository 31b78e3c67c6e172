#pragma once

#include "gui/qt/SourceReadScheduler.h"
#include "gui/windows/TMainForm.h"

#include <QPlainTextEdit>
#include <QTextCursor>

namespace edamaki {

// The program's own rewrites of the editor: the reads leave them alone (the
// command brings the tree in step itself) and the whole rewrite is one undo step.
class TMainForm::BulkUpdate {
public:
    explicit BulkUpdate(TMainForm& form)
        : m_program_edit(form.m_reads.get())
        , m_cursor(form.SrcList->document())
    {
        m_cursor.beginEditBlock();
    }
    ~BulkUpdate() { m_cursor.endEditBlock(); }
    BulkUpdate(BulkUpdate const&) = delete;
    BulkUpdate& operator=(BulkUpdate const&) = delete;

private:
    SourceReadScheduler::ProgramEdit m_program_edit;
    QTextCursor m_cursor;
};

} // namespace edamaki
