#include "core/disk/DirectoryEntries.h"

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <dirent.h>
#include <sys/types.h>

namespace edamaki {

namespace {

constexpr std::size_t BufferSize = std::size_t(1) << 15;

// The entry record as the system writes it (getdents64).
struct Record {
    std::uint64_t Inode;
    std::int64_t Next;
    unsigned short Length;
    unsigned char Type;
    char Name[1];
};
static_assert(offsetof(Record, Length) == offsetof(dirent64, d_reclen));
static_assert(offsetof(Record, Type) == offsetof(dirent64, d_type));
static_assert(offsetof(Record, Name) == offsetof(dirent64, d_name));

DirectoryEntries::Type TypeOf(unsigned char type)
{
    switch (type) {
    case DT_DIR:
        return DirectoryEntries::Type::Directory;
    case DT_LNK:
        return DirectoryEntries::Type::Link;
    case DT_UNKNOWN:
        return DirectoryEntries::Type::Unknown;
    default:
        return DirectoryEntries::Type::Other;
    }
}

} // namespace

std::ptrdiff_t DirectoryEntries::Fill(int descriptor)
{
    if (m_buffer.empty())
        m_buffer.resize(BufferSize);
    for (;;) {
        ssize_t const filled = ::getdents64(descriptor, m_buffer.data(), m_buffer.size());
        if (filled < 0 && errno == EINTR)
            continue;
        return filled;
    }
}

DirectoryEntries::Entry DirectoryEntries::EntryAt(std::size_t& offset) const
{
    char const* const start = m_buffer.data() + offset;
    unsigned short length = 0;
    std::memcpy(&length, start + offsetof(Record, Length), sizeof length);
    unsigned char const type = static_cast<unsigned char>(start[offsetof(Record, Type)]);
    char const* const name = start + offsetof(Record, Name);
    offset += length;
    return { std::string_view(name, std::strlen(name)), TypeOf(type) };
}

} // namespace edamaki
