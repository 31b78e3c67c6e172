// The floor of the creation benchmark: one mkdir(2) per path of a list, in
// the list's order, and a stat(2) only where something is there already, to
// tell a directory from a file in the way. Nothing else: on a fresh tree that
// is a bare mkdir loop, and on an existing tree the least a program can do by
// full paths to tell "existed" from "failed". Usage: edamaki_mkdir_floor
// PATHS-FILE (one path per line). Exit status 1 when a path is not a directory
// afterwards.

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: edamaki_mkdir_floor PATHS-FILE\n", stderr);
        return 2;
    }
    int const descriptor = ::open(argv[1], O_RDONLY);
    if (descriptor < 0) {
        std::perror(argv[1]);
        return 2;
    }
    std::string paths;
    char buffer[1 << 16];
    for (;;) {
        ssize_t const count = ::read(descriptor, buffer, sizeof buffer);
        if (count <= 0)
            break;
        paths.append(buffer, static_cast<std::size_t>(count));
    }
    ::close(descriptor);

    if (!paths.empty() && paths.back() != '\n')
        paths.push_back('\n');
    int failed = 0;
    for (std::size_t start = 0; start < paths.size();) {
        std::size_t const end = paths.find('\n', start);
        paths[end] = '\0';
        char const* const path = paths.c_str() + start;
        if (::mkdir(path, 0777) != 0) {
            struct stat status;
            if (errno != EEXIST || ::stat(path, &status) != 0 || !S_ISDIR(status.st_mode))
                ++failed;
        }
        start = end + 1;
    }
    return failed == 0 ? 0 : 1;
}
