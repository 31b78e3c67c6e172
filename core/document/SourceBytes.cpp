#include "core/document/SourceBytes.h"

#include "core/document/SourceSize.h"
#include "core/document/Templates.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace edamaki {

namespace {

// Reads everything from `descriptor`, but stops once `bytes` holds more than
// MostSourceBytes. Returns the system's error, 0 on success.
int ReadDescriptor(int descriptor, std::string& bytes)
{
    char buffer[1 << 16];
    while (bytes.size() <= MostSourceBytes) {
        std::size_t const wanted = std::min(sizeof buffer, MostSourceBytes + 1 - bytes.size());
        ssize_t const count = ::read(descriptor, buffer, wanted);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return errno;
        if (count == 0)
            return 0;
        bytes.append(buffer, static_cast<std::size_t>(count));
    }
    return 0;
}

} // namespace

SourceBytes ReadSourceBytes(std::string const& path, bool template_file)
{
    SourceBytes result;
    int descriptor = STDIN_FILENO;
    if (path != "-") {
        int failed = 0;
        descriptor
            = template_file ? OpenTemplateFile(path, failed) : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (descriptor < 0) {
            result.Error = template_file ? failed : errno;
            result.Failure = result.Error == NotARegularFile ? SourceBytes::Problem::NotARegularFile
                                                             : SourceBytes::Problem::CantOpen;
            return result;
        }
        // A file's size is known ahead: the buffer is made once, not grown.
        if (struct stat status; ::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode))
            result.Bytes.reserve(std::min(static_cast<std::size_t>(status.st_size), MostSourceBytes) + 1);
    }
    result.Error = ReadDescriptor(descriptor, result.Bytes);
    if (descriptor != STDIN_FILENO)
        ::close(descriptor);
    if (result.Error != 0)
        result.Failure = SourceBytes::Problem::CantRead;
    else if (result.Bytes.size() > MostSourceBytes)
        result.Failure = SourceBytes::Problem::TooLarge;
    return result;
}

} // namespace edamaki
