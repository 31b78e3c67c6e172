#pragma once

// Keeps the tree pane's tree that of the editor's text. A change of the text
// is read at once while reading is quick. A source whose read takes longer is
// read on a thread of its own; changes made meanwhile are read together once
// that read is done, so typing never waits for a read, and the tree shown
// once typing pauses is that of the text as it stands. Whatever uses the tree
// asks for it to be current first (EnsureTreeCurrent), which finishes or
// redoes a pending read at once.

#include "core/document/SourceDocument.h"
#include "core/tree/FolderTree.h"
#include "gui/qt/BackgroundSourceRead.h"

#include <QObject>
#include <QPointer>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

class QPlainTextEdit;
class TForm1;

class SourceReadScheduler : public QObject {
    Q_OBJECT

public:
    // Reads in the background once a read took longer than this.
    static constexpr std::chrono::milliseconds DefaultBackgroundThreshold { 8 };

    // `shown` is the tree that `pane` shows; all must outlive this.
    SourceReadScheduler(
        QPlainTextEdit& editor, TForm1& pane, edamaki::FolderTree& shown, QObject* parent = nullptr);
    ~SourceReadScheduler() override;

    // The editor's text changed: read it now, or in the background.
    void TextChanged();
    // Reads the editor's text now and shows its tree; returns its mode. A
    // read still pending is dropped.
    edamaki::SourceMode ReadNow();
    // The pane read the editor's text by other means: a read still pending is dropped.
    void DropPendingRead();
    // Makes the shown tree that of the editor's text before returning.
    void EnsureTreeCurrent();
    bool IsTreeCurrent() const { return !m_pending; }

    // A negative threshold reads every change but the first in the background.
    void SetBackgroundThreshold(std::chrono::nanoseconds threshold) { m_threshold = threshold; }

private:
    bool IsReadSlow() const { return m_read_time > m_threshold; }
    void StartBackgroundRead();
    void BackgroundReadDone();
    // Takes the background read's trees back, and shows its tree when it
    // is that of the text as it stands.
    void FinishBackgroundRead();
    // Shows the tree in m_fresh, which then becomes the read to compare with.
    void ShowFresh(edamaki::ReadDelta const* delta);

    QPlainTextEdit& m_editor;
    QPointer<TForm1> m_pane;
    edamaki::FolderTree& m_shown;
    edamaki::BackgroundSourceRead m_background;
    // The tree the next read goes into, and the tree of the last read shown.
    std::unique_ptr<edamaki::FolderTree> m_fresh;
    std::unique_ptr<edamaki::FolderTree> m_previous;
    // The shown tree's revision when it last held just what m_previous holds.
    std::optional<std::uint64_t> m_previous_revision;
    // Moves on with every change of the text and every read elsewhere.
    std::uint64_t m_ticket = 0;
    // The shown tree is not that of the editor's text.
    bool m_pending = false;
    std::chrono::nanoseconds m_read_time {};
    std::chrono::nanoseconds m_threshold = DefaultBackgroundThreshold;
};
