#pragma once

// Reading the entries of a directory straight from its open descriptor into
// one buffer that serves every directory: no stream is set up per directory,
// nothing is allocated per entry, and each entry comes with the type the
// file system records for it, so that only a link (or an entry of unknown
// type) needs a look of its own.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace edamaki {

class DirectoryEntries {
public:
    enum class Type {
        Directory,
        Link,
        Unknown, // the file system doesn't say: look at the entry
        Other,
    };

    struct Entry {
        std::string_view Name;
        Type Kind = Type::Unknown;
    };

    // Calls `visit` with every entry of the directory open at `descriptor`
    // ("." and ".." among them), read from where the descriptor stands (a
    // directory opened afresh: its start). The name is valid during the call
    // and ends with a NUL, so that its data can go to the system's calls.
    // False, with errno set, when the directory can't be read to its end.
    template<typename Visit> bool Read(int descriptor, Visit const& visit)
    {
        for (;;) {
            std::ptrdiff_t const filled = Fill(descriptor);
            if (filled < 0)
                return false;
            if (filled == 0)
                return true;
            for (std::size_t offset = 0; offset < static_cast<std::size_t>(filled);)
                visit(EntryAt(offset));
        }
    }

private:
    // Reads the next entries into the buffer: their bytes, 0 at the end, -1 on failure.
    std::ptrdiff_t Fill(int descriptor);
    // The entry at `offset`; moves `offset` to the next one.
    Entry EntryAt(std::size_t& offset) const;

    std::vector<char> m_buffer;
};

} // namespace edamaki
