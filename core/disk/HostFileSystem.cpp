#include "core/disk/HostFileSystem.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace edamaki {

bool HostNameConverter::AppendHostText(std::string_view shift_jis, std::string& out)
{
    return !m_converter.AppendUtf8(shift_jis, out).has_value();
}

bool HostNameConverter::AppendShiftJisText(std::string_view host_text, std::string& out)
{
    return !m_converter.AppendShiftJis(host_text, out).has_value();
}

bool HostFileSystem::IsAbsoluteFolderPath(std::string_view host_path)
{
    return !host_path.empty() && host_path.front() == Separator;
}

namespace {

// Directories are opened to look things up in them, nothing more: O_PATH asks
// for no permission on the directory itself.
#ifdef O_PATH
constexpr int LookupOpenFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#else
constexpr int LookupOpenFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif

int LinkFlags(LinkPolicy links)
{
    return links == LinkPolicy::NoFollow ? O_NOFOLLOW : 0;
}

} // namespace

std::size_t HostFileSystem::DescriptorLimit()
{
    struct rlimit limit;
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return std::numeric_limits<std::size_t>::max();
    return static_cast<std::size_t>(limit.rlim_cur);
}

void HostDirectory::Close()
{
    if (m_descriptor >= 0)
        ::close(std::exchange(m_descriptor, -1));
}

HostDirectory HostFileSystem::OpenDirectory(char const* host_path, HostError& error) const
{
    int const descriptor = ::open(host_path, LookupOpenFlags);
    if (descriptor < 0)
        error.Code = errno;
    return HostDirectory(descriptor);
}

HostDirectory HostFileSystem::OpenDirectoryAt(
    HostDirectory const& folder, char const* name, LinkPolicy links, HostError& error) const
{
    int const descriptor = ::openat(folder.Descriptor(), name, LookupOpenFlags | LinkFlags(links));
    if (descriptor < 0)
        error.Code = errno;
    return HostDirectory(descriptor);
}

HostError HostFileSystem::CreateDirectoryAt(HostDirectory const& folder, char const* name) const
{
    if (::mkdirat(folder.Descriptor(), name, 0777) == 0)
        return {};
    return { errno };
}

HostEntryKind HostFileSystem::GetEntryKindAt(
    HostDirectory const& folder, char const* name, LinkPolicy links, HostError& error) const
{
    struct stat status;
    int const flags = links == LinkPolicy::NoFollow ? AT_SYMLINK_NOFOLLOW : 0;
    if (::fstatat(folder.Descriptor(), name, &status, flags) == 0) {
        if (S_ISDIR(status.st_mode))
            return HostEntryKind::Directory;
        return S_ISLNK(status.st_mode) ? HostEntryKind::Link : HostEntryKind::Other;
    }
    if (errno == ENOENT) {
        // A dangling link is something in the way all the same.
        if (links == LinkPolicy::Follow
            && ::fstatat(folder.Descriptor(), name, &status, AT_SYMLINK_NOFOLLOW) == 0)
            return HostEntryKind::Other;
        return HostEntryKind::Missing;
    }
    error.Code = errno;
    return HostEntryKind::Unknown;
}

HostError HostFileSystem::CheckCreationAllowed(HostDirectory const& folder) const
{
    if (::faccessat(folder.Descriptor(), ".", W_OK | X_OK, AT_EACCESS) == 0)
        return {};
    return { errno };
}

std::size_t HostFileSystem::NameLimit(HostDirectory const& folder) const
{
    long const limit = ::fpathconf(folder.Descriptor(), _PC_NAME_MAX);
    if (limit <= 0)
        return std::numeric_limits<std::size_t>::max();
    return static_cast<std::size_t>(limit);
}

bool HostFileSystem::GetIdentity(HostDirectory const& folder, HostFolderIdentity& identity) const
{
    struct stat status;
    if (::fstat(folder.Descriptor(), &status) != 0)
        return false;
    identity = { static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino) };
    return true;
}

std::string HostFileSystem::ResolvePath(char const* host_path) const
{
    char* const resolved = ::realpath(host_path, nullptr);
    if (!resolved)
        return {};
    std::string result(resolved);
    std::free(resolved);
    return result;
}

std::string HostFileSystem::ReadLinkAt(HostDirectory const& folder, char const* name) const
{
    std::string text(PATH_MAX, '\0');
    ssize_t const length = ::readlinkat(folder.Descriptor(), name, text.data(), text.size());
    if (length <= 0)
        return {};
    text.resize(static_cast<std::size_t>(length));
    return text;
}

