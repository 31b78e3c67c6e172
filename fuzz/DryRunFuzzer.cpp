// Reads arbitrary bytes as a source and creates its folders in a scratch
// folder twice: planned (a dry run), then for real. The two runs must report
// the same folders with the same outcomes and reasons, line for line: the
// dry run predicts what the real run does. The scratch folder holds a few
// things in the way: a folder, a file, a link inside and a link outside.
//
// Build with clang (-DEDAMAKI_BUILD_FUZZ=ON) and run, for instance:
//   build-fuzz/DryRunFuzzer -max_len=2048 -timeout=10 corpus/

#include "core/disk/CreationRun.h"
#include "core/document/SourceDocument.h"
#include "core/text/Encoding.h"
#include "core/tree/FolderTree.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr std::size_t FuzzFolderBudget = 200;

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

class RecordingSink : public edamaki::CreationSink {
public:
    void FolderHandled(edamaki::FolderReport const& report) override
    {
        Lines.push_back(std::to_string(static_cast<int>(report.Outcome)) + " " + report.HostPath + " "
            + report.Reason + " " + report.LinkTarget);
    }
    void NothingToCreate() override { Lines.emplace_back("nothing"); }

    std::vector<std::string> Lines;
};

fs::path const& ScratchFolder()
{
    static fs::path const folder = fs::path(fs::exists("/dev/shm") ? "/dev/shm" : "/tmp")
        / ("edamaki-dry-run-fuzz-" + std::to_string(::getpid()));
    return folder;
}

// Removes the scratch folder when an input is done with it, whichever way
// the input ends: nothing of a run stays behind in /dev/shm.
class ScratchCleanup {
public:
    ScratchCleanup() = default;
    ScratchCleanup(ScratchCleanup const&) = delete;
    ScratchCleanup& operator=(ScratchCleanup const&) = delete;
    ~ScratchCleanup()
    {
        std::error_code ignored;
        fs::remove_all(ScratchFolder(), ignored);
    }
};

// A fresh parent folder with its fixed contents.
fs::path PrepareParent()
{
    fs::path const parent = ScratchFolder() / "parent";
    fs::path const outside = ScratchFolder() / "outside";
    std::error_code ignored;
    fs::remove_all(ScratchFolder(), ignored);
    fs::create_directories(parent / "a" / "b");
    fs::create_directories(outside / "o");
    std::ofstream(parent / "f") << "in the way";
    fs::create_directory_symlink(parent / "a", parent / "in");
    fs::create_directory_symlink(outside, parent / "out");
    fs::create_symlink(parent / "f", parent / "tofile");
    return parent;
}

std::vector<std::string> Run(edamaki::FolderTree const& tree, edamaki::CreationOptions options)
{
    RecordingSink sink;
    edamaki::CreateFolders(tree, sink, options);
    return sink.Lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    std::vector<std::string> lines = edamaki::SplitLines({ reinterpret_cast<char const*>(data), size });
    edamaki::FolderTree tree;
    tree.SetFolderBudget(FuzzFolderBudget);
    edamaki::ReadSource(tree, lines);
    if (tree.IsTruncated())
        return 0;
    ScratchCleanup const cleanup;
    fs::path const parent = PrepareParent();
    tree.SetRootPath(parent.string());
    bool const follow = size > 0 && (data[0] & 1) != 0;
    auto const planned = Run(tree, { .DryRun = true, .FollowLinks = follow });
    auto const made = Run(tree, { .DryRun = false, .FollowLinks = follow });
    Check(planned == made);
    return 0;
}
