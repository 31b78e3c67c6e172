#include "core/document/Templates.h"
#include "tests/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace edamaki {
namespace {

namespace fs = std::filesystem;

// The environment the templates are looked for in.
std::map<std::string, std::string> g_environment;

char const* FakeEnvironment(char const* name)
{
    auto const found = g_environment.find(name);
    return found == g_environment.end() ? nullptr : found->second.c_str();
}

class TemplatesTest : public ::testing::Test {
protected:
    void SetUp() override { m_sandbox = testing::MakeScratchFolder("templates"); }
    void TearDown() override
    {
        g_environment.clear();
        fs::remove_all(m_sandbox);
    }

    void Put(std::string const& folder, std::string const& file) const
    {
        fs::create_directories(m_sandbox / folder);
        std::ofstream(m_sandbox / folder / file) << "a\\b\n";
    }

    fs::path m_sandbox;
};

TEST_F(TemplatesTest, TheFoldersFollowTheBaseDirectoryRules)
{
    struct Case {
        std::map<std::string, std::string> environment;
        std::vector<std::string> expected;
    };
    Case const cases[] = {
        { { { "HOME", "/home/me" } },
            { "/home/me/.local/share/edamaki/templates", "/usr/local/share/edamaki/templates",
                "/usr/share/edamaki/templates" } },
        { { { "HOME", "/home/me" }, { "XDG_DATA_HOME", "/data" },
              { "XDG_DATA_DIRS", "/opt/share/::relative:/x/" } },
            { "/data/edamaki/templates", "/opt/share/edamaki/templates", "/x/edamaki/templates" } },
        // A relative XDG_DATA_HOME doesn't count; without a home there is no own folder.
        { { { "HOME", "/home/me" }, { "XDG_DATA_HOME", "data" }, { "XDG_DATA_DIRS", "/s" } },
            { "/home/me/.local/share/edamaki/templates", "/s/edamaki/templates" } },
        { { { "XDG_DATA_DIRS", "/s" } }, { "/s/edamaki/templates" } },
    };
    for (Case const& c : cases) {
        g_environment = c.environment;
        EXPECT_EQ(TemplateFolders(FakeEnvironment), c.expected);
    }
}

TEST_F(TemplatesTest, TheUsersOwnWinsAndEachNameComesOnce)
{
    Put("own/edamaki/templates", "案件.fms");
    Put("own/edamaki/templates", ".hidden.txt");
    Put("first/edamaki/templates", "案件.txt");
    Put("first/edamaki/templates", "年度.csv");
    Put("first/edamaki/templates", "年度.txt");
    Put("second/edamaki/templates", "年度.fms");
    Put("second/edamaki/templates", "イベント.txt");
    g_environment = { { "XDG_DATA_HOME", (m_sandbox / "own").string() },
        { "XDG_DATA_DIRS", (m_sandbox / "first").string() + ":" + (m_sandbox / "second").string() } };
    std::string listed;
    for (SourceTemplate const& entry : ListTemplates(FakeEnvironment))
        listed += entry.Name + (entry.Own ? " own " : " ")
            + fs::path(entry.Path).parent_path().parent_path().parent_path().filename().string() + "\n";
    EXPECT_EQ(listed, "イベント second\n年度 first\n案件 own own\n");
    EXPECT_EQ(FindTemplate("年度", FakeEnvironment)->Path,
        (m_sandbox / "first/edamaki/templates/年度.txt").string());
    EXPECT_FALSE(FindTemplate("なし", FakeEnvironment));
}

TEST_F(TemplatesTest, OnlyARegularFileOpensAndAFifoDoesNotHoldTheOpening)
{
    Put("t", "plain.txt");
    ASSERT_EQ(::mkfifo((m_sandbox / "t" / "pipe.txt").c_str(), 0600), 0);
    struct Case {
        char const* file;
        bool opens;
        int error;
    };
    Case const cases[] = {
        { "plain.txt", true, 0 }, { "pipe.txt", false, NotARegularFile }, { "missing.txt", false, ENOENT },
        { "", false, NotARegularFile }, // the folder itself
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.file);
        int error = 0;
        int const descriptor = OpenTemplateFile((m_sandbox / "t" / c.file).string(), error);
        EXPECT_EQ(descriptor >= 0, c.opens);
        EXPECT_EQ(error, c.error);
        if (descriptor >= 0) {
            char bytes[8] {};
            EXPECT_EQ(::read(descriptor, bytes, sizeof bytes), 4);
            ::close(descriptor);
        }
    }
}

} // namespace
} // namespace edamaki
