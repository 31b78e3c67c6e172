#pragma once

// The document the program works on: the folder tree read from the source,
// the source's mode, and how its file is written on disk. The program owns
// one; its windows show it and change it through the core's rules, and no
// window owns it.

#include "core/document/SourceDocument.h"
#include "core/text/Encoding.h"
#include "core/tree/FolderTree.h"
#include "core/tree/SourceMap.h"
#include "core/tree/TreeEdits.h"

#include <string>
#include <utility>

namespace edamaki {

struct Document {
    FolderTree Tree;
    // The mode the tree was read in and where each line of its source stands.
    SourceMap Map;
    // What the tree pane's edits leave beside the tree.
    TreeEditState PaneEdit;
    SourceMode Mode = SourceMode::Text;
    // The encoding and byte order mark the source file was read in; a save
    // writes the same.
    DetectedEncoding Format;
    // The source file last read or written; empty for a source that never
    // was on disk.
    std::string FileName;

    // A fresh read of the source is shown in the tree: its map comes along,
    // and the source holds the pane's edits again.
    void TakeRead(SourceMap map)
    {
        PaneEdit.NoteRead(map.IsMacro());
        Map = std::move(map);
    }
    // The tree with what its edits change beside it.
    EditedTree Edited() { return { Tree, Map, PaneEdit }; }
    // The tree holds edits of the pane that its text-mode source does not.
    bool IsTreeModified() const { return PaneEdit.IsEdited() && !Map.IsMacro(); }
};

} // namespace edamaki
