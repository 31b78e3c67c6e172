#pragma once

// Reads a source into a tree on a thread of its own, one read at a time, and
// compares it with the read before it when given that one. The trees of a
// read belong to it from Start until Finish: nothing else touches them
// meanwhile, and the read touches nothing else.

#include "core/document/PlaceholderPreview.h"
#include "core/tree/FolderTree.h"
#include "core/tree/SourceMap.h"
#include "core/tree/TreeRefresh.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <thread>

namespace edamaki {

class BackgroundSourceRead : public QObject {
    Q_OBJECT

public:
    struct Job {
        // The editor's text as QTextDocument::toRawText gives it.
        QString RawText;
        // Read into; it begins with the kept state of the shown tree.
        std::unique_ptr<FolderTree> Tree;
        // The read before, compared with the new one when there is one, and
        // the lines its source map recorded.
        std::unique_ptr<FolderTree> Previous;
        std::size_t PreviousLines = 0;
        // The caller's mark of the text's version.
        std::uint64_t Ticket = 0;
        // What placeholders are filled with, when the text may hold one.
        std::optional<PreviewValues> Values;

        // Filled by the read: the map of the source's lines, what its
        // placeholders left, the comparison with Previous, and how long the
        // read took (the comparison not included).
        SourceMap Map;
        FilledRead Filled;
        std::optional<ReadDelta> Delta;
        std::chrono::nanoseconds ReadTime {};
    };

    explicit BackgroundSourceRead(QObject* parent = nullptr);
    // Calls off a read that is still running and waits for it to stop.
    ~BackgroundSourceRead() override;
    BackgroundSourceRead(BackgroundSourceRead const&) = delete;
    BackgroundSourceRead& operator=(BackgroundSourceRead const&) = delete;

    // A read was started and not yet finished.
    bool IsRunning() const { return m_running; }
    // The running read is done: Finish won't wait.
    bool IsDone() const { return m_done.load(std::memory_order_acquire); }

    // Starts reading `job` on a thread of its own; refuses (false) while a
    // read is running, whose trees are the caller's only once it finishes.
    [[nodiscard]] bool Start(Job job);
    // Waits for the running read and hands its job back.
    Job Finish();

signals:
    // On the thread that started the read, once it is done.
    void Done();

private:
    std::thread m_thread;
    Job m_job;
    bool m_running = false;
    std::atomic<bool> m_done { false };
    std::atomic<bool> m_cancel { false };
};

} // namespace edamaki
