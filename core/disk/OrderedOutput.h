#pragma once

// What the pieces of a walk report, put back in walk order. Each piece
// appends its items, and marks where a piece it handed to another worker
// fits in; one thread drains the whole in walk order while the pieces run,
// waiting where a piece has not got that far yet. A piece that must not act
// before everything ahead of it in the walk is done (it is about to pass
// through a link, which may lead anywhere) waits for the drain to reach it.

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <utility>
#include <variant>
#include <vector>

namespace edamaki {

template<typename Item> class OrderedOutput {
public:
    class Piece;

    OrderedOutput()
        : m_first(NewPiece())
    {
    }

    // The piece that the walk begins with.
    Piece& First() { return *m_first; }

    void Add(Piece& piece, Item item) { Append(piece, Entry { std::move(item) }); }

    // A piece for another worker; its items come where it is placed.
    static std::unique_ptr<Piece> NewPiece() { return std::make_unique<Piece>(); }
    void Place(Piece& piece, std::unique_ptr<Piece> handed) { Append(piece, Entry { std::move(handed) }); }

    // The piece is done; it is not to be used any more.
    void Finish(Piece& piece)
    {
        std::lock_guard lock(m_mutex);
        piece.m_finished = true;
        WakeWaiters();
    }

    // Finishes a piece when it goes out of scope, however its walker ends.
    class FinishOnExit {
    public:
        FinishOnExit(OrderedOutput& output, Piece& piece)
            : m_output(output)
            , m_piece(piece)
        {
        }
        ~FinishOnExit() { m_output.Finish(m_piece); }
        FinishOnExit(FinishOnExit const&) = delete;
        FinishOnExit& operator=(FinishOnExit const&) = delete;

    private:
        OrderedOutput& m_output;
        Piece& m_piece;
    };

    // Returns once everything before this place in the walk has been drained.
    void WaitForFront(Piece& piece)
    {
        Barrier barrier;
        Append(piece, Entry { &barrier });
        std::unique_lock lock(m_mutex);
        ++m_waiting;
        m_changed.wait(lock, [&] { return barrier.Reached; });
        --m_waiting;
    }

    // Passes every item to `take` in walk order, as it comes, on the calling
    // thread; returns once every piece is finished.
    template<typename Take> void Drain(Take&& take)
    {
        // The pieces being drained, each inside the one before; all but the
        // first are owned here once reached.
        std::vector<std::unique_ptr<Piece>> path;
        path.emplace_back(nullptr);
        std::unique_lock lock(m_mutex);
        while (!path.empty()) {
            Piece& piece = path.size() == 1 ? *m_first : *path.back();
            if (piece.m_entries.empty()) {
                if (piece.m_finished) {
                    path.pop_back();
                } else {
                    ++m_waiting;
                    m_changed.wait(lock);
                    --m_waiting;
                }
                continue;
            }
            Entry entry = std::move(piece.m_entries.front());
            piece.m_entries.pop_front();
            if (auto* handed = std::get_if<std::unique_ptr<Piece>>(&entry)) {
                path.push_back(std::move(*handed));
            } else if (auto* barrier = std::get_if<Barrier*>(&entry)) {
                (*barrier)->Reached = true;
                WakeWaiters();
            } else {
                lock.unlock();
                take(std::move(std::get<Item>(entry)));
                lock.lock();
            }
        }
    }

private:
    struct Barrier {
        bool Reached = false;
    };
    using Entry = std::variant<Item, std::unique_ptr<Piece>, Barrier*>;

public:
    class Piece {
    private:
        friend class OrderedOutput;
        std::deque<Entry> m_entries;
        bool m_finished = false;
    };

private:
    void Append(Piece& piece, Entry entry)
    {
        std::lock_guard lock(m_mutex);
        piece.m_entries.push_back(std::move(entry));
        WakeWaiters();
    }

    // Called with the mutex held.
    void WakeWaiters()
    {
        if (m_waiting > 0)
            m_changed.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    // Threads waiting on m_changed: the drain, and pieces at a barrier.
    int m_waiting = 0;
    std::unique_ptr<Piece> m_first;
};

} // namespace edamaki
