#include "core/disk/HostFileSystem.h"

#include "core/disk/WalkPool.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace edamaki {

bool StatFolderIdentity(
    int descriptor, char const* name, HostFolderIdentity& identity, std::uint64_t& birth_time)
{
    struct statx status { };
    int const flags = name ? AT_SYMLINK_NOFOLLOW : AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW;
    if (::statx(descriptor, name ? name : "", flags, STATX_INO | STATX_BTIME, &status) != 0)
        return false;
    identity
        = { static_cast<std::uint64_t>(makedev(status.stx_dev_major, status.stx_dev_minor)), status.stx_ino };
    birth_time = (status.stx_mask & STATX_BTIME) != 0
        ? static_cast<std::uint64_t>(status.stx_btime.tv_sec) * 1000000000u + status.stx_btime.tv_nsec
        : 0;
    return true;
}

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
// A directory to be listed needs the permission to read it.
constexpr int ReadOpenFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// Not an errno value: the folder a name led to was replaced.
constexpr int FolderChangedCode = -1;

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

HostDirectory HostFileSystem::OpenDirectoryToRead(char const* host_path, HostError& error) const
{
    int const descriptor = ::open(host_path, ReadOpenFlags);
    if (descriptor < 0)
        error.Code = errno;
    return HostDirectory(descriptor);
}

HostDirectory HostFileSystem::OpenDirectoryAt(
    HostDirectory const& folder, char const* name, LinkPolicy links, HostError& error) const
{
    if (HostError const injected = BeforeCall(HostCall::Open, name); injected.IsSet()) {
        error = injected;
        return {};
    }
    int const descriptor = ::openat(folder.Descriptor(), name, LookupOpenFlags | LinkFlags(links));
    if (descriptor < 0)
        error.Code = errno;
    return HostDirectory(descriptor);
}

HostError HostFileSystem::CreateDirectoryAt(HostDirectory const& folder, char const* name) const
{
    ReachRacePoint(RacePoint::BeforeCreate, name);
    if (HostError const injected = BeforeCall(HostCall::Create, name); injected.IsSet())
        return injected;
    if (::mkdirat(folder.Descriptor(), name, 0777) == 0)
        return {};
    return { errno };
}

HostEntryKind HostFileSystem::GetEntryKindAt(
    HostDirectory const& folder, char const* name, LinkPolicy links, HostError& error) const
{
    if (HostError const injected = BeforeCall(HostCall::Look, name); injected.IsSet()) {
        error = injected;
        return HostEntryKind::Unknown;
    }
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

std::vector<std::string> HostFileSystem::ListFiles(char const* host_path)
{
    std::vector<std::string> files;
    HostError error;
    HostDirectory const folder = OpenDirectoryToRead(host_path, error);
    if (!folder.IsOpen())
        return files;
    std::vector<std::string> names;
    ReadEntries(folder, [&](DirectoryEntries::Entry entry) {
        if (!entry.Name.starts_with('.') && entry.Kind != DirectoryEntries::Type::Directory)
            names.emplace_back(entry.Name);
    });
    for (std::string& name : names) {
        struct stat status;
        if (::fstatat(folder.Descriptor(), name.c_str(), &status, 0) == 0 && S_ISREG(status.st_mode))
            files.push_back(std::move(name));
    }
    return files;
}

bool HostFileSystem::MaySearch(HostDirectory const& folder) const
{
    return ::faccessat(folder.Descriptor(), ".", X_OK, AT_EACCESS) == 0;
}

std::size_t HostFileSystem::NameLimit(HostDirectory const& folder) const
{
    long const limit = ::fpathconf(folder.Descriptor(), _PC_NAME_MAX);
    if (limit <= 0)
        return std::numeric_limits<std::size_t>::max();
    return static_cast<std::size_t>(limit);
}

bool HostFileSystem::GetIdentity(
    HostDirectory const& folder, HostFolderIdentity& identity, HostError& error) const
{
    struct stat status;
    if (::fstat(folder.Descriptor(), &status) != 0) {
        error.Code = errno;
        return false;
    }
    identity = { static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino) };
    return true;
}

bool HostFileSystem::GetIdentity(HostDirectory const& folder, HostFolderIdentity& identity) const
{
    HostError ignored;
    return GetIdentity(folder, identity, ignored);
}

bool HostFileSystem::GetBirthIdentity(HostDirectory const& folder, char const* name,
    HostFolderIdentity& identity, std::uint64_t& birth_time) const
{
    return StatFolderIdentity(folder.Descriptor(), name, identity, birth_time);
}

std::unique_ptr<HostFileSystem> HostFileSystem::ForAnotherThread() const
{
    auto other = std::make_unique<HostFileSystem>();
    other->m_race_action = m_race_action;
    other->m_call_hook = m_call_hook;
    return other;
}

