#pragma once

// The most bytes a source may hold. Readers of a source stop one byte past it
// and refuse the source, so endless input (a device, a pipe that never ends)
// never fills memory.

#include "core/tree/FolderTree.h"
#include "core/tree/TagExpansion.h"

#include <cstddef>

namespace edamaki {

// As many bytes as one read may generate in names: 256 for each folder of the
// default folder budget. A source names each folder at most once on a line
// of its own, so any source that stays within the budgets is far smaller.
inline constexpr std::size_t MostSourceBytes = FolderTree::DefaultFolderBudget * TagExpansion::BytesPerFolder;

} // namespace edamaki
