#include "core/disk/HostFileSystem.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

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

bool HostFileSystem::DirectoryExists(char const* host_path) const
{
    struct stat status;
    return ::stat(host_path, &status) == 0 && S_ISDIR(status.st_mode);
}

HostEntryKind HostFileSystem::GetEntryKind(char const* host_path, HostError& error) const
{
    struct stat status;
    if (::stat(host_path, &status) == 0)
        return S_ISDIR(status.st_mode) ? HostEntryKind::Directory : HostEntryKind::Other;
    if (errno == ENOENT) {
        // A dangling link is something in the way all the same.
        if (::lstat(host_path, &status) == 0)
            return HostEntryKind::Other;
        return HostEntryKind::Missing;
    }
    error.Code = errno;
    return HostEntryKind::Unknown;
}

HostError HostFileSystem::CreateDirectory(char const* host_path) const
{
    if (::mkdir(host_path, 0777) == 0)
        return {};
    return { errno };
}

bool HostFileSystem::IsAlreadyExists(HostError error)
{
    return error.Code == EEXIST;
}

HostError HostFileSystem::AlreadyExistsError()
{
    return { EEXIST };
}

HostError HostFileSystem::NotFoundError()
{
    return { ENOENT };
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
