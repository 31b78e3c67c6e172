#pragma once

// A look at the tree's folders on disk before a run makes anything in them:
// one listing of each folder that exists and holds folders the tree names
// tells the run, for all of its names at once, what is there. On a share the
// listings go side by side; a re-run over a tree that is all there then costs
// a listing per folder that holds folders, and nothing per leaf.
//
// The answers are a snapshot taken just before the run. The run acts on them
// as it acts on a look of its own, so a folder made, removed or swapped for a
// link meanwhile meets the run's own rules for such a race.

#include "core/tree/FolderTree.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace edamaki {

class HostFileSystem;

enum class SurveyedEntry : std::uint8_t {
    NotLooked, // the folder that would hold it was not listed
    Missing,   // nothing of its name is there
    Directory, // a directory, not a link to one
    Link,
    Other,   // something that is not a directory
    Unknown, // the listing doesn't say what kind it is
};

class TreeSurvey {
public:
    SurveyedEntry EntryOf(NodeId node) const;
    // The folder is a directory, and so is every folder below it that the
    // tree names: a run finds them all there.
    bool IsWhole(NodeId node) const;
    // The folder is a directory, and nothing below it that the tree names is
    // a link or of a kind the listing didn't tell: a walk below it can't
    // reach outside it.
    bool HoldsNoLink(NodeId node) const;

private:
    friend TreeSurvey SurveyTree(FolderTree const& tree, HostFileSystem& file_system, std::size_t jobs);

    static constexpr std::uint8_t Whole = 1;
    static constexpr std::uint8_t NoLink = 2;

    void Summarize(FolderTree const& tree);

    std::vector<SurveyedEntry> m_entries; // by node id
    std::vector<std::uint8_t> m_flags;    // by node id
};

// Lists the parent folder and, below it, every folder the tree names that is
// a directory there and holds folders the tree names, `jobs` at once. A
// folder that can't be listed leaves what is below it NotLooked; so does a
// tree deeper than the walkers' share of open directories.
TreeSurvey SurveyTree(FolderTree const& tree, HostFileSystem& file_system, std::size_t jobs);

} // namespace edamaki
