#pragma once

// The host's file system as the creation run, verify and the folder
// structure import see it: folder names in the host's encoding, directories
// held open by descriptor, "what is at this name inside that folder", "create
// this one directory inside that folder", "which entries of that folder are
// folders". This is the POSIX layer (UTF-8 names, "/" separators); another
// host gets a layer of its own with the same members.

#include "core/disk/DirectoryEntries.h"
#include "core/text/Encoding.h"

#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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
    bool operator==(HostError const&) const = default;
};

enum class HostEntryKind {
    Directory, // a directory (or, when links are followed, a link to one)
    Link,      // a link, when links are not followed
    Other,     // something that is not a directory
    Missing,   // nothing at all
    Unknown,   // the system could not tell (see the error)
};

enum class LinkPolicy {
    Follow,
    NoFollow,
};

// A folder on disk as the host tells one from another, whatever the path to it.
struct HostFolderIdentity {
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;

    bool operator==(HostFolderIdentity const&) const = default;
};

struct HostFolderIdentityHash {
    std::size_t operator()(HostFolderIdentity const& identity) const
    {
        return std::hash<std::uint64_t> {}(identity.Inode * 0x9E3779B97F4A7C15ull ^ identity.Device);
    }
};

// The identity and birth time (see HostFileSystem::GetBirthIdentity) of
// `name` inside the directory `descriptor`, or of `descriptor` itself when
// `name` is null; never follows a link.
bool StatFolderIdentity(
    int descriptor, char const* name, HostFolderIdentity& identity, std::uint64_t& birth_time);

// A directory held open by its descriptor; closed when this goes. Opened for
// lookups only, so a folder the user may not list can still be walked into.
class HostDirectory {
public:
    HostDirectory() = default;
    explicit HostDirectory(int descriptor)
        : m_descriptor(descriptor)
    {
    }
    ~HostDirectory() { Close(); }
    HostDirectory(HostDirectory&& other) noexcept
        : m_descriptor(std::exchange(other.m_descriptor, -1))
    {
    }
    HostDirectory& operator=(HostDirectory&& other) noexcept
    {
        if (this != &other) {
            Close();
            m_descriptor = std::exchange(other.m_descriptor, -1);
        }
        return *this;
    }
    HostDirectory(HostDirectory const&) = delete;
    HostDirectory& operator=(HostDirectory const&) = delete;

    bool IsOpen() const { return m_descriptor >= 0; }
    int Descriptor() const { return m_descriptor; }
    void Close();

private:
    int m_descriptor = -1;
};

// What an error means to the user.
enum class HostErrorKind {
    NoPermission,
    NoSpace, // no space left, or the user's quota used up
    ReadOnly,
    AlreadyExists,
    NotFound,
    NotADirectory,
    NameTooLong,
    Other,
};

// What an entry found by listing a directory is to a walk over folders.
enum class ListedEntryKind {
    Folder,
    LinkToFolder,
    NotAFolder, // a file, a link to one, a dangling link, or gone since the listing
};

// The points of a walk where another process may act between a look and the
// call that acts on what was seen.
enum class RacePoint {
    BeforeCreate,  // a name looked up and found missing is about to be made
    BeforeReopen,  // a folder the window closed is about to be opened again by name
    AfterOpenLink, // a link's target has just been opened
};

// The calls to the system that a test may delay or fail, as a file server
// would.
enum class HostCall {
    Open,   // a directory opened by name inside another
    Create, // a directory made
    Look,   // what is at a name
    List,   // a directory's entries read
};

// A subfolder found by listing a directory.
struct HostSubfolder {
    std::string Name;
    // A link to a folder, not the folder itself.
    bool IsLink = false;
};

class HostFileSystem {
public:
    // The separator between the folder names of a host path.
    static constexpr char Separator = '/';
    // The longest full path the run passes on (the system's limit counts the
    // terminating NUL).
    static constexpr std::size_t PathLimit = PATH_MAX - 1;

    // A path the run may create folders below: absolute in the host's style
    // (here: it begins with "/").
    static bool IsAbsoluteFolderPath(std::string_view host_path);
    // How many descriptors this process may hold open at once.
    static std::size_t DescriptorLimit();

