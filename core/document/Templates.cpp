#include "core/document/Templates.h"

#include "core/disk/HostFileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <map>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace edamaki {

namespace {

char const* ReadEnvironment(char const* name)
{
    return std::getenv(name);
}

// A variable's value, or empty when it is not set.
std::string Variable(char const* (*environment)(char const*), char const* name)
{
    char const* const value = (environment ? environment : ReadEnvironment)(name);
    return value ? std::string(value) : std::string();
}

constexpr std::string_view TemplateSubfolder = "/edamaki/templates";

} // namespace

std::string OwnTemplateFolder(char const* (*environment)(char const*))
{
    std::string data_home = Variable(environment, "XDG_DATA_HOME");
    // Only an absolute path counts, as the base directory rules say.
    if (data_home.empty() || data_home.front() != '/') {
        std::string const home = Variable(environment, "HOME");
        if (home.empty())
            return {};
        data_home = home + "/.local/share";
    }
    return data_home + std::string(TemplateSubfolder);
}

std::vector<std::string> TemplateFolders(char const* (*environment)(char const*))
{
    std::vector<std::string> folders;
    if (std::string own = OwnTemplateFolder(environment); !own.empty())
        folders.push_back(std::move(own));
    std::string data_dirs = Variable(environment, "XDG_DATA_DIRS");
    if (data_dirs.empty())
        data_dirs = "/usr/local/share:/usr/share";
    std::size_t begin = 0;
    while (begin <= data_dirs.size()) {
        std::size_t end = data_dirs.find(':', begin);
        if (end == std::string::npos)
            end = data_dirs.size();
        std::string folder = data_dirs.substr(begin, end - begin);
        if (!folder.empty() && folder.front() == '/') {
            while (folder.size() > 1 && folder.back() == '/')
                folder.pop_back();
            folder += TemplateSubfolder;
            if (std::find(folders.begin(), folders.end(), folder) == folders.end())
                folders.push_back(std::move(folder));
        }
        begin = end + 1;
    }
    return folders;
}

std::vector<SourceTemplate> ListTemplates(char const* (*environment)(char const*))
{
    std::map<std::string, SourceTemplate> found;
    std::string const own_folder = OwnTemplateFolder(environment);
    HostFileSystem file_system;
    for (std::string const& folder : TemplateFolders(environment)) {
        bool const own = folder == own_folder;
        for (std::string const& file_name : file_system.ListFiles(folder.c_str())) {
            // A table beside a template is its sample rows (NAME.csv), no template.
            if (file_name.ends_with(SampleTableExtension))
                continue;
            // The name without its extension.
            std::string const name = file_name.substr(0, file_name.rfind('.'));
            if (name.empty())
                continue;
            std::string const path = folder + '/' + file_name;
            auto const [kept, added] = found.try_emplace(name, SourceTemplate { name, path, own, {} });
            if (!added && !own && kept->second.Own && kept->second.HiddenInstalledPath.empty())
                kept->second.HiddenInstalledPath = path;
        }
    }
    std::vector<SourceTemplate> templates;
    for (auto& [name, entry] : found)
        templates.push_back(std::move(entry));
    return templates;
}

std::optional<SourceTemplate> FindTemplate(std::string_view name, char const* (*environment)(char const*))
{
    for (SourceTemplate& entry : ListTemplates(environment)) {
        if (entry.Name == name)
            return std::move(entry);
    }
    return std::nullopt;
}

int OpenTemplateFile(std::string const& path, int& error)
{
    int const descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (descriptor < 0) {
        error = errno;
        return -1;
    }
    struct stat status { };
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        error = S_ISREG(status.st_mode) || status.st_mode == 0 ? errno : NotARegularFile;
        ::close(descriptor);
        return -1;
    }
    int const flags = ::fcntl(descriptor, F_GETFL);
    if (flags >= 0)
        ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK);
    return descriptor;
}

} // namespace edamaki
