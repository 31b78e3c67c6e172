#include "core/journal/RunJournal.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace edamaki {

namespace {

constexpr std::string_view Magic = "edamaki-journal 1";
constexpr std::string_view Extension = ".journal";

void AppendEscaped(std::string_view text, std::string& out)
{
    for (char const c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
}

std::string Unescaped(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        char const next = text[++i];
        out += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    }
    return out;
}

std::vector<std::string_view> SplitFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string_view::npos; start = tab + 1)
        fields.push_back(line.substr(start, tab - start));
    fields.push_back(line.substr(start));
    return fields;
}

std::string UtcTime(std::time_t seconds)
{
    std::tm parts {};
    ::gmtime_r(&seconds, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

bool MakeFolders(std::string const& path)
{
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        std::string const part = path.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            return true;
    }
}

std::string JournalPath(std::string const& folder, std::string_view name)
{
    return folder + "/" + std::string(name) + std::string(Extension);
}

bool ParseFolderLine(std::vector<std::string_view> const& fields, JournalFolderEntry& entry)
{
    if (fields.size() != 5 || fields[4].empty())
        return false;
    std::uint64_t* const numbers[] = { &entry.Identity.Device, &entry.Identity.Inode, &entry.BirthTime };
    for (std::size_t index = 0; index < 3; ++index) {
        std::string const text(fields[index + 1]);
        char* end = nullptr;
        errno = 0;
        *numbers[index] = std::strtoull(text.c_str(), &end, 10);
        if (text.empty() || *end != '\0' || errno != 0)
            return false;
    }
    entry.HostPath = Unescaped(fields[4]);
    return true;
}

// One line of a journal into `journal`; false for a line that is not one.
bool ParseLine(std::string_view line, RunJournal& journal, std::map<std::string, std::uint64_t>& announced)
{
    std::vector<std::string_view> const fields = SplitFields(line);
    if (fields[0] == "+") {
        JournalFolderEntry entry;
        if (!ParseFolderLine(fields, entry))
            return false;
        announced.erase(entry.HostPath);
        journal.Folders.push_back(std::move(entry));
        return true;
    }
    if (fields[0] == "?" && fields.size() == 3) {
        announced[Unescaped(fields[2])] = std::strtoull(std::string(fields[1]).c_str(), nullptr, 10);
        return true;
    }
    if (fields[0] == "run" && fields.size() == 4) {
        journal.Time = Unescaped(fields[1]);
        journal.ParentFolder = Unescaped(fields[2]);
        journal.Source = Unescaped(fields[3]);
        return true;
    }
    if (fields[0] == "undone") {
        journal.Undone = true;
        return true;
    }
    return false;
}

} // namespace

std::string JournalFolder()
{
    char const* const state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/')
        return std::string(state) + "/edamaki/runs";
    char const* const home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::string(home) + "/.local/state/edamaki/runs";
    return {};
}

RunJournalWriter::RunJournalWriter(std::string folder, std::string parent_folder, std::string source)
    : m_folder(std::move(folder))
    , m_parent_folder(std::move(parent_folder))
    , m_source(std::move(source))
{
}

RunJournalWriter::~RunJournalWriter()
{
    if (m_descriptor < 0)
        return;
    if (m_mapped) {
        ::munmap(m_mapped, m_capacity);
        // The mapping's room beyond the lines goes.
        if (::ftruncate(m_descriptor, static_cast<off_t>(m_size)) != 0)
            m_error = JournalPath(m_folder, m_name) + ": " + std::strerror(errno);
    }
    ::close(m_descriptor);
    // Announced folders, none made (they failed): nothing to take back.
    if (!m_recorded)
        ::unlink(JournalPath(m_folder, m_name).c_str());
}

bool RunJournalWriter::Open()
{
    if (m_folder.empty()) {
        m_error = "no journal folder: neither XDG_STATE_HOME nor HOME is set";
        return false;
    }
    if (!MakeFolders(m_folder)) {
        m_error = m_folder + ": " + std::strerror(errno);
        return false;
    }
    // Room for the new one among the kept.
    PruneJournals(m_folder, KeptJournals - 1);
    timeval now {};
    ::gettimeofday(&now, nullptr);
    std::tm parts {};
    ::localtime_r(&now.tv_sec, &parts);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &parts);
    std::string base = stamp;
    char micro[8];
    std::snprintf(micro, sizeof micro, ".%06ld", static_cast<long>(now.tv_usec));
    base += micro;
    // Two runs in the same microsecond: the later takes the next free suffix.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string const name = attempt == 0 ? base : base + "-" + std::to_string(attempt);
        m_descriptor
            = ::open(JournalPath(m_folder, name).c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (m_descriptor >= 0) {
            m_name = name;
            break;
        }
        if (errno != EEXIST)
            break;
    }
    if (m_descriptor < 0) {
        m_error = m_folder + ": " + std::strerror(errno);
        return false;
    }
    std::string header = std::string(Magic) + "\nrun\t" + UtcTime(now.tv_sec) + "\t";
    AppendEscaped(m_parent_folder, header);
    header += '\t';
    AppendEscaped(m_source, header);
    header += '\n';
    return Append(header);
}

// Makes room for `needed` bytes more in the mapping of the file. False when
// the file can't be mapped: the lines are then written one by one.
bool RunJournalWriter::Map(std::size_t needed)
{
    if (m_mapped && m_size + needed <= m_capacity)
        return true;
    std::size_t const capacity = std::max({ std::size_t { 1 } << 16, m_capacity * 2, m_size + needed });
    if (::ftruncate(m_descriptor, static_cast<off_t>(capacity)) != 0)
        return false;
    if (m_mapped)
        ::munmap(m_mapped, m_capacity);
    void* const mapped = ::mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_SHARED, m_descriptor, 0);
    if (mapped == MAP_FAILED) {
        m_mapped = nullptr;
        m_capacity = 0;
        // Back to the lines' own length, for the writes that follow.
        if (::ftruncate(m_descriptor, static_cast<off_t>(m_size)) != 0)
            m_error = JournalPath(m_folder, m_name) + ": " + std::strerror(errno);
        return false;
    }
    m_mapped = static_cast<char*>(mapped);
    m_capacity = capacity;
    return true;
}

