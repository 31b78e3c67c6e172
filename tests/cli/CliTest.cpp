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

TEST_F(CliTest, MacroExamplesConvertToTheTreesTheyDescribe)
{
    auto const projects = Run(std::string("convert --to text '") + EDAMAKI_EXAMPLES_DIR + "/projects.fms'");
    EXPECT_EQ(projects.Status, 0) << projects.Err;
    std::string expected = Sjis("C:\\作業\r\n");
    for (char const* project : { "Project01", "Project02", "Project03" }) {
        expected += std::string(project) + "\\src\r\n";
        for (char const* letter : { "A", "B", "C" })
            expected += std::string(project) + Sjis("\\doc\\画像") + letter + "\r\n";
    }
    for (char const* year : { "2024", "2025", "2026" }) {
        for (char const* half : { "上期", "下期" })
            expected += Sjis("Archive\\年度") + year + "\\" + Sjis(half) + "\r\n";
    }
    EXPECT_EQ(projects.Out, expected);

    auto const school = Run(std::string("convert --to text '") + EDAMAKI_EXAMPLES_DIR + "/school.fms'");
    EXPECT_EQ(school.Status, 0) << school.Err;
    EXPECT_NE(school.Out.find(Sjis("3年\\D組\\成績\r\n職員室\\共有\\資料\r\n")), std::string::npos)
        << school.Out;
    EXPECT_EQ(school.Out.find(Sjis("教員室")), std::string::npos);
}

TEST_F(CliTest, MacroToMacroWritesTheExpandedFormWithTheParentFolderLineOnLineTwo)
{
    struct Case {
        std::string input;
        std::string output;
    };
    Case const cases[] = {
        { "<?dezodedu-macro?>\r\nC:\\Work\r\nP<#1:1-2>\r\n>x\r\n<r:P2,Q>\r\n",
            "<?dezodedu-macro?>\r\nC:\\Work\r\nP1\r\n>x\r\nQ\r\n>x\r\n" },
        { "<?dezodedu-macro?>\n/srv/data\n<$:a,b>\n", "<?dezodedu-macro?>\r\n/srv/data\r\na\r\nb\r\n" },
        { "<?dezodedu-macro?>\n; no parent folder\n<@1:x-y>\n", "<?dezodedu-macro?>\r\nx\r\ny\r\n" },
    };
    for (auto const& c : cases) {
        auto const result = Run("convert --to macro", c.input);
        EXPECT_EQ(result.Status, 0) << result.Err;
        EXPECT_EQ(result.Out, c.output) << c.input;
    }
}

TEST_F(CliTest, MacroSourcesInUtf8ConvertToText)
{
    auto const result = Run("convert --to text", "<?dezodedu-macro?>\n第<#1:1-2>期\n>資料\n");
    EXPECT_EQ(result.Status, 0) << result.Err;
    EXPECT_EQ(result.Out, "第1期\\資料\r\n第2期\\資料\r\n");
}

TEST_F(CliTest, MacroSourcesThatMakeTooManyFoldersWriteNothing)
{
    std::string thousands_of_tags = "<?dezodedu-macro?>\n";
    for (int index = 0; index < 3000; ++index)
        thousands_of_tags += "<#1:1-2>";
    for (std::string const& input : {
             std::string("<?dezodedu-macro?>\n<#1:0-2147483647>\n"),
             std::string("<?dezodedu-macro?>\n<#1:1-1000>\n><#1:1-1000>\n>><#1:1-1000>\n"),
             thousands_of_tags,
         }) {
        auto const result = Run("convert --to text", input);
        EXPECT_EQ(result.Status, 2) << input.substr(0, 60);
        EXPECT_EQ(result.Out, "");
        EXPECT_NE(result.Err.find("nothing was written"), std::string::npos) << result.Err;
    }
}

TEST_F(CliTest, MacroSourcesThatOnceHurtReadersConvert)
{
    std::string deep = "<?dezodedu-macro?>\n";
    for (int level = 0; level < 3000; ++level)
        deep += std::string(static_cast<std::size_t>(level), '>') + "d\n";
    auto const deep_result = Run("convert --to macro", deep);
    EXPECT_EQ(deep_result.Status, 0) << deep_result.Err;
    EXPECT_EQ(deep_result.Out.size(), deep.size() + 3000 + 1);

    auto const broken = Run("convert --to text",
        "<?dezodedu-macro?>\n<#1:1-2147483647>x<y\na\n><-:a>\n>>b\n<$:" + std::string(1 << 20, ',') + ">x\n");
    EXPECT_EQ(broken.Status, 0) << broken.Err;
    EXPECT_EQ(broken.Out, "x\r\n");
}

} // namespace
} // namespace edamaki
