#pragma once

// The document the program works on: the folder tree read from the source,
// the source's mode, and how its file is written on disk. The program owns
// one; its windows show it and change it through the core's rules, and no
// window owns it.

#include "core/document/SourceDocument.h"
#include "core/text/Encoding.h"
#include "core/tree/FolderTree.h"

#include <string>

namespace edamaki {

struct Document {
    FolderTree Tree;
    SourceMode Mode = SourceMode::Text;
    // The encoding and byte order mark the source file was read in; a save
    // writes the same.
    DetectedEncoding Format;
    // The source file last read or written; empty for a source that never
    // was on disk.
    std::string FileName;
};

} // namespace edamaki
