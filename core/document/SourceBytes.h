#pragma once

// A source file's bytes as both programs read them: the whole file, but never
// more than one byte past the most a source may hold, so that a device or a
// pipe that never ends fills no memory; a template only from a regular file.

#include <string>

namespace edamaki {

struct SourceBytes {
    enum class Problem {
        None,
        CantOpen,        // Error says why
        NotARegularFile, // a template that is a FIFO, a device or a folder
        CantRead,        // Error says why
        TooLarge,        // more than MostSourceBytes
    };

    std::string Bytes;
    Problem Failure = Problem::None;
    int Error = 0; // the system's error (errno) for CantOpen and CantRead

    bool Succeeded() const { return Failure == Problem::None; }
};

// The bytes of the file at `path`, or of standard input for "-".
SourceBytes ReadSourceBytes(std::string const& path, bool template_file = false);

} // namespace edamaki