    // Opens the directory at a full path, following links: the user named it.
    HostDirectory OpenDirectory(char const* host_path, HostError& error) const;
    // The same, opened to be listed as well as looked into.
    HostDirectory OpenDirectoryToRead(char const* host_path, HostError& error) const;
    // Opens the directory `name` inside `folder`. With NoFollow a link there
    // fails as "not a directory".
    HostDirectory OpenDirectoryAt(
        HostDirectory const& folder, char const* name, LinkPolicy links, HostError& error) const;
    // Creates the one directory `name` inside `folder`. Returns the error,
    // unset on success.
    HostError CreateDirectoryAt(HostDirectory const& folder, char const* name) const;
    // What is at `name` inside `folder`; `error` is set for Unknown.
    HostEntryKind GetEntryKindAt(
        HostDirectory const& folder, char const* name, LinkPolicy links, HostError& error) const;
    // Unset when this process may create folders inside `folder`; otherwise
    // the error a creation would meet (no permission, a read-only file system).
    HostError CheckCreationAllowed(HostDirectory const& folder) const;
    // Whether this process may look up names inside `folder`: the search
    // permission, which listing it doesn't need.
    bool MaySearch(HostDirectory const& folder) const;
    // The longest name, in bytes, that the file system of `folder` takes.
    std::size_t NameLimit(HostDirectory const& folder) const;
    // False, with the error, when the system can't tell.
    bool GetIdentity(HostDirectory const& folder, HostFolderIdentity& identity, HostError& error) const;
    bool GetIdentity(HostDirectory const& folder, HostFolderIdentity& identity) const;
    // Which folder is at `name` inside `folder` (`folder` itself when `name`
    // is null), not following a link, with its birth time in nanoseconds (0
    // when the file system keeps none): a folder removed and made again may
    // get the same inode, but not the same birth time.
    bool GetBirthIdentity(HostDirectory const& folder, char const* name, HostFolderIdentity& identity,
        std::uint64_t& birth_time) const;
    // The full path that a path leads to, every link followed; empty when it
    // can't be resolved.
    std::string ResolvePath(char const* host_path) const;
    // The full path of the open directory `folder` as the system's table of
    // open files has it; empty when there is none.
    std::string RealPathOf(HostDirectory const& folder) const;
    // The text of the link `name` inside `folder`; empty when it can't be read.
    std::string ReadLinkAt(HostDirectory const& folder, char const* name) const;
    // Opens the directory `name` inside `folder` to be listed as well as
    // looked into; fails when the user may not list it.
    HostDirectory OpenDirectoryToReadAt(
        HostDirectory const& folder, char const* name, LinkPolicy links, HostError& error) const;
    // The same, but one the user may search but not list is opened for
    // lookups only, and ListSubfolders then says so.
    HostDirectory OpenDirectoryToListAt(
        HostDirectory const& folder, char const* name, LinkPolicy links, HostError& error) const;
    // Whether `entry`, listed in `folder`, is a folder or a link to one. The
    // type the listing gives saves a look for all but links and the entries
    // of file systems that don't record one.
    ListedEntryKind KindOfListedEntry(HostDirectory const& folder, DirectoryEntries::Entry entry) const;
    // Replaces `subfolders` with the subfolders of `folder` in the order the
    // system lists them: its directories and the links in it that lead to
    // one ("." and ".." left out). Returns the error, unset when the whole
    // folder was read. Reads a directory opened to be listed from where it
    // stands: once.
    HostError ListSubfolders(HostDirectory const& folder, std::vector<HostSubfolder>& subfolders);
    // The names of the regular files in the folder at `host_path` (links to
    // one among them), in the order the system lists them, hidden ones (a
    // name beginning with ".") left out; none when it can't be read.
    std::vector<std::string> ListFiles(char const* host_path);
    // Calls `visit` with every entry of `folder`, opened to be listed ("."
    // and ".." among them), from where it stands: the one reader of
    // directories, whose buffer serves every folder (so not to be called
    // again from inside `visit`). Returns the error, unset when the whole
    // folder was read.
    template<typename Visit> HostError ReadEntries(HostDirectory const& folder, Visit const& visit)
    {
        if (HostError const injected = BeforeCall(HostCall::List, nullptr); injected.IsSet())
            return injected;
        if (m_entries.Read(folder.Descriptor(), visit))
            return {};
        return { errno };
    }

    // What the errors say, and the errors the run gives itself.
    static bool IsAlreadyExists(HostError error);
    static bool IsNotFound(HostError error);
    static bool IsNameTooLong(HostError error);
    // The folder is not a directory (or, not following links, is a link).
    static bool IsNotADirectory(HostError error);
    static HostError AlreadyExistsError();
    static HostError NotFoundError();
    static HostError NotADirectoryError();
    static HostError NameTooLongError();
    // A folder reopened by name is no longer the folder that was there.
    static HostError FolderChangedError();
    static bool IsFolderChanged(HostError error);
    // The system's text for an error.
    static std::string DescribeError(HostError error);
    static HostErrorKind KindOf(HostError error);

    HostNameConverter& Names() { return m_names; }

    // A file system for another thread of the same walk: the same test
    // hooks, buffers and converters of its own.
    std::unique_ptr<HostFileSystem> ForAnotherThread() const;

    // How many calls a walk below `folder` keeps in flight when the caller
    // doesn't say: several on a file system that waits on a server (a
    // network or FUSE mount, where each call is a round trip), one on a
    // local disk, where the calls are quick and the kernel's work is the cost.
    std::size_t SuggestedJobs(HostDirectory const& folder) const;
    // The same for the folder at a full path; one when it can't be opened
    // (the walk says why).
    std::size_t SuggestedJobs(char const* host_path) const;

    // For tests: runs `action` at each race point, with the name about to be
    // (or just) opened or made, as another process would act there.
    void SetRaceAction(std::function<void(RacePoint, char const* name)> action)
    {
        m_race_action = std::move(action);
    }
    void ReachRacePoint(RacePoint point, char const* name) const
    {
        if (m_race_action)
            m_race_action(point, name);
    }
    // For tests: `hook` runs before each call (from any thread of a walk),
    // with the name it is about to pass (null for a listing); it may wait,
    // and an error it returns is what the call fails with.
    void SetCallHook(std::function<HostError(HostCall, char const* name)> hook)
    {
        m_call_hook = std::move(hook);
    }

private:
    HostError BeforeCall(HostCall call, char const* name) const
    {
        return m_call_hook ? m_call_hook(call, name) : HostError {};
    }
    HostError ReadSubfolders(HostDirectory const& folder, std::vector<HostSubfolder>& subfolders);

    HostNameConverter m_names;
    DirectoryEntries m_entries;
    std::function<void(RacePoint, char const*)> m_race_action;
    std::function<HostError(HostCall, char const*)> m_call_hook;
};

} // namespace edamaki
