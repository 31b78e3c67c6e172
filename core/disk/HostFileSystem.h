#pragma once

// The host's file system as the creation run and the folder structure import
// see it: folder names in the host's encoding, "a directory exists at this
// path", "create this one directory". This is the POSIX layer (UTF-8 names,
// "/" separators); another host gets a layer of its own with the same members.

#include "core/text/Encoding.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace edamaki {

// Converts between Shift-JIS names and the host's encoding with converters
// that are opened once and reused, so a long run pays for no set-up per name.
// Never replaces a character: a name that can't be converted is a failure.
class HostNameConverter {
public:
    // Appends the host's form of Shift-JIS `text` to `out`. On failure `out`
    // is left as it was and the result is false.
    bool AppendHostText(std::string_view shift_jis, std::string& out);
    // Appends the Shift-JIS form of host text to `out`. On failure `out` is
    // left as it was and the result is false.
    bool AppendShiftJisText(std::string_view host_text, std::string& out);

private:
    ShiftJisConverter m_converter; // the host's encoding is UTF-8
};

// An error as the host reports it (errno here).
struct HostError {
    int Code = 0;

    bool IsSet() const { return Code != 0; }
};

enum class HostEntryKind {
    Directory, // a directory, or a link to one
    Other,     // something that is not a directory
    Missing,   // nothing at all
    Unknown,   // the system could not tell (see the error)
};

class HostFileSystem {
public:
    // The separator between the folder names of a host path.
    static constexpr char Separator = '/';

    // A path the run may create folders below: absolute in the host's style
    // (here: it begins with "/").
    static bool IsAbsoluteFolderPath(std::string_view host_path);

    // True when a directory (or a link to one) exists at the path.
    bool DirectoryExists(char const* host_path) const;
    // What is at the path, following links; `error` is set for Unknown.
    HostEntryKind GetEntryKind(char const* host_path, HostError& error) const;
    // Creates this one directory (never its missing ancestors). Returns the
    // error, unset on success.
    HostError CreateDirectory(char const* host_path) const;
    // True when the error says that something of that name exists already.
    static bool IsAlreadyExists(HostError error);
    // The errors the creation of a directory gives when something is in the
    // way, and when its containing folder is missing.
    static HostError AlreadyExistsError();
    static HostError NotFoundError();
    // The system's text for an error.
    static std::string DescribeError(HostError error);

    HostNameConverter& Names() { return m_names; }

private:
    HostNameConverter m_names;
};

} // namespace edamaki
