#pragma once

// The one owner of "the tree matches the text": keeps the document's tree
// that of the editor's text. A change of the text is read at once while
// reading is quick. A source whose read takes longer is read on a thread of
// its own; changes made meanwhile are read together once that read is done,
// so typing never waits for a read, and the tree shown once typing pauses is
// that of the text as it stands. Whatever uses the tree asks for it to be
// current first (EnsureTreeCurrent), which finishes or redoes a pending read
// at once.
//
// The program's own changes of the text say how the tree follows them: a
// tree pane edit written back, which the tree already holds, runs inside a
// ProgramEdit and is not read; a rewrite of the whole text (open, clear,
// conversion, import) runs inside one too and is then read once, at once
// (ReadNow), so its tree shows before the command returns.
//
// A text with placeholders is read filled as the pane shows it (see
// PlaceholderPreview); the marks of the read shown come with it.

#include "core/document/PlaceholderPreview.h"
#include "core/document/SourceDocument.h"
#include "core/tree/FolderTree.h"
#include "core/tree/SourceMap.h"
#include "core/tree/TreeRefresh.h"
#include "gui/qt/BackgroundSourceRead.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QPlainTextEdit;

namespace edamaki {
struct Document;

// Whether the editor's text may hold a placeholder at all; a text without
// "<%" is read as it stands, at no extra cost.
inline bool MayHoldPlaceholders(QString const& raw_text)
{
    return raw_text.contains(QStringLiteral("<%"));
}

// Where the scheduler shows a read: the tree pane.
class ReadView {
public:
    // Shows the read in `fresh` and takes `map`, the map of its source's lines (see
    // TForm1::ShowRead); `delta`, when given, compares it with the read shown.
    virtual TreeRefresh ShowRead(FolderTree& fresh, SourceMap map, ReadDelta const* delta) = 0;

protected:
    ~ReadView() = default;
};

class SourceReadScheduler : public QObject {
    Q_OBJECT

public:
    // Reads in the background once a read took longer than this.
    static constexpr std::chrono::milliseconds DefaultBackgroundThreshold { 8 };

    // `pane` shows the document's tree. The editor and the document must
    // outlive this; the pane may go first (reads are then no longer shown).
    SourceReadScheduler(QPlainTextEdit& editor, ReadView& pane, QObject& pane_object, Document& document,
        QObject* parent = nullptr);
    ~SourceReadScheduler() override;

    // While one lives, the program changes the editor's text in a way the
    // tree needs no read for: those changes are not read.
    class ProgramEdit {
    public:
        explicit ProgramEdit(SourceReadScheduler* scheduler);
        ~ProgramEdit();
        ProgramEdit(ProgramEdit const&) = delete;
        ProgramEdit& operator=(ProgramEdit const&) = delete;

    private:
        QPointer<SourceReadScheduler> m_scheduler;
    };

    // The editor's text changed: read it now, or in the background.
    void TextChanged();
    // Reads the editor's text now and shows its tree; returns its mode. A
    // read still pending is dropped.
    SourceMode ReadNow();
    // Makes the shown tree that of the editor's text before returning.
    void EnsureTreeCurrent();
    bool IsTreeCurrent() const { return !m_pending; }

    // A negative threshold reads every change but the first in the background.
    void SetBackgroundThreshold(std::chrono::nanoseconds threshold) { m_threshold = threshold; }

    // What the placeholders of the text are filled with; asked only when
    // the text may hold one. Without it the text is read as it stands.
    void SetPreviewValues(std::function<PreviewValues()> values) { m_values = std::move(values); }
    // Which folders of the tree shown took a placeholder's value.
    PlaceholderMarks const& Marks() const { return m_marks; }

private:
    bool IsReadSlow() const { return m_read_time > m_threshold; }
    void StartBackgroundRead();
    void BackgroundReadDone();
    // Takes the background read's trees back, and shows its tree when it
    // is that of the text as it stands.
    void FinishBackgroundRead();
    // Shows the tree in m_fresh, which then becomes the read to compare with.
    void ShowFresh(ReadDelta const* delta);
    std::optional<PreviewValues> PreviewValuesFor(QString const& raw_text) const;

    QPlainTextEdit& m_editor;
    ReadView& m_pane;
    QPointer<QObject> m_pane_object;
    Document& m_document;
    BackgroundSourceRead m_background;
    // The tree the next read goes into, and the tree of the last read shown,
    // each with the map of its source's lines.
    std::unique_ptr<FolderTree> m_fresh;
    SourceMap m_fresh_map;
    FilledRead m_fresh_filled;
    std::unique_ptr<FolderTree> m_previous;
    // The lines the read in m_previous mapped.
    std::size_t m_previous_lines = 0;
    // The shown tree's revision when it last held just what m_previous holds.
    std::optional<std::uint64_t> m_previous_revision;
    // Moves on with every change of the text and every read elsewhere.
    std::uint64_t m_ticket = 0;
    // The shown tree is not that of the editor's text.
    bool m_pending = false;
    // ProgramEdit scopes open.
    int m_program_edits = 0;
    std::chrono::nanoseconds m_read_time {};
    std::chrono::nanoseconds m_threshold = DefaultBackgroundThreshold;
    std::function<PreviewValues()> m_values;
    PlaceholderMarks m_marks;
};

} // namespace edamaki
