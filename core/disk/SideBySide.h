#pragma once

// What the walkers of one walk run side by side share (creation, verify and
// the import alike): the pool that runs their pieces, the output that puts
// their items back in walk order, and each walker's share of the open
// directories; and the caller's part, which drains the output while they run.

#include "core/disk/DirectoryWindow.h"
#include "core/disk/HostFileSystem.h"
#include "core/disk/OrderedOutput.h"
#include "core/disk/WalkPool.h"
#include "core/tree/FolderTree.h"

#include <algorithm>
#include <cstddef>
#include <exception>
#include <memory>
#include <stop_token>
#include <string>
#include <utility>

namespace edamaki {

// The jobs of a walk below the tree's parent folder: `asked` when the caller
// gave a number, else as many as the parent folder's file system is worth;
// one when the parent folder has no usable host path (the walk says why).
inline std::size_t JobsBelowParentFolder(
    FolderTree const& tree, HostFileSystem& file_system, std::size_t asked)
{
    if (asked != 0)
        return asked;
    std::string host_path;
    if (!file_system.Names().AppendHostText(tree.GetRootPath(), host_path)
        || !HostFileSystem::IsAbsoluteFolderPath(host_path))
        return 1;
    return file_system.SuggestedJobs(host_path.c_str());
}

// The walkers `jobs` asks for, as many as the session's descriptors allow:
// each holds a window of open directories and a few more while it looks.
inline std::size_t WalkersForDescriptors(std::size_t jobs)
{
    constexpr std::size_t Reserved = 16;  // standard streams, files, the caller's own window
    constexpr std::size_t EachWalker = 8; // the smallest window, and what a listing opens
    std::size_t const limit = HostFileSystem::DescriptorLimit();
    std::size_t const room = limit > Reserved ? (limit - Reserved) / EachWalker : 0;
    return std::clamp<std::size_t>(room, 1, std::max<std::size_t>(jobs, 1));
}

template<typename Item> class SideBySide {
public:
    using OutputPiece = typename OrderedOutput<Item>::Piece;

    // `stop`, once asked for, stops the walkers as a failure does.
    SideBySide(std::size_t jobs, std::stop_token stop = {})
        : WindowCapacity(DirectoryWindow::CapacityFor(WalkersForDescriptors(jobs)))
        , Pool(WalkersForDescriptors(jobs), std::move(stop))
    {
        Jobs.Wanted = WalkersForDescriptors(jobs);
        Jobs.Started = Pool.Workers();
    }

    // Whether the walkers could be started: with none, Run runs nothing and
    // the caller walks alone.
    bool Started() const { return Jobs.Started > 0; }

    // Runs `walk(file_system, piece)` on a worker, the first piece of the
    // walk, with a file system of its own made from `file_system` (the
    // caller's stays with the caller); passes every item, in walk order, to
    // `take` on the calling thread, and returns once every walker is done. A
    // walker that throws stops the others, and what it threw is thrown here
    // at the end; so is what `take` throws, which stops the walkers while the
    // drain goes on, so that none of them waits for its turn for ever.
    template<typename Walk, typename Take> void Run(HostFileSystem const& file_system, Walk walk, Take&& take)
    {
        if (!Started())
            return;
        Pool.Hand(std::make_unique<FirstPiece<Walk>>(*this, file_system, std::move(walk)));
        std::exception_ptr take_failure;
        Output.Drain([&](Item&& item) {
            if (take_failure)
                return;
            try {
                take(std::move(item));
            } catch (...) {
                take_failure = std::current_exception();
                Pool.RequestStop();
            }
        });
        Pool.Wait();
        if (take_failure)
            std::rethrow_exception(take_failure);
        Pool.RethrowFailure();
    }

    // Hands `piece`, which reports to `output`, to an idle worker, and puts
    // `output` in the walk where `place` stands. False when no worker took it:
    // `piece` and `output` are the caller's again.
    bool TryHand(OutputPiece& place, std::unique_ptr<OutputPiece>& output, std::unique_ptr<WalkPiece>& piece)
    {
        if (!Pool.TryHand(piece))
            return false;
        Output.Place(place, std::move(output));
        return true;
    }

    std::size_t const WindowCapacity;
    WalkJobs Jobs;
    OrderedOutput<Item> Output;

private:
    template<typename Walk> class FirstPiece final : public WalkPiece {
    public:
        FirstPiece(SideBySide& side, HostFileSystem const& file_system, Walk walk)
            : m_side(side)
            , m_file_system(file_system)
            , m_walk(std::move(walk))
        {
        }

        void Run() override
        {
            OutputPiece& piece = m_side.Output.First();
            typename OrderedOutput<Item>::FinishOnExit const finish(m_side.Output, piece);
            std::unique_ptr<HostFileSystem> const file_system = m_file_system.ForAnotherThread();
            m_walk(*file_system, piece);
        }

    private:
        SideBySide& m_side;
        HostFileSystem const& m_file_system;
        Walk m_walk;
    };

public:
    // Last, so that its workers are done before the rest goes.
    WalkPool Pool;
};

} // namespace edamaki