bool RunJournalWriter::Append(std::string const& line)
{
    if (Map(line.size())) {
        std::memcpy(m_mapped + m_size, line.data(), line.size());
        m_size += line.size();
        return true;
    }
    if (::lseek(m_descriptor, static_cast<off_t>(m_size), SEEK_SET) < 0) {
        m_error = JournalPath(m_folder, m_name) + ": " + std::strerror(errno);
        return false;
    }
    std::size_t written = 0;
    while (written < line.size()) {
        ssize_t const count = ::write(m_descriptor, line.data() + written, line.size() - written);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0) {
            m_error = JournalPath(m_folder, m_name) + ": " + std::strerror(errno);
            ::close(m_descriptor);
            m_descriptor = -1;
            return false;
        }
        written += static_cast<std::size_t>(count);
    }
    m_size += written;
    return true;
}

void RunJournalWriter::Announce(std::string const& host_path)
{
    timespec now {};
    ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
    std::lock_guard const lock(m_mutex);
    if (!m_error.empty() || (m_descriptor < 0 && !Open()))
        return;
    std::string line = "?\t"
        + std::to_string(
            static_cast<std::uint64_t>(now.tv_sec) * 1000000000u + static_cast<std::uint64_t>(now.tv_nsec))
        + "\t";
    AppendEscaped(host_path, line);
    line += '\n';
    Append(line);
}

bool RunJournalWriter::Record(
    std::string_view host_path, HostFolderIdentity identity, std::uint64_t birth_time)
{
    std::lock_guard const lock(m_mutex);
    m_recorded = true;
    if (!m_error.empty())
        return false;
    if (m_descriptor < 0 && !Open())
        return false;
    std::string line = "+\t" + std::to_string(identity.Device) + "\t" + std::to_string(identity.Inode) + "\t"
        + std::to_string(birth_time) + "\t";
    AppendEscaped(host_path, line);
    line += '\n';
    // Into the file's mapping at once: a run killed after it made a folder
    // has it in the journal.
    return Append(line);
}

void JournalSink::FolderHandled(FolderReport const& report)
{
    if (report.Outcome == FolderOutcome::Created && report.HasIdentity && !report.HostPath.empty())
        m_journal.Record(report.HostPath, report.Identity, report.BirthTime);
    m_inner.FolderHandled(report);
}

std::optional<RunJournal> ReadJournal(std::string const& folder, std::string const& name)
{
    if (name.empty() || name.find('/') != std::string::npos)
        return std::nullopt;
    std::ifstream file(JournalPath(folder, name), std::ios::binary);
    std::string line;
    if (!file || !std::getline(file, line) || line != Magic)
        return std::nullopt;
    RunJournal journal;
    journal.Name = name;
    // A last line without its line feed was cut short: left out.
    std::map<std::string, std::uint64_t> announced;
    while (std::getline(file, line) && !file.eof()) {
        // A killed run leaves its mapping's unused room (NUL bytes) before a later mark.
        line.erase(0, std::min(line.find_first_not_of('\0'), line.size()));
        ParseLine(line, journal, announced);
    }
    for (auto const& [path, time] : announced) {
        JournalFolderEntry entry;
        entry.HostPath = path;
        entry.AnnouncedOnly = true;
        entry.AnnouncedAt = time;
        journal.Folders.push_back(std::move(entry));
    }
    return journal;
}

std::vector<RunJournal> ListJournals(std::string const& folder)
{
    std::vector<std::string> names;
    if (DIR* const directory = ::opendir(folder.c_str())) {
        while (dirent const* const entry = ::readdir(directory)) {
            std::string_view const file = entry->d_name;
            if (file.size() > Extension.size() && file.ends_with(Extension))
                names.emplace_back(file.substr(0, file.size() - Extension.size()));
        }
        ::closedir(directory);
    }
    std::sort(names.begin(), names.end());
    std::vector<RunJournal> journals;
    for (std::string const& name : names) {
        if (auto journal = ReadJournal(folder, name))
            journals.push_back(std::move(*journal));
    }
    return journals;
}

bool MarkJournalUndone(std::string const& folder, std::string const& name)
{
    int const descriptor = ::open(JournalPath(folder, name).c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    std::string const line = "undone\t" + UtcTime(std::time(nullptr)) + "\n";
    bool const written = ::write(descriptor, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    ::close(descriptor);
    return written;
}

void PruneJournals(std::string const& folder, std::size_t keep, std::chrono::seconds max_age)
{
    std::vector<std::string> names;
    if (DIR* const directory = ::opendir(folder.c_str())) {
        while (dirent const* const entry = ::readdir(directory)) {
            std::string_view const file = entry->d_name;
            if (file.size() > Extension.size() && file.ends_with(Extension))
                names.emplace_back(file);
        }
        ::closedir(directory);
    }
    std::sort(names.begin(), names.end(), std::greater<>());
    std::time_t const oldest = std::time(nullptr) - static_cast<std::time_t>(max_age.count());
    for (std::size_t index = 0; index < names.size(); ++index) {
        std::string const path = folder + "/" + names[index];
        struct stat status { };
        bool const too_old = ::stat(path.c_str(), &status) == 0 && status.st_mtime < oldest;
        if (index >= keep || too_old)
            ::unlink(path.c_str());
    }
}

} // namespace edamaki
