#include "create/HostFileSystem.h"

#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <sys/stat.h>

namespace edamaki {

namespace {

iconv_t const NoConverter = reinterpret_cast<iconv_t>(-1);

bool IsAscii(std::string_view text)
{
    for (char const character : text) {
        if (static_cast<unsigned char>(character) >= 0x80)
            return false;
    }
    return true;
}

} // namespace

HostNameConverter::HostNameConverter()
    : m_to_host(iconv_open("UTF-8", "CP932"))
    , m_to_shift_jis(iconv_open("CP932", "UTF-8"))
{
}

HostNameConverter::~HostNameConverter()
{
    if (m_to_host != NoConverter)
        iconv_close(static_cast<iconv_t>(m_to_host));
    if (m_to_shift_jis != NoConverter)
        iconv_close(static_cast<iconv_t>(m_to_shift_jis));
}

bool HostNameConverter::AppendHostText(std::string_view shift_jis, std::string& out)
{
    return Convert(m_to_host, shift_jis, out);
}

bool HostNameConverter::AppendShiftJisText(std::string_view host_text, std::string& out)
{
    return Convert(m_to_shift_jis, host_text, out);
}

bool HostNameConverter::Convert(void* handle, std::string_view input, std::string& out)
{
    // Code page 932 and UTF-8 agree on every byte below 0x80, the backslash
    // and the tilde included, and most names are plain ASCII.
    if (IsAscii(input)) {
        out.append(input);
        return true;
    }
    if (handle == NoConverter)
        return false;

    auto const converter = static_cast<iconv_t>(handle);
    std::size_t const original_size = out.size();
    char* in_pointer = const_cast<char*>(input.data());
    std::size_t in_left = input.size();
    out.resize(original_size + input.size() * 3 + 8);
    std::size_t out_used = original_size;
    bool succeeded = true;
    while (in_left > 0) {
        char* out_pointer = out.data() + out_used;
        std::size_t out_left = out.size() - out_used;
        std::size_t const status = iconv(converter, &in_pointer, &in_left, &out_pointer, &out_left);
        out_used = out.size() - out_left;
        if (status != static_cast<std::size_t>(-1))
            break;
        if (errno != E2BIG) {
            // EILSEQ or EINVAL: a character the other side lacks, or a cut one.
            succeeded = false;
            break;
        }
        out.resize(out.size() * 2);
    }
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    out.resize(succeeded ? out_used : original_size);
    return succeeded;
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
