// End-to-end tests of edamaki-cli: the real binary on real files.

#include "tests/SjisLiteral.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace edamaki {
namespace {

namespace fs = std::filesystem;
using testing::Sjis;

struct RunResult {
    int Status = -1;
    std::string Out;
    std::string Err;
};

class CliTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_directory = fs::temp_directory_path()
            / ("edamaki-cli-test-" + std::to_string(::getpid()) + "-"
                + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_directory);
        fs::create_directories(m_directory);
    }
    void TearDown() override { fs::remove_all(m_directory); }

    std::string WriteFile(std::string const& name, std::string const& bytes)
    {
        fs::path const path = m_directory / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    static std::string ReadFile(fs::path const& path)
    {
        std::ifstream file(path, std::ios::binary);
        std::ostringstream buffer;
        buffer << file.rdbuf();
        return buffer.str();
    }

    // Runs edamaki-cli with `arguments` (already quoted for the shell),
    // standard input from `input`.
    RunResult Run(std::string const& arguments, std::string const& input = {})
    {
        std::string const input_path = WriteFile("stdin", input);
        std::string const out_path = (m_directory / "stdout").string();
        std::string const err_path = (m_directory / "stderr").string();
        std::string const command = std::string("'") + EDAMAKI_CLI_PATH + "' " + arguments + " <'"
            + input_path + "' >'" + out_path + "' 2>'" + err_path + "'";
        int const status = std::system(command.c_str());
        RunResult result;
        result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.Out = ReadFile(out_path);
        result.Err = ReadFile(err_path);
        return result;
    }

    fs::path m_directory;
};

TEST_F(CliTest, ConvertsTextToMacroInShiftJis)
{
    std::string const path = WriteFile("source.txt", Sjis("C:\\作業\r\n  ソ\\表  \r\n;c\r\nb\n"));
    auto const result = Run("convert --to macro '" + path + "'");
    EXPECT_EQ(result.Status, 0) << result.Err;
    EXPECT_EQ(result.Out, Sjis("<?dezodedu-macro?>\r\nC:\\作業\r\nソ\r\n>表\r\nb\r\n"));
    EXPECT_EQ(result.Err, "");
}

TEST_F(CliTest, Utf8InputIsWrittenBackAsUtf8WithItsByteOrderMark)
{
    auto const plain = Run("convert --to text -", "フォルダ\\下\r中\n");
    EXPECT_EQ(plain.Status, 0) << plain.Err;
    EXPECT_EQ(plain.Out, "フォルダ\\下\r\n中\r\n");

    auto const with_bom = Run("convert --to text",
        "\xEF\xBB\xBF"
        "a\\b");
    EXPECT_EQ(with_bom.Status, 0) << with_bom.Err;
    EXPECT_EQ(with_bom.Out,
        "\xEF\xBB\xBF"
        "a\\b\r\n");
}

TEST_F(CliTest, ExplicitEncodings)
{
    // These bytes are valid UTF-8 and valid Shift-JIS alike.
    std::string const bytes = "\xE3\x81\x82";
    auto const as_utf8 = Run("convert --to text --encoding utf-8", bytes);
    EXPECT_EQ(as_utf8.Out, bytes + "\r\n");
    auto const as_shift_jis = Run("convert --to text --encoding cp932", Sjis("ソ"));
    EXPECT_EQ(as_shift_jis.Out, Sjis("ソ") + "\r\n");
}

TEST_F(CliTest, ErrorsNameTheFileAndLineAndWriteNothing)
{
    struct Case {
        std::string arguments;
        std::string input;
        std::string message;
    };
    std::string const missing = (m_directory / "missing.txt").string();
    std::string const broken = WriteFile("broken.txt", "a\r\nb\r\n\x81");
    Case const cases[] = {
        { "convert --to text '" + missing + "'", "", "missing.txt" },
        { "convert --to text '" + broken + "'", "", "broken.txt: line 3" },
        { "convert --to text --encoding utf-8", "ok\nstill ok\n\xFF\n",
            "standard input: line 3: not valid UTF-8" },
        { "convert --to text", "a\n\xF0\x9F\x98\x80\n", "standard input: line 2" },
        { "convert --to nothing", "", "--to" },
        { "convert", "", "--to" },
        { "convert --to text --encoding latin1", "", "--encoding" },
        { "convert --to text --bogus", "", "unknown option --bogus" },
        { "convert --to text a b", "", "only one" },
        { "frobnicate", "", "unknown command" },
    };
    for (auto const& c : cases) {
        auto const result = Run(c.arguments, c.input);
        EXPECT_EQ(result.Status, 2) << c.arguments;
        EXPECT_EQ(result.Out, "") << c.arguments;
        EXPECT_NE(result.Err.find(c.message), std::string::npos) << c.arguments << ": " << result.Err;
    }
}

TEST_F(CliTest, HelpAndVersion)
{
    auto const help = Run("--help");
    EXPECT_EQ(help.Status, 0);
    EXPECT_NE(help.Out.find("convert"), std::string::npos);
    auto const convert_help = Run("convert --help");
    EXPECT_EQ(convert_help.Status, 0);
    EXPECT_NE(convert_help.Out.find("--encoding"), std::string::npos);
    auto const version = Run("--version");
    EXPECT_EQ(version.Status, 0);
    EXPECT_EQ(version.Out.rfind("edamaki-cli ", 0), 0u);
}

} // namespace
} // namespace edamaki