std::size_t HostFileSystem::SuggestedJobs(HostDirectory const& folder) const
{
    struct statfs status;
    if (::fstatfs(folder.Descriptor(), &status) != 0)
        return 1;
    // The file systems whose calls go to a server: NFS, SMB and CIFS, 9P,
    // Ceph, AFS, Coda, NCP, and FUSE (sshfs, desktop shares, cloud drives).
    switch (static_cast<unsigned long>(status.f_type)) {
    case 0x6969ul:     // NFS
    case 0x517Bul:     // SMB
    case 0xFE534D42ul: // SMB2
    case 0xFF534D42ul: // CIFS
    case 0x01021997ul: // 9P
    case 0x00C36400ul: // Ceph
    case 0x5346414Ful: // AFS
    case 0x6B414653ul: // kAFS
    case 0x73757245ul: // Coda
    case 0x564Cul:     // NCP
    case 0x65735546ul: // FUSE
        return WalkPool::ShareJobs;
    default:
        return 1;
    }
}

std::size_t HostFileSystem::SuggestedJobs(char const* host_path) const
{
    HostError error;
    HostDirectory const folder = OpenDirectory(host_path, error);
    return folder.IsOpen() ? SuggestedJobs(folder) : 1;
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

std::string HostFileSystem::RealPathOf(HostDirectory const& folder) const
{
    std::string const link = "/proc/self/fd/" + std::to_string(folder.Descriptor());
    std::string path(4096, '\0');
    for (;;) {
        ssize_t const length = ::readlink(link.c_str(), path.data(), path.size());
        if (length < 0)
            return {};
        if (static_cast<std::size_t>(length) < path.size()) {
            path.resize(static_cast<std::size_t>(length));
            return path;
        }
        path.resize(path.size() * 2);
    }
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

HostDirectory HostFileSystem::OpenDirectoryToReadAt(
    HostDirectory const& folder, char const* name, LinkPolicy links, HostError& error) const
{
    if (HostError const injected = BeforeCall(HostCall::Open, name); injected.IsSet()) {
        error = injected;
        return {};
    }
    int const descriptor = ::openat(folder.Descriptor(), name, ReadOpenFlags | LinkFlags(links));
    if (descriptor < 0)
        error.Code = errno;
    return HostDirectory(descriptor);
}

HostDirectory HostFileSystem::OpenDirectoryToListAt(
    HostDirectory const& folder, char const* name, LinkPolicy links, HostError& error) const
{
    HostError read_error;
    HostDirectory directory = OpenDirectoryToReadAt(folder, name, links, read_error);
    if (directory.IsOpen())
        return directory;
    if (read_error.Code != EACCES) {
        error = read_error;
        return {};
    }
    return OpenDirectoryAt(folder, name, links, error);
}

ListedEntryKind HostFileSystem::KindOfListedEntry(
    HostDirectory const& folder, DirectoryEntries::Entry entry) const
{
    struct stat status;
    switch (entry.Kind) {
    case DirectoryEntries::Type::Directory:
        return ListedEntryKind::Folder;
    case DirectoryEntries::Type::Unknown:
        if (::fstatat(folder.Descriptor(), entry.Name.data(), &status, AT_SYMLINK_NOFOLLOW) != 0)
            return ListedEntryKind::NotAFolder;
        if (S_ISDIR(status.st_mode))
            return ListedEntryKind::Folder;
        if (!S_ISLNK(status.st_mode))
            return ListedEntryKind::NotAFolder;
        [[fallthrough]];
    case DirectoryEntries::Type::Link:
        if (::fstatat(folder.Descriptor(), entry.Name.data(), &status, 0) == 0 && S_ISDIR(status.st_mode))
            return ListedEntryKind::LinkToFolder;
        return ListedEntryKind::NotAFolder;
    case DirectoryEntries::Type::Other:
        break;
    }
    return ListedEntryKind::NotAFolder;
}

HostError HostFileSystem::ListSubfolders(HostDirectory const& folder, std::vector<HostSubfolder>& subfolders)
{
    subfolders.clear();
    HostError error = ReadSubfolders(folder, subfolders);
    if (error.Code != EBADF)
        return error;
    // A lookup descriptor can't be read from: open the folder itself for reading.
    subfolders.clear();
    HostDirectory const readable = OpenDirectoryToReadAt(folder, ".", LinkPolicy::Follow, error);
    if (!readable.IsOpen())
        return error;
    return ReadSubfolders(readable, subfolders);
}

// Reads the subfolders of a directory opened to be listed.
HostError HostFileSystem::ReadSubfolders(HostDirectory const& folder, std::vector<HostSubfolder>& subfolders)
{
    return ReadEntries(folder, [&](DirectoryEntries::Entry entry) {
        if (entry.Name == "." || entry.Name == "..")
            return;
        ListedEntryKind const kind = KindOfListedEntry(folder, entry);
        if (kind != ListedEntryKind::NotAFolder)
            subfolders.push_back({ std::string(entry.Name), kind == ListedEntryKind::LinkToFolder });
    });
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

HostError HostFileSystem::FolderChangedError()
{
    return { FolderChangedCode };
}

bool HostFileSystem::IsFolderChanged(HostError error)
{
    return error.Code == FolderChangedCode;
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
    if (IsFolderChanged(error))
        return "the folder changed while it was read";
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