namespace {

// Adds the entry when it is a subfolder or a link to one. The entry's type
// from the listing saves a call for all but links and the entries of file
// systems that don't give a type.
void AddIfSubfolder(int folder, unsigned char type, char const* name, std::vector<HostSubfolder>& subfolders)
{
    std::string_view const view = name;
    if (view == "." || view == "..")
        return;
    if (type == DT_DIR) {
        subfolders.push_back({ std::string(view), false });
        return;
    }
    if (type != DT_LNK && type != DT_UNKNOWN)
        return;
    struct stat status;
    if (type == DT_UNKNOWN) {
        if (::fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            return;
        if (S_ISDIR(status.st_mode)) {
            subfolders.push_back({ std::string(view), false });
            return;
        }
        if (!S_ISLNK(status.st_mode))
            return;
    }
    if (::fstatat(folder, name, &status, 0) == 0 && S_ISDIR(status.st_mode))
        subfolders.push_back({ std::string(view), true });
}

#ifdef __linux__
// Reads the entries of a directory opened for reading straight from the
// system, a large batch per call.
HostError ReadSubfolders(int descriptor, std::vector<HostSubfolder>& subfolders)
{
    alignas(dirent64) char buffer[1 << 15];
    for (;;) {
        ssize_t const count = ::getdents64(descriptor, buffer, sizeof buffer);
        if (count < 0)
            return { errno };
        if (count == 0)
            return {};
        for (ssize_t offset = 0; offset < count;) {
            auto const* const entry = reinterpret_cast<dirent64 const*>(buffer + offset);
            offset += entry->d_reclen;
            AddIfSubfolder(descriptor, entry->d_type, entry->d_name, subfolders);
        }
    }
}
#else
HostError ReadSubfolders(int descriptor, std::vector<HostSubfolder>& subfolders)
{
    int const copy = ::dup(descriptor);
    DIR* const stream = copy >= 0 ? ::fdopendir(copy) : nullptr;
    if (!stream) {
        HostError const error { errno };
        if (copy >= 0)
            ::close(copy);
        return error;
    }
    HostError error;
    for (;;) {
        errno = 0;
        dirent const* const entry = ::readdir(stream);
        if (!entry) {
            error.Code = errno;
            break;
        }
        AddIfSubfolder(descriptor, entry->d_type, entry->d_name, subfolders);
    }
    ::closedir(stream);
    return error;
}
#endif

} // namespace

HostDirectory HostFileSystem::OpenDirectoryToListAt(
    HostDirectory const& folder, char const* name, LinkPolicy links, HostError& error) const
{
    int const descriptor
        = ::openat(folder.Descriptor(), name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | LinkFlags(links));
    if (descriptor >= 0)
        return HostDirectory(descriptor);
    if (errno != EACCES) {
        error.Code = errno;
        return {};
    }
    return OpenDirectoryAt(folder, name, links, error);
}

HostError HostFileSystem::ListSubfolders(
    HostDirectory const& folder, std::vector<HostSubfolder>& subfolders) const
{
    subfolders.clear();
    HostError error = ReadSubfolders(folder.Descriptor(), subfolders);
    if (error.Code != EBADF)
        return error;
    // A lookup descriptor can't be read from: open the folder itself for reading.
    subfolders.clear();
    int const descriptor = ::openat(folder.Descriptor(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return { errno };
    error = ReadSubfolders(descriptor, subfolders);
    ::close(descriptor);
    return error;
}

bool HostFileSystem::IsAlreadyExists(HostError error)
{
    return error.Code == EEXIST;
}

bool HostFileSystem::IsNotFound(HostError error)
{
    return error.Code == ENOENT;
}

bool HostFileSystem::IsNameTooLong(HostError error)
{
    return error.Code == ENAMETOOLONG;
}

bool HostFileSystem::IsNotADirectory(HostError error)
{
    return error.Code == ENOTDIR || error.Code == ELOOP;
}

HostError HostFileSystem::AlreadyExistsError()
{
    return { EEXIST };
}

HostError HostFileSystem::NotFoundError()
{
    return { ENOENT };
}

HostError HostFileSystem::NotADirectoryError()
{
    return { ENOTDIR };
}

HostError HostFileSystem::NameTooLongError()
{
    return { ENAMETOOLONG };
}

HostErrorKind HostFileSystem::KindOf(HostError error)
{
    switch (error.Code) {
    case EACCES:
    case EPERM:
        return HostErrorKind::NoPermission;
    case ENOSPC:
    case EDQUOT:
        return HostErrorKind::NoSpace;
    case EROFS:
        return HostErrorKind::ReadOnly;
    case EEXIST:
        return HostErrorKind::AlreadyExists;
    case ENOENT:
        return HostErrorKind::NotFound;
    case ENOTDIR:
    case ELOOP:
        return HostErrorKind::NotADirectory;
    case ENAMETOOLONG:
        return HostErrorKind::NameTooLong;
    default:
        return HostErrorKind::Other;
    }
}

std::string HostFileSystem::DescribeError(HostError error)
{
    char buffer[256];
    // The GNU strerror_r returns the text, which may or may not be in the buffer.
#if defined(__GLIBC__) && defined(_GNU_SOURCE)
    return ::strerror_r(error.Code, buffer, sizeof buffer);
#else
    if (::strerror_r(error.Code, buffer, sizeof buffer) != 0)
        return "error " + std::to_string(error.Code);
    return buffer;
#endif
}

} // namespace edamaki
