// End-to-end tests of edamaki-cli: the real binary on real files.

#include "tests/ScratchFolder.h"
#include "tests/SjisLiteral.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace edamaki {
namespace {

namespace fs = std::filesystem;
using testing::ListTree;
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
        m_directory = testing::MakeScratchFolder("cli-test");
        // The journals of the runs go beside it, never to the user's own
        // folder; open to the unprivileged user some tests run as.
        m_state = m_directory.string() + "-state";
        fs::path const journals = m_state / "edamaki" / "runs";
        fs::remove_all(m_state);
        fs::create_directories(journals);
        for (fs::path folder = journals; folder != m_state.parent_path(); folder = folder.parent_path())
            fs::permissions(folder, fs::perms::all);
        ::setenv("XDG_STATE_HOME", m_state.c_str(), 1);
    }
    void TearDown() override
    {
        fs::remove_all(m_directory);
        fs::remove_all(m_state);
    }

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
    // `launcher` runs the program (e.g. as another user) when given.
    RunResult Run(
        std::string const& arguments, std::string const& input = {}, std::string const& launcher = {})
    {
        std::string const input_path = WriteFile("stdin", input);
        std::string const out_path = (m_directory / "stdout").string();
        std::string const err_path = (m_directory / "stderr").string();
        std::string const command = launcher + "'" + EDAMAKI_CLI_PATH + "' " + arguments + " <'" + input_path
            + "' >'" + out_path + "' 2>'" + err_path + "'";
        int const status = std::system(command.c_str());
        RunResult result;
        result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.Out = ReadFile(out_path);
        result.Err = ReadFile(err_path);
        return result;
    }

    // What runs the program as an unprivileged user, so that permissions
    // apply: nothing when the tests don't run as root, setpriv when they do,
    // none when setpriv is missing.
    static std::optional<std::string> UnprivilegedLauncher()
    {
        if (::geteuid() != 0)
            return std::string();
        if (std::system("setpriv --version >/dev/null 2>&1") != 0)
            return std::nullopt;
        return std::string("setpriv --reuid=65534 --regid=65534 --clear-groups ");
    }

    fs::path m_directory;
    fs::path m_state;
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
    // Shift-JIS that happens to be valid UTF-8 too ("ý\ķ", "ևT") reads as written.
    std::string const half_width = Sjis("ﾃｽ\\ﾄｷ\nﾖⅧ\n");
    EXPECT_EQ(Run("convert --to text", half_width).Out, Sjis("ﾃｽ\\ﾄｷ\r\nﾖⅧ\r\n"));
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
        { "convert --to text --encoding utf-8", "ok\n" + Sjis("ﾃｽﾄ") + "\n",
            "standard input: line 2: not valid UTF-8 (try --encoding cp932)" },
        { "convert --to text",
            std::string("\xFF\xFE"
                        "a\0",
                4),
            "standard input: a UTF-16 file, which is not read (save it as UTF-8 or Shift-JIS)" },
        { "convert --to text --encoding utf-8", std::string("a\0b\0\r\0\n\0", 8),
            "standard input: a UTF-16 file, which is not read (save it as UTF-8 or Shift-JIS)" },
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

// Any character comes through as itself; a Shift-JIS source that a value
// gives one Shift-JIS can't hold exactly is written in UTF-8.
TEST_F(CliTest, ConvertKeepsEveryCharacterAsTyped)
{
    struct Case {
        std::string Arguments;
        std::string Input;
        std::string Out;
        std::string Err;
    };
    Case const cases[] = {
        { "", "caf\xC3\xA9\n", "caf\xC3\xA9\r\n", "" },
        { "", "a\n\xF0\x9F\x98\x80\n", "a\r\n\xF0\x9F\x98\x80\r\n", "" },
        { " --encoding utf-8",
            "a\xE2\x80\xAE"
            "b\n",
            "a\xE2\x80\xAE"
            "b\r\n",
            "" },
        { "", "a\n\xC2\xA5\\b\n", "a\r\n\xC2\xA5\\b\r\n", "" },
        { "", "4\xE6\x9C\x88\xE3\x80\x9C\n", "4\xE6\x9C\x88\xE3\x80\x9C\r\n", "" },
        { " --set 'A=\xE3\x80\x9C'", Sjis("月") + "<%A>\n", "\xE6\x9C\x88\xE3\x80\x9C\r\n",
            "convert: the output is written in UTF-8" },
        { " --set A=x", Sjis("月") + "<%A>\n", Sjis("月") + "x\r\n", "" },
    };
    for (auto const& c : cases) {
        auto const result = Run("convert --to text" + c.Arguments, c.Input);
        EXPECT_EQ(result.Status, 0) << c.Arguments << result.Err;
        EXPECT_EQ(result.Out, c.Out) << c.Arguments;
        EXPECT_EQ(result.Err.find(c.Err) != std::string::npos, true) << result.Err;
        EXPECT_EQ(result.Err.empty(), c.Err.empty()) << result.Err;
    }
}

// A name is made exactly as typed, in any script, and comes back so through
// the dry run, verify and import.
TEST_F(CliTest, ANameIsMadeExactlyAsTyped)
{
    std::string kanji_85;
    for (int count = 0; count < 85; ++count)
        kanji_85 += "\xE6\xBC\xA2";
    std::set<std::string> const names { "M\xC3\xBCller", "Caf\xC3\xA9 \xC5\x8Ckubo",
        "\xED\x95\x9C\xEA\xB5\xAD", "\xF0\xA0\xAE\xB7\xE7\x94\xB0", "\xF0\x9F\x8E\x89",
        "4\xE6\x9C\x88\xE3\x80\x9C"
        "6\xE6\x9C\x88",
        "Cafe\xCC\x81", "\xE2\x80\x94\xE2\x88\x92\xC2\xA2", kanji_85 };
    std::string source = "; \xE3\x83\xA1\xE3\x83\xA2 \xE3\x80\x9C\n";
    for (auto const& name : names)
        source += name + "\n";
    fs::path const parent = m_directory / "p";
    fs::create_directory(parent);
    std::string const at = " --parent '" + parent.string() + "'";

    auto const dry = Run("create --dry-run" + at, source);
    EXPECT_EQ(dry.Status, 0) << dry.Err;
    auto const made = Run("create" + at, source);
    EXPECT_EQ(made.Status, 0) << made.Err;
    EXPECT_EQ(made.Out, dry.Out);
    std::set<std::string> on_disk;
    for (auto const& entry : fs::directory_iterator(parent))
        on_disk.insert(entry.path().filename().string());
    EXPECT_EQ(on_disk, names);
    auto const verified = Run("verify --extra" + at, source);
    EXPECT_EQ(verified.Status, 0) << verified.Out << verified.Err;

    // Import gives the same source back: in UTF-8 unless Shift-JIS is asked for.
    auto const imported = Run("import '" + parent.string() + "'");
    EXPECT_EQ(imported.Status, 0) << imported.Err;
    EXPECT_NE(imported.Err.find("written in UTF-8"), std::string::npos) << imported.Err;
    EXPECT_EQ(Run("verify --extra" + at, imported.Out).Status, 0);
    auto const refused = Run("import --encoding cp932 '" + parent.string() + "'");
    EXPECT_EQ(refused.Status, 2);
    EXPECT_NE(refused.Err.find("cannot be written as Shift-JIS: "), std::string::npos) << refused.Err;

    // A name written in the other normal form is the same folder, said so.
    fs::path const other = m_directory / "nfd";
    fs::create_directories(other / "Cafe\xCC\x81" / "sub");
    for (std::string const options : { "", " --extra", " --jobs 3 --extra" }) {
        auto const normalised
            = Run("verify" + options + " --parent '" + other.string() + "'", "Caf\xC3\xA9\\sub\n");
        EXPECT_EQ(normalised.Status, 0) << options;
        EXPECT_EQ(normalised.Out, "") << options;
        EXPECT_NE(
            normalised.Err.find((other / "Cafe\xCC\x81").string() + " is the folder "), std::string::npos)
            << normalised.Err;
    }

    // One kanji more is refused before the run, as the run refuses it.
    auto const too_long = Run("create --dry-run" + at, kanji_85 + "\xE6\xBC\xA2\n");
    EXPECT_EQ(too_long.Status, 1);
    EXPECT_NE(too_long.Out.find(": File name too long"), std::string::npos) << too_long.Out;

    // A value keeps its character too; a Windows device name is made, with a warning.
    auto const value = Run("create --set 'A=\xE3\x80\x9C'" + at, "<%A>\nx\\CON\n");
    EXPECT_EQ(value.Status, 0) << value.Err;
    EXPECT_TRUE(fs::is_directory(parent / "\xE3\x80\x9C"));
    EXPECT_NE(
        value.Err.find("create: warning: " + (parent / "x/CON").string() + ": Windows clients can't open"),
        std::string::npos)
        << value.Err;
}

TEST_F(CliTest, AnInputThatCantBeReadIsAnErrorWithTheSystemsReason)
{
    struct Case {
        std::string arguments; // and standard input's redirection
        std::string message;
    };
    std::string const folder = "'" + m_directory.string() + "'";
    Case const cases[] = {
        { "convert --to text " + folder + " </dev/null",
            "cannot read " + m_directory.string() + ": Is a directory" },
        { "create --parent " + folder + " /proc/self/mem </dev/null", "cannot read /proc/self/mem: " },
        { "convert --to text <" + folder, "cannot read standard input: Is a directory" },
        { "create --parent " + folder + " <&-", "cannot read standard input: Bad file descriptor" },
    };
    std::string const out_path = (m_directory / "stdout").string();
    std::string const err_path = (m_directory / "stderr").string();
    for (auto const& c : cases) {
        std::string const command = std::string("'") + EDAMAKI_CLI_PATH + "' " + c.arguments + " >'"
            + out_path + "' 2>'" + err_path + "'";
        int const status = std::system(command.c_str());
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 2) << c.arguments;
        EXPECT_EQ(ReadFile(out_path), "") << c.arguments;
        EXPECT_NE(ReadFile(err_path).find(c.message), std::string::npos)
            << c.arguments << ": " << ReadFile(err_path);
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

TEST_F(CliTest, ADeepTreesMacroFormIsWrittenNotHeld)
{
    // 30,000 nested folders: a macro form of about 450 MB, which must pass
    // through a process allowed 200 MB of memory.
    constexpr std::size_t Depth = 30'000;
    std::string text_line = "d";
    std::string tag = "<?dezodedu-macro?>\n<+:d";
    for (std::size_t level = 1; level < Depth; ++level) {
        text_line += "\\d";
        tag += "/d";
    }
    std::size_t const expected_size
        = std::string("<?dezodedu-macro?>\r\n").size() + Depth * (Depth + 1) / 2 + 2 * Depth;
    std::string const cli = std::string("'") + EDAMAKI_CLI_PATH + "'";
    for (std::string const& source :
        { WriteFile("text.txt", text_line + "\n"), WriteFile("tag.fms", tag + ">\n") }) {
        std::string const size_path = (m_directory / "size").string();
        std::string const command = "bash -c \"ulimit -v 200000; " + cli + " convert --to macro '" + source
            + "' | wc -c >'" + size_path + "'; exit \\${PIPESTATUS[0]}\"";
        int const status = std::system(command.c_str());
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0) << source;
        EXPECT_EQ(ReadFile(size_path), std::to_string(expected_size) + "\n") << source;
    }
}

TEST_F(CliTest, ALineOfMillionsOfSeparatorsCostsNoMoreThanItsFolders)
{
    // A 20 MB line that makes two folders must pass through a process allowed
    // 140 MB of address space (30 MB of it the Unicode tables mapped at start).
    std::string const source = WriteFile("long.txt", "a" + std::string(20'000'000, '\\') + "b\n");
    auto const result = Run("convert --to text '" + source + "'", {}, "ulimit -v 140000; ");
    EXPECT_EQ(result.Status, 0) << result.Err;
    EXPECT_EQ(result.Out, "a\\b\r\n");
}

TEST_F(CliTest, EndlessInputIsRefusedAtTheMostASourceMayHold)
{
    std::string const cli = std::string("'") + EDAMAKI_CLI_PATH + "'";
    std::string const err_path = (m_directory / "stderr").string();
    struct Case {
        std::string Arguments; // after "create --dry-run --parent DIR"
        std::string Name;      // how the refusal names the source
    };
    Case const cases[] = {
        { "- </dev/zero", "standard input" },
        { "/dev/zero", "/dev/zero" },
    };
    for (Case const& c : cases) {
        // Read whole, the input would take far more than the 1 GB allowed.
        std::string const command = "ulimit -v 1000000; " + cli + " create --dry-run --parent '"
            + m_directory.string() + "' " + c.Arguments + " 2>'" + err_path + "'";
        int const status = std::system(command.c_str());
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 2) << c.Arguments;
        EXPECT_EQ(ReadFile(err_path),
            "edamaki-cli: " + c.Name
                + ": the source is larger than 256,000,000 bytes, the most a source may hold\n")
            << c.Arguments;
    }
}

TEST_F(CliTest, MacroSourcesThatMakeTooManyFoldersWriteNothing)
{
    std::string thousands_of_tags = "<?dezodedu-macro?>\n";
    for (int index = 0; index < 3000; ++index)
        thousands_of_tags += "<#1:1-2>";
    struct Case {
        std::string Input;
        std::string Limit; // the refusal names it with its figure
    };
    Case const cases[] = {
        { "<?dezodedu-macro?>\n<#1:0-2147483647>\n", "makes more than 1,000,000 folders" },
        // The copies below the tag lines fill the nodes made in all before the folders.
        { "<?dezodedu-macro?>\n<#1:1-1000>\n><#1:1-1000>\n>><#1:1-1000>\n", "more expansion work" },
        { thousands_of_tags, "generates more than 256,000,000 bytes of names" },
        { "<?dezodedu-macro?>\n<@-1:A-Z><@-1:A-Z><@-1:A-Z><@-1:A-Z><@-1:A-Z>x\n",
            "generates more than 4,000,000 names" },
        // Folders made and removed again: an item that makes no folder takes no copy.
        { "<?dezodedu-macro?>\n<$:>\n><#1:1-1000000>\n>>x\n", "more expansion work" },
    };
    for (auto const& c : cases) {
        auto const result = Run("convert --to text", c.Input);
        EXPECT_EQ(result.Status, 2) << c.Input.substr(0, 60);
        EXPECT_EQ(result.Out, "");
        EXPECT_NE(result.Err.find(c.Limit), std::string::npos) << result.Err;
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

TEST_F(CliTest, CreatePrintsEachFolderInWalkOrderAndASecondRunFindsThemAll)
{
    fs::path const parent = m_directory / "parent";
    fs::create_directory(parent);
    std::string const source = WriteFile("source.txt", Sjis("a\\b\r\n表\\ソ\r\na\\c\r\n"));
    std::string const base = parent.string() + "/";
    auto const first = Run("create --parent '" + parent.string() + "' '" + source + "'");
    EXPECT_EQ(first.Status, 0) << first.Err;
    EXPECT_EQ(first.Out,
        "+ " + base + "a\n+ " + base + "a/b\n+ " + base + "a/c\n+ " + base + "表\n+ " + base + "表/ソ\n");
    EXPECT_EQ(first.Err, "");
    EXPECT_TRUE(fs::is_directory(parent / "表" / "ソ"));

    auto const second = Run("create --parent '" + parent.string() + "' '" + source + "'");
    EXPECT_EQ(second.Status, 0) << second.Err;
    EXPECT_EQ(second.Out,
        "= " + base + "a\n= " + base + "a/b\n= " + base + "a/c\n= " + base + "表\n= " + base + "表/ソ\n");
}

TEST_F(CliTest, CreateReportsFailuresWithTheSystemsReasonAndGoesOn)
{
    fs::path const parent = m_directory / "parent";
    fs::create_directory(parent);
    WriteFile("parent/in-the-way", "a file");
    std::string const base = parent.string() + "/";
    auto const result = Run("create --parent '" + parent.string() + "'", "in-the-way\\below\nafter\n");
    EXPECT_EQ(result.Status, 1);
    auto const lines = SplitLines(result.Out);
    ASSERT_EQ(lines.size(), 3u) << result.Out;
    EXPECT_TRUE(lines[0].starts_with("! " + base + "in-the-way: ")) << lines[0];
    EXPECT_TRUE(lines[1].starts_with("! " + base + "in-the-way/below: ")) << lines[1];
    EXPECT_EQ(lines[2], "+ " + base + "after");
    // Not a terminal: no colours.
    EXPECT_EQ(result.Out.find('\x1b'), std::string::npos);
}

TEST_F(CliTest, CreateTakesTheParentFolderFromTheSourceOrFromTheCurrentFolder)
{
    fs::path const parent = m_directory / "from-source";
    fs::create_directory(parent);
    auto const from_source = Run("create", "/ignored\n" + parent.string() + "\nx\n");
    EXPECT_EQ(from_source.Status, 1) << "line 1 alone names the parent folder";
    auto const named = Run("create", parent.string() + "\nx\n");
    EXPECT_EQ(named.Status, 0) << named.Err;
    EXPECT_EQ(named.Out, "+ " + parent.string() + "/x\n");

    // --parent wins over the line; a relative one is taken from the current folder.
    fs::path const previous = fs::current_path();
    fs::current_path(m_directory);
    auto const relative = Run("create --parent here", parent.string() + "\ny\n");
    fs::current_path(previous);
    EXPECT_EQ(relative.Out, "! " + (m_directory / "here/y").string() + ": No such file or directory\n");
    EXPECT_FALSE(fs::exists(parent / "y"));
}

// verify reads its source and checks its parent folder as create does.
TEST_F(CliTest, CreateAndVerifyRefuseWithoutAParentFolderAndOnBadInput)
{
    struct Case {
        std::string arguments;
        std::string input;
        int status;
        std::string message;
    };
    std::string const parent = "--parent '" + m_directory.string() + "'";
    std::string huge;
    for (int index = 0; index <= 1'000'000; ++index)
        huge += std::to_string(index) + "\n";
    Case const cases[] = {
        { "", "a\\b\n", 2, "親フォルダが選択されていません。" },
        { "", "<?dezodedu-macro?>\nx\n", 2, "親フォルダが選択されていません。" },
        { parent + " --encoding latin1", "a\n", 2, "--encoding" },
        { parent + " a b", "", 2, "only one" },
        { "--parent ''", "a\n", 2, "--parent" },
        { "--parent '" + m_directory.string() + "/\xFF'", "a\n", 2, "not valid UTF-8" },
        { parent + " --bogus", "", 2, "unknown option" },
        { parent + " --jobs 0", "a\n", 2, "--jobs takes a number" },
        { parent + " --jobs x", "a\n", 2, "--jobs takes a number" },
        { parent, huge, 2, "the most one read may make; nothing was" },
        { "--parent 'C:\\Work'", "a\n", 2, "is not an absolute path on this system; nothing was" },
        // Both refusals apply: the missing parent folder is named, as the desktop program does.
        { "", huge, 2, "親フォルダが選択されていません。" },
    };
    for (std::string const command : { "create ", "verify " }) {
        for (auto const& c : cases) {
            auto const result = Run(command + c.arguments, c.input);
            EXPECT_EQ(result.Status, c.status) << command << c.arguments;
            EXPECT_EQ(result.Out, "") << command << c.arguments;
            EXPECT_NE(result.Err.find(c.message), std::string::npos)
                << command << c.arguments << ": " << result.Err;
        }
    }
    EXPECT_EQ(ListTree(m_directory), (std::set<std::string> { "stdin", "stdout", "stderr" }));
}

TEST_F(CliTest, CreateWithNothingToCreateSaysSo)
{
    auto const result = Run("create --parent '" + m_directory.string() + "'", "; only a comment\n");
    EXPECT_EQ(result.Status, 1);
    EXPECT_EQ(result.Out, "作成するフォルダがありませんでした。\n");
}

TEST_F(CliTest, CreateDryRunCreatesNothing)
{
    fs::create_directories(m_directory / "parent" / "old");
    std::string const base = (m_directory / "parent").string() + "/";
    auto const result = Run("create --dry-run --parent '" + base + "'", "old\\new\nfresh\n");
    EXPECT_EQ(result.Status, 0) << result.Err;
    EXPECT_EQ(result.Out, "= " + base + "old\n+ " + base + "old/new\n+ " + base + "fresh\n");
    EXPECT_EQ(result.Err, "edamaki-cli: create: dry run: 2 new, 1 existing, 0 failing\n");
    EXPECT_EQ(ListTree(m_directory / "parent"), (std::set<std::string> { "old/" }));
}

TEST_F(CliTest, CreateNamesLinksThatLeadOutsideAndNoFollowPassesThroughNone)
{
    fs::path const parent = m_directory / "parent";
    fs::create_directories(parent / "inner");
    fs::create_directory(m_directory / "elsewhere");
    fs::create_directory_symlink("../elsewhere", parent / "out");
    fs::create_directory_symlink("inner", parent / "in");
    std::string const base = parent.string() + "/";
    std::string const elsewhere = fs::canonical(m_directory / "elsewhere").string();
    std::string const arguments = "create --parent '" + parent.string() + "'";

    auto const followed = Run(arguments, "out\\x\nin\\y\n");
    EXPECT_EQ(followed.Status, 0) << followed.Err;
    EXPECT_EQ(followed.Out, "= " + base + "out\n+ " + base + "out/x\n= " + base + "in\n+ " + base + "in/y\n");
    EXPECT_EQ(
        followed.Err, "create: " + base + "out is a link to " + elsewhere + ", outside the parent folder\n");

    auto const not_followed = Run(arguments + " --no-follow", "out\\z\nnew\n");
    EXPECT_EQ(not_followed.Status, 1);
    EXPECT_EQ(not_followed.Out,
        "! " + base + "out: a link to " + elsewhere + ", and links are not followed\n! " + base
            + "out/z: not tried: a folder above it is a link, and links are not followed\n+ " + base
            + "new\n");
    EXPECT_EQ(not_followed.Err, "");
    EXPECT_FALSE(fs::exists(m_directory / "elsewhere" / "z"));
    EXPECT_NE(Run("create --help").Out.find("--no-follow"), std::string::npos);
}

// Fewer threads or open files than the jobs asked for give the report of one
// job, with a word when threads were missing; so for verify and import.
TEST_F(CliTest, TheLimitsOfASessionGiveTheReportOfOneJob)
{
    auto const launcher = UnprivilegedLauncher();
    if (!launcher)
        GTEST_SKIP() << "running as root, and setpriv(1) is missing to run as an unprivileged user";
    std::string const source = WriteFile("many.fms", "<?dezodedu-macro?>\nP<#2:1-30>\n>s<#2:1-40>\n");
    struct Case {
        std::string Limit;
        std::string Note; // on standard error, empty: none
    };
    Case const cases[] = {
        { "true", "" },
        { "ulimit -u 8", "threads wanted" },
        { "ulimit -n 64", "" },
    };
    std::string expected;
    for (Case const& c : cases) {
        fs::path const parent = m_directory / ("parent" + std::to_string(&c - cases));
        fs::create_directory(parent);
        fs::permissions(parent, fs::perms::all);
        std::string const limited = *launcher + "bash -c '" + c.Limit + "; exec \"$@\"' limit ";
        std::string const jobs = c.Limit == "true" ? "1" : "64";
        auto const made = Run(
            "create --jobs " + jobs + " --parent '" + parent.string() + "' '" + source + "'", {}, limited);
        EXPECT_EQ(made.Status, 0) << c.Limit << made.Err;
        std::string report = made.Out;
        for (std::size_t at = report.find(parent.string()); at != std::string::npos;
             at = report.find(parent.string(), at))
            report.replace(at, parent.string().size(), "P");
        if (expected.empty())
            expected = report;
        EXPECT_EQ(report, expected) << c.Limit;
        EXPECT_EQ(made.Err.find(c.Note.empty() ? "threads" : c.Note) != std::string::npos, !c.Note.empty())
            << c.Limit << made.Err;
        auto const verified
            = Run("verify --extra --jobs " + jobs + " --parent '" + parent.string() + "' '" + source + "'",
                {}, limited);
        EXPECT_EQ(verified.Status, 0) << c.Limit << verified.Out << verified.Err;
        auto const imported = Run("import --jobs " + jobs + " '" + parent.string() + "'", {}, limited);
        EXPECT_EQ(imported.Status, 0) << c.Limit << imported.Err;
        EXPECT_EQ(std::count(imported.Out.begin(), imported.Out.end(), '\n'), 1200) << c.Limit;
    }
}

// A signal stops a run as the stop button does: the report names every
// folder made, and only those.
TEST_F(CliTest, ASignalStopsTheRunWithItsWholeReport)
{
    fs::path const parent = m_directory / "parent";
    fs::create_directory(parent);
    std::string const source = WriteFile("many.fms", "<?dezodedu-macro?>\nP<#3:1-300>\n>s<#3:1-300>\n");
    std::string const out = (m_directory / "out").string();
    std::string const err = (m_directory / "err").string();
    std::string const command = "bash -c \"'" + std::string(EDAMAKI_CLI_PATH) + "' create --parent '"
        + parent.string() + "' '" + source + "' >'" + out + "' 2>'" + err + "' & pid=\\$!; while [ ! -s '"
        + out + "' ]; do sleep 0.01; done; kill -TERM \\$pid; wait \\$pid\"";
    int const status = std::system(command.c_str());
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 143);
    std::set<std::string> reported;
    std::istringstream lines(ReadFile(out));
    for (std::string line; std::getline(lines, line);) {
        ASSERT_EQ(line.substr(0, 2), "+ ") << line;
        reported.insert(line.substr(2));
    }
    std::set<std::string> on_disk;
    for (auto const& entry : fs::recursive_directory_iterator(parent))
        on_disk.insert(entry.path().string());
    EXPECT_EQ(reported, on_disk);
    EXPECT_LT(on_disk.size(), 90'300u);
    EXPECT_NE(ReadFile(err).find("create: stopped: "), std::string::npos) << ReadFile(err);
    EXPECT_NE(ReadFile(err).find(" created, 0 existing, 0 failed, "), std::string::npos) << ReadFile(err);
}

TEST_F(CliTest, CreateDryRunPredictsPermissionFailuresLineForLine)
{
    auto const launcher = UnprivilegedLauncher();
    if (!launcher)
        GTEST_SKIP() << "running as root, and setpriv(1) is missing to run as an unprivileged user";
    fs::path const parent = m_directory / "parent";
    for (char const* folder : { "locked", "unsearchable", "open" })
        fs::create_directories(parent / folder);
    if (::geteuid() == 0) {
        // The unprivileged user owns the parent folder; only the modes below keep it out.
        ASSERT_EQ(::chown(parent.c_str(), 65534, 65534), 0);
        for (auto const& entry : fs::directory_iterator(parent))
            ASSERT_EQ(::chown(entry.path().c_str(), 65534, 65534), 0);
    }
    fs::permissions(parent / "locked", fs::perms(0555));
    fs::permissions(parent / "unsearchable", fs::perms(0666));
    std::string const base = parent.string() + "/";
    std::string const source = "locked\\a\\b\nunsearchable\\c\\d\nopen\\e\n";
    std::string const arguments = "create --parent '" + parent.string() + "' ";

    auto const planned = Run(arguments + "--dry-run", source, *launcher);
    auto const real = Run(arguments, source, *launcher);
    fs::permissions(parent / "locked", fs::perms(0755));
    fs::permissions(parent / "unsearchable", fs::perms(0755));
    std::string const expected = "= " + base + "locked\n! " + base + "locked/a: Permission denied\n! " + base
        + "locked/a/b: No such file or directory\n= " + base + "unsearchable\n! " + base
        + "unsearchable/c: Permission denied\n! " + base + "unsearchable/c/d: Permission denied\n= " + base
        + "open\n+ " + base + "open/e\n";
    EXPECT_EQ(planned.Out, expected) << planned.Err;
    EXPECT_EQ(real.Out, expected) << real.Err;
    EXPECT_EQ(planned.Status, 1);
    EXPECT_EQ(real.Status, 1);
    EXPECT_TRUE(fs::is_directory(parent / "open" / "e"));
}

TEST_F(CliTest, CreatePrintsControlCharactersEscaped)
{
    // No folder name holds a control character; the refusal names it.
    auto const result = Run("create --parent '" + m_directory.string() + "'", "red\x1b[31m\\cr\rx\n");
    EXPECT_EQ(result.Status, 1) << result.Err;
    std::string const base = m_directory.string() + "/red\\x1B[31m";
    EXPECT_EQ(result.Out,
        "! " + base + ": the folder name holds the control character U+001B\n! " + base
            + "/cr: not tried: a folder above it was not valid\n+ " + m_directory.string() + "/x\n");
}

TEST_F(CliTest, OutputThatCantBeWrittenIsAnErrorAndARunStillFinishes)
{
    std::string const cli = std::string("'") + EDAMAKI_CLI_PATH + "'";
    std::string const small = WriteFile("small.txt", "a\n");
    for (std::string const& arguments :
        { std::string("--version"), std::string("--help"), std::string("create --help"),
            "convert --to text '" + small + "'", "import '" + m_directory.string() + "'" }) {
        int const status = std::system((cli + " " + arguments + " >/dev/full 2>/dev/null").c_str());
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 2) << arguments;
    }
    // The reader goes away after ten bytes: every folder is made all the same.
    std::string const source
        = WriteFile("many.fms", "<?dezodedu-macro?>\n" + m_directory.string() + "\nd<#4:1-3000>\n");
    std::string const err_path = (m_directory / "stderr").string();
    std::string const command = "bash -c \"" + cli + " create '" + source + "' 2>'" + err_path
        + "' | head -c 10 >/dev/null; exit \\${PIPESTATUS[0]}\"";
    int const status = std::system(command.c_str());
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 2);
    EXPECT_TRUE(fs::is_directory(m_directory / "d3000"));
    EXPECT_NE(
        ReadFile(err_path).find("the run went on: 3000 created, 0 existed, 0 failed"), std::string::npos)
        << ReadFile(err_path);
}

TEST_F(CliTest, CreateNeverLeavesTheParentFolder)
{
    fs::path const parent = m_directory / "sandbox" / "parent";
    fs::create_directories(parent);
    std::string const header = "<?dezodedu-macro?>\n" + parent.string() + "\n";
    for (char const* tags :
        { "<+:../x>\n", "a\n<r:a,..>\n>b\n", "<+:/a>\n", "a\n<+:a/../../x>\n", "a\n<r:a,.>\n>b\n" }) {
        auto const result = Run("create", header + tags);
        EXPECT_EQ(result.Status, 1) << tags << result.Out;
        auto entries = ListTree(m_directory / "sandbox");
        entries.erase("parent/a/");
        entries.erase("parent/b/");
        EXPECT_EQ(entries, (std::set<std::string> { "parent/" })) << tags;
        fs::remove_all(parent / "a");
        fs::remove_all(parent / "b");
    }

    // A parent folder this host can't use is an input error, said once.
    fs::path const previous = fs::current_path();
    fs::current_path(m_directory / "sandbox");
    for (std::string const parent_line : { "C:\\Work", "\\\\server\\share", "D:" }) {
        auto const result = Run("create", parent_line + "\nx\\y\n");
        EXPECT_EQ(result.Status, 2) << parent_line;
        EXPECT_EQ(result.Out, "") << parent_line;
        EXPECT_EQ(result.Err,
            "edamaki-cli: create: the parent folder " + parent_line
                + "\\ is not an absolute path on this system; nothing was created\n");
    }
    fs::current_path(previous);
    EXPECT_EQ(ListTree(m_directory / "sandbox"), (std::set<std::string> { "parent/" }));
}

TEST_F(CliTest, CreateColoursOnlyATerminal)
{
    if (std::system("command -v script >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "script(1) is needed for a terminal";
    fs::create_directories(m_directory / "parent" / "old");
    WriteFile("parent/file", "x");
    std::string const source = WriteFile("source.txt", "new\nold\nfile\n");
    auto run_on_terminal = [&](std::string const& environment) {
        std::string const inner = environment + "'" + EDAMAKI_CLI_PATH + "' create --parent '"
            + (m_directory / "parent").string() + "' '" + source + "'";
        std::string const out_path = (m_directory / "terminal").string();
        std::system(("script -qec \"" + inner + "\" /dev/null </dev/null >'" + out_path + "' 2>&1").c_str());
        return ReadFile(out_path);
    };
    std::string const coloured = run_on_terminal("");
    EXPECT_NE(coloured.find("\x1b[34m+ "), std::string::npos) << coloured;
    EXPECT_NE(coloured.find("\x1b[31m! "), std::string::npos) << coloured;
    EXPECT_NE(coloured.find("= "), std::string::npos) << coloured;
    std::string const plain = run_on_terminal("NO_COLOR=1 ");
    EXPECT_EQ(plain.find('\x1b'), std::string::npos) << plain;
}

TEST_F(CliTest, ImportWritesTheLeafFoldersAsATextSource)
{
    fs::path const chosen = m_directory / "chosen";
    for (char const* path : { "D", "A/C", "A/B", "表/ソ", ".hidden/x" })
        fs::create_directories(chosen / path);
    WriteFile("chosen/A/file.txt", "x");
    auto const shift_jis = Run("import '" + chosen.string() + "'");
    EXPECT_EQ(shift_jis.Status, 0) << shift_jis.Err;
    EXPECT_EQ(shift_jis.Out, Sjis("A\\B\r\nA\\C\r\nD\r\n表\\ソ\r\n"));
    auto const utf8 = Run("import --encoding utf-8 '" + chosen.string() + "'");
    EXPECT_EQ(utf8.Out, "A\\B\r\nA\\C\r\nD\r\n表\\ソ\r\n");
    auto const side_by_side = Run("import --jobs 3 '" + chosen.string() + "'");
    EXPECT_EQ(side_by_side.Status, 0) << side_by_side.Err;
    EXPECT_EQ(side_by_side.Out, shift_jis.Out);
}

TEST_F(CliTest, ImportNamesWhatItLeftOut)
{
    fs::path const chosen = m_directory / "chosen";
    fs::create_directories(chosen / "ok");
    fs::create_directories(chosen / "what?" / "below");
    fs::create_directory_symlink(chosen, chosen / "ok" / "loop");
    auto const result = Run("import '" + chosen.string() + "'");
    EXPECT_EQ(result.Status, 1);
    EXPECT_EQ(result.Out, "ok\r\n");
    EXPECT_NE(result.Err.find((chosen / "what?").string()), std::string::npos) << result.Err;
    EXPECT_NE(result.Err.find((chosen / "ok" / "loop").string()), std::string::npos) << result.Err;
    EXPECT_EQ(result.Err.find("below"), std::string::npos) << result.Err;
}

TEST_F(CliTest, ImportNamesEachFolderItCouldNotReadAndListsEachRealFolderOnce)
{
    fs::path const chosen = m_directory / "chosen";
    for (char const* path : { "locked/inside", "open/a", "open/b" })
        fs::create_directories(chosen / path);
    fs::create_directory_symlink(chosen / "open", chosen / "zlink");
    fs::create_directories(chosen / "esc\x1b[31mape" / "below");
    auto const launcher = UnprivilegedLauncher();
    if (!launcher)
        GTEST_SKIP() << "running as root, and setpriv(1) is missing to run as an unprivileged user";
    fs::permissions(chosen / "locked", fs::perms::none);
    auto const result = Run("import '" + chosen.string() + "'", {}, *launcher);
    fs::permissions(chosen / "locked", fs::perms::owner_all);
    EXPECT_EQ(result.Status, 1) << result.Err;
    EXPECT_EQ(result.Out, "locked\r\nopen\\a\r\nopen\\b\r\n");
    EXPECT_NE(result.Err.find("cannot read " + (chosen / "locked").string() + ": Permission denied"),
        std::string::npos)
        << result.Err;
    EXPECT_NE(
        result.Err.find((chosen / "zlink").string() + ": a link to a folder inside the imported folder"),
        std::string::npos)
        << result.Err;
    EXPECT_NE(result.Err.find("esc\\x1B[31mape"), std::string::npos) << result.Err;
    EXPECT_EQ(result.Err.find('\x1b'), std::string::npos) << "a raw escape reached the terminal";
}

TEST_F(CliTest, ImportWalksTreesDeeperThanThePathLimit)
{
    // 300 levels of 20-byte names: about 6,300 bytes, past PATH_MAX (4,096).
    std::string const name(20, 'd');
    fs::path const chosen = m_directory / "chosen";
    fs::create_directory(chosen);
    int folder = ::open(chosen.c_str(), O_RDONLY | O_DIRECTORY);
    for (int level = 0; level < 300 && folder >= 0; ++level) {
        ASSERT_EQ(::mkdirat(folder, name.c_str(), 0755), 0);
        int const below = ::openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(folder);
        folder = below;
    }
    ASSERT_GE(folder, 0);
    ::close(folder);
    std::string expected = name;
    for (int level = 1; level < 300; ++level)
        expected += "\\" + name;
    auto const result = Run("import '" + chosen.string() + "'");
    EXPECT_EQ(result.Status, 0) << result.Err;
    EXPECT_EQ(result.Out, expected + "\r\n");
    // rm walks by descriptors too; the fixture's removal would meet the path limit.
    std::system(("rm -rf '" + chosen.string() + "'").c_str());
}

TEST_F(CliTest, ImportRefusesAFolderItCantRead)
{
    WriteFile("file", "x");
    for (std::string const& arguments : { "import '" + (m_directory / "missing").string() + "'",
             "import '" + (m_directory / "file").string() + "'", std::string("import"),
             "import --encoding auto '" + m_directory.string() + "'",
             "import --jobs 0 '" + m_directory.string() + "'",
             "import --jobs x '" + m_directory.string() + "'" }) {
        auto const result = Run(arguments);
        EXPECT_EQ(result.Status, 2) << arguments;
        EXPECT_EQ(result.Out, "") << arguments;
    }
}

TEST_F(CliTest, ImportedStructuresCreateTheSameFoldersElsewhere)
{
    fs::path const first = m_directory / "first";
    fs::path const second = m_directory / "second";
    fs::create_directory(first);
    fs::create_directory(second);
    std::string const source = WriteFile("source.txt",
        "<?dezodedu-macro?>\n" + first.string() + "\n顧客<@1:A-C>\n>見積\n>>20<#2:24-26>\n>Case\n>case\n");
    auto const created = Run("create '" + source + "'");
    ASSERT_EQ(created.Status, 0) << created.Err << created.Out;
    auto const imported = Run("import '" + first.string() + "'");
    ASSERT_EQ(imported.Status, 0) << imported.Err;
    std::string const copy = WriteFile("copy.txt", imported.Out);
    auto const again = Run("create --parent '" + second.string() + "' '" + copy + "'");
    EXPECT_EQ(again.Status, 0) << again.Err;
    EXPECT_EQ(ListTree(first), ListTree(second));
    EXPECT_EQ(ListTree(second).size(), 3u * (1 + 1 + 3 + 2));
}

TEST_F(CliTest, VerifyFindsWhatCreateMadeAndNamesEveryDifference)
{
    fs::path const parent = m_directory / "parent";
    fs::create_directory(parent);
    std::string const base = parent.string() + "/";
    std::string const source = WriteFile(
        "source.fms", Sjis("<?dezodedu-macro?>\r\n" + parent.string() + "\r\n表<#1:1-2>\r\n>ソ\r\nb\r\n"));
    ASSERT_EQ(Run("create '" + source + "'").Status, 0);

    auto const same = Run("verify --extra '" + source + "'");
    EXPECT_EQ(same.Status, 0) << same.Err;
    EXPECT_EQ(same.Out, "");
    EXPECT_EQ(same.Err, "");

    // A folder gone, a file in another's place, folders nobody named.
    fs::remove_all(parent / "表1" / "ソ");
    fs::remove(parent / "b");
    WriteFile("parent/b", "a file");
    fs::create_directories(parent / "new" / "below");
    fs::create_directories(parent / ".hidden");
    auto const before = ListTree(parent);
    struct Case {
        std::string Arguments;
        std::string Input;
        std::string Out;
    };
    Case const cases[] = {
        { "verify '" + source + "'", "", "- " + base + "表1/ソ\n- " + base + "b\n" },
        { "verify --extra -", ReadFile(source),
            "- " + base + "表1/ソ\n- " + base + "b\n+ " + base + "new\n+ " + base + "new/below\n" },
        { "verify --extra --jobs 3 -", ReadFile(source),
            "- " + base + "表1/ソ\n- " + base + "b\n+ " + base + "new\n+ " + base + "new/below\n" },
        { "verify --parent '" + (parent / "表2").string() + "' '" + source + "'", "",
            "- " + base + "表2/表1\n- " + base + "表2/表1/ソ\n- " + base + "表2/表2\n- " + base
                + "表2/表2/ソ\n- " + base + "表2/b\n" },
    };
    for (auto const& c : cases) {
        auto const result = Run(c.Arguments, c.Input);
        EXPECT_EQ(result.Status, 1) << c.Arguments << result.Err;
        EXPECT_EQ(result.Out, c.Out) << c.Arguments;
    }
    EXPECT_EQ(ListTree(parent), before) << "verify changed the folders";
}

TEST_F(CliTest, VerifyNeedsAParentFolderItCanOpenAndPrintsNamesEscaped)
{
    WriteFile("file", "x");
    for (char const* parent : { "missing", "file" }) {
        auto const result = Run("verify --parent '" + (m_directory / parent).string() + "'", "a\n");
        EXPECT_EQ(result.Status, 2) << parent;
        EXPECT_EQ(result.Out, "") << parent;
        EXPECT_NE(result.Err.find("cannot open the parent folder " + (m_directory / parent).string() + ": "),
            std::string::npos)
            << result.Err;
    }
    auto const escaped = Run("verify --parent '" + m_directory.string() + "'", "red\x1b[31m\\cr\n");
    EXPECT_EQ(escaped.Status, 1);
    std::string const base = m_directory.string() + "/red\\x1B[31m";
    EXPECT_EQ(escaped.Out, "- " + base + "\n- " + base + "/cr\n");
}

TEST_F(CliTest, VerifyNamesAFolderItCantLookIntoAndComparesTheRest)
{
    auto const launcher = UnprivilegedLauncher();
    if (!launcher)
        GTEST_SKIP() << "running as root, and setpriv(1) is missing to run as an unprivileged user";
    fs::path const parent = m_directory / "parent";
    for (char const* folder : { "locked/inside", "unlisted/inside", "open" })
        fs::create_directories(parent / folder);
    fs::permissions(parent / "locked", fs::perms::none);
    // Searchable but not readable: the named folders are found, the extra ones can't be.
    fs::permissions(parent / "unlisted", fs::perms(0711));
    std::string const base = parent.string() + "/";
    std::string const arguments = "verify --parent '" + parent.string() + "' ";
    std::string const source = "locked\\inside\nunlisted\\inside\nopen\\gone\n";
    auto const plain = Run(arguments, source, *launcher);
    auto const extra = Run(arguments + "--extra", source, *launcher);
    fs::permissions(parent / "locked", fs::perms::owner_all);
    fs::permissions(parent / "unlisted", fs::perms::owner_all);
    std::string const locked = "verify: cannot look into " + base + "locked: Permission denied\n";
    for (auto const* result : { &plain, &extra }) {
        EXPECT_EQ(result->Status, 2) << result->Err;
        EXPECT_EQ(result->Out, "- " + base + "open/gone\n");
        auto const named = result->Err.find(locked);
        EXPECT_NE(named, std::string::npos) << result->Err;
        EXPECT_EQ(result->Err.find(locked, named + 1), std::string::npos) << "named twice: " << result->Err;
    }
    EXPECT_EQ(plain.Err.find("unlisted"), std::string::npos) << plain.Err;
    EXPECT_NE(
        extra.Err.find("verify: cannot look into " + base + "unlisted: Permission denied"), std::string::npos)
        << extra.Err;
}

TEST_F(CliTest, VerifyCountsAFolderMadeFromEitherCodeOfACharacterAsTheOneNamed)
{
    // Code page 932 pairs that name one character; the disk holds one name.
    std::pair<char const*, char const*> const pairs[] = {
        { "\x87\x90", "\x81\xE0" }, // ≒
        { "\x87\x91", "\x81\xDF" }, // ≡
        { "\x87\x92", "\x81\xE7" }, // ∫
        { "\x87\x95", "\x81\xE3" }, // √
        { "\x87\x96", "\x81\xDB" }, // ⊥
        { "\x87\x97", "\x81\xDA" }, // ∠
        { "\x87\x9A", "\x81\xE6" }, // ∵
        { "\x87\x9B", "\x81\xBF" }, // ∩
        { "\x87\x9C", "\x81\xBE" }, // ∪
        { "\x81\xCA", "\xEE\xF9" }, // ¬
        { "\xFA\x54", "\x81\xCA" }, // ¬
        { "\xFA\x5B", "\x87\x9A" }, // ∵
        { "\x87\x54", "\xFA\x4A" }, // Ⅰ
        { "\x87\x5D", "\xFA\x53" }, // Ⅹ
        { "\xEE\xEF", "\xFA\x40" }, // ⅰ
        { "\xEE\xF8", "\xFA\x49" }, // ⅹ
        { "\x87\x82", "\xFA\x59" }, // №
        { "\x87\x8A", "\xFA\x58" }, // ㈱
        { "\xED\x40", "\xFA\x5C" }, // 纊
        { "\xEE\xFA", "\xFA\x55" }, // ￤
    };
    fs::path const parent = m_directory / "parent";
    fs::create_directory(parent);
    // Each pair in a folder of its own, one subfolder under each code.
    std::string first, second, both;
    for (std::size_t index = 0; index < std::size(pairs); ++index) {
        std::string const folder = "p" + std::to_string(index) + "\\";
        for (char const* below : { "\\x\r\n", "\\y\r\n" }) {
            first += folder + pairs[index].first + below;
            second += folder + pairs[index].second + below;
        }
        both += folder + pairs[index].first + "\\x\r\n" + folder + pairs[index].second + "\\y\r\n";
    }
    std::string const arguments = " --parent '" + parent.string() + "' -";
    ASSERT_EQ(Run("create" + arguments, second).Status, 0);
    for (std::string const* source : { &first, &second, &both }) {
        auto const result = Run("verify --extra" + arguments, *source);
        EXPECT_EQ(result.Status, 0) << result.Err;
        EXPECT_EQ(result.Out, "");
    }
    fs::remove_all(parent);
    fs::create_directory(parent);
    ASSERT_EQ(Run("create" + arguments, both).Status, 0);
    auto const result = Run("verify --extra" + arguments, first);
    EXPECT_EQ(result.Status, 0) << result.Err;
    EXPECT_EQ(result.Out, "");
}

TEST_F(CliTest, ALinkIntoAFolderThatCantBeSearchedIsNamedAndTheRestCompared)
{
    auto const launcher = UnprivilegedLauncher();
    if (!launcher)
        GTEST_SKIP() << "running as root, and setpriv(1) is missing to run as an unprivileged user";
    fs::path const parent = m_directory / "parent";
    for (char const* folder : { "ok/a", "zz/b" })
        fs::create_directories(parent / folder);
    fs::create_directories(m_directory / "closed" / "target" / "in");
    fs::create_directory_symlink(m_directory / "closed" / "target", parent / "link");
    fs::permissions(m_directory / "closed", fs::perms(0644));
    std::string const base = parent.string() + "/";
    std::string const source = "link\\in\nok\\a\nzz\\b\nzz\\gone\n";
    auto const plain = Run("verify --parent '" + parent.string() + "' -", source, *launcher);
    auto const extra = Run("verify --extra --parent '" + parent.string() + "' -", source, *launcher);
    auto const imported = Run("import '" + parent.string() + "'", {}, *launcher);
    fs::permissions(m_directory / "closed", fs::perms::owner_all);
    for (auto const* result : { &plain, &extra }) {
        EXPECT_EQ(result->Status, 2) << result->Err;
        EXPECT_EQ(result->Out, "- " + base + "zz/gone\n");
        EXPECT_EQ(result->Err, "edamaki-cli: verify: cannot look into " + base + "link: Permission denied\n");
    }
    EXPECT_EQ(imported.Status, 1) << imported.Err;
    EXPECT_EQ(imported.Out, "ok\\a\r\nzz\\b\r\n");
    EXPECT_NE(
        imported.Err.find("left out " + base + "link: a link that can't be followed: Permission denied"),
        std::string::npos)
        << imported.Err;
}

TEST_F(CliTest, CreateVerifyAndImportWalkACombDeeperThanTheDescriptorsThereAre)
{
    // Each level one folder holding the next and one leaf, 300 levels under
    // a limit of 256 descriptors.
    fs::path const parent = m_directory / "parent";
    fs::create_directory(parent);
    std::set<std::string> leaves;
    std::string source;
    std::string path = "d";
    for (int level = 0; level < 300; ++level, path += "\\d") {
        leaves.insert(path + "\\x");
        source += path + "\\x\n";
    }
    std::string const limit = "ulimit -n 256 && ";
    std::string const arguments = " --parent '" + parent.string() + "' -";
    auto const created = Run("create" + arguments, source, limit);
    EXPECT_EQ(created.Status, 0) << created.Err;
    auto const verified = Run("verify --extra" + arguments, source, limit);
    EXPECT_EQ(verified.Status, 0) << verified.Err;
    EXPECT_EQ(verified.Out, "");
    auto const imported = Run("import '" + parent.string() + "'", {}, limit);
    EXPECT_EQ(imported.Status, 0) << imported.Err;
    std::set<std::string> lines;
    std::istringstream out(imported.Out);
    for (std::string line; std::getline(out, line);)
        lines.insert(line.substr(0, line.size() - 1));
    EXPECT_EQ(lines, leaves);
}

TEST_F(CliTest, PlaceholdersAreFilledListedAndEachMissingOneNamed)
{
    fs::path const own = m_directory / "own" / "edamaki" / "templates";
    fs::path const installed = m_directory / "installed" / "edamaki" / "templates";
    fs::create_directories(own);
    fs::create_directories(installed);
    std::ofstream(own / "案件.txt") << "<%顧客>\\<%案件=新規>\n";
    std::ofstream(installed / "案件.txt") << "hidden by the own one\n";
    std::ofstream(installed / "年度.txt") << "<%年度>\\経理\n";
    std::string const environment = "XDG_DATA_HOME='" + (m_directory / "own").string() + "' XDG_DATA_DIRS='"
        + (m_directory / "installed").string() + "' ";
    std::string const parent = " --parent '" + (m_directory / "made").string() + "'";
    std::string const source = "<%顧客>\\<%案件=新規>\n<%担当>\n";
    struct Case {
        std::string arguments;
        int status;
        std::string out;
        std::string err;
    };
    Case const cases[] = {
        { "placeholders", 0, "顧客\n案件=新規\n担当\n", "" },
        { "create" + parent, 2, "",
            "edamaki-cli: create: <%顧客> has no value (give one with --set 顧客=VALUE)\n"
            "edamaki-cli: create: <%担当> has no value (give one with --set 担当=VALUE)\n"
            "edamaki-cli: create: 2 placeholders have no usable value; nothing was created\n" },
        { "create --set 顧客=A社 --set 担当=.." + parent, 2, "",
            "edamaki-cli: create: <%担当>: \"..\" is not a folder name\n"
            "edamaki-cli: create: 1 placeholder has no usable value; nothing was created\n" },
        { "convert --to text --set 顧客=A社 --set=担当=私", 0, "A社\\新規\r\n私\r\n", "" },
        { "create --set 顧客 -", 2, "",
            "edamaki-cli: create: --set takes NAME=VALUE, not \"顧客\"; nothing was created\n" },
        { "templates", 0,
            "年度\tinstalled\t" + (installed / "年度.txt").string() + "\t年度\n案件\town\t"
                + (own / "案件.txt").string() + "\t顧客, 案件=新規\n",
            "" },
        { "convert --to text --template 案件 --set 顧客=B社", 0, "B社\\新規\r\n", "" },
        { "verify --template なし", 2, "",
            "edamaki-cli: verify: no template is named \"なし\" (edamaki-cli templates lists them)\n" },
        { "convert --to text --set 顧客=A社 --set 担当=私 --set Typo=3", 0, "A社\\新規\r\n私\r\n",
            "edamaki-cli: convert: warning: --set Typo: the source has no placeholder <%Typo>\n" },
        { "create --set 顧客=A社 --set 担当=x --set 顧客=B社" + parent, 2, "",
            "edamaki-cli: create: --set 顧客 is given more than once; nothing was created\n" },
        { "convert --to text --template 年度 --date 2027-03-31", 0, "2026\\経理\r\n", "" },
        { "convert --to text --template 年度 --date 2027-04-01", 0, "2027\\経理\r\n", "" },
        { "convert --to text --template 年度 --date 2027-02-29", 2, "",
            "edamaki-cli: convert: --date takes a date YYYY-MM-DD that exists, not \"2027-02-29\"\n" },
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.arguments);
        RunResult const result = Run(c.arguments, source, environment);
        EXPECT_EQ(result.Status, c.status);
        EXPECT_EQ(result.Out, c.out);
        EXPECT_EQ(result.Err, c.err);
    }
    EXPECT_FALSE(fs::exists(m_directory / "made"));
}

TEST_F(CliTest, AValueNeverChangesTheTreesShapeNorIsReadAsTagSyntax)
{
    std::string const text = "<%A>\\sub\n";
    std::string const macro = "<?dezodedu-macro?>\n<%A>\n>sub\n";
    struct Case {
        std::string source;
        std::string set;
        int status;
        std::string out_or_err; // the output on success, else the first line of the refusal
    };
    Case const cases[] = {
        { text, "'A=;x'", 2,
            "edamaki-cli: convert: <%A>: \";x\" begins with \";\", which would make a comment" },
        { macro, "'A=;x'", 2,
            "edamaki-cli: convert: <%A>: \";x\" begins with \";\", which would make a comment" },
        { text, "'A=   '", 2, "edamaki-cli: convert: <%A>: \"   \" begins or ends with a blank" },
        { macro, "'A= x'", 2, "edamaki-cli: convert: <%A>: \" x\" begins or ends with a blank" },
        { macro, "'A=x y'", 0, "x y\\sub\r\n" },
        { "N<#2:<%S>-9>\n", "S=1-3", 2, "edamaki-cli: convert: <%S>: \"1-3\" holds \"-\"" },
        { "<<%K>2:1-3>\n", "K=#", 2, "edamaki-cli: convert: <%K> stands for a tag's character" },
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.source + c.set);
        RunResult const result = Run("convert --to text --set " + c.set, c.source);
        EXPECT_EQ(result.Status, c.status);
        if (c.status == 0)
            EXPECT_EQ(result.Out, c.out_or_err);
        else
            EXPECT_TRUE(result.Err.starts_with(c.out_or_err)) << result.Err;
    }
}

TEST_F(CliTest, AFilledSourceLargerThanASourceMayBeIsRefusedBeforeItIsBuilt)
{
    // 2,000 uses of a 130,000-byte default: 260,000,000 bytes once filled.
    std::string source = "<%A=" + std::string(130'000, 'x') + ">\n";
    for (int use = 0; use < 2'000; ++use)
        source += "<%A>\n";
    RunResult const result = Run("create --dry-run --parent /nowhere -", source, "ulimit -v 1000000 && ");
    EXPECT_EQ(result.Status, 2);
    EXPECT_EQ(result.Err,
        "edamaki-cli: create: filled in, the source would hold 260,132,001 bytes, more than 256,000,000, the "
        "most a source may hold\n"
        "edamaki-cli: create: nothing was created\n");
}

TEST_F(CliTest, RowsRunTheSourceOncePerRowAndOneBadRowMakesNothing)
{
    std::string const source
        = WriteFile("case.txt", "<%顧客>\\<%案件=新規>\\見積\n<%顧客>\\<%案件=新規>\\契約\n");
    std::string const made = (m_directory / "made").string();
    std::string const parent = " --parent '" + made + "' '" + source + "'";
    std::string const good
        = WriteFile("good.csv", "顧客,案件,メモ\r\nA社,\"x,y\",1\r\n\r\nB社,,2\r\nA社,\"x,y\",3\r\n");
    std::string const bad = WriteFile("bad.csv", Sjis("顧客\r\nA社\r\n\"C\r\nD\"\r\nE:\r\n"));
    std::string const ragged = WriteFile("ragged.csv", "顧客\tメモ\nA社\t1\nB社\n");
    struct Case {
        std::string Arguments;
        int Status;
        std::string Err;
    };
    Case const refusals[] = {
        { "create --rows '" + bad + "'" + parent, 2,
            "edamaki-cli: create: " + bad
                + ": row 2 (line 3), column 顧客: <%顧客>: \"C\\x0D\\x0AD\" holds U+000D, "
                  "which a folder name can't hold (\\ / : * ? \" < > |, a control character, or \",\" inside "
                  "a tag)\n"
                  "edamaki-cli: create: "
                + bad
                + ": row 3 (line 5), column 顧客: <%顧客>: \"E:\" holds \":\" (U+003A), "
                  "which a folder name can't hold (\\ / : * ? \" < > |, a control character, or \",\" inside "
                  "a tag)\n"
                  "edamaki-cli: create: 2 of 3 rows can't be used; nothing was created\n" },
        { "create --rows '" + ragged + "'" + parent, 2,
            "edamaki-cli: create: " + ragged
                + ": row 2 (line 3): 1 cell, and the header has 2; nothing was created\n" },
        { "create --rows - -", 2,
            "edamaki-cli: create: --rows - reads the table from standard input: give the source as a file or "
            "--template\n" },
        { "verify --extra --rows '" + good + "'" + parent, 2,
            "edamaki-cli: verify: --extra can't be used with --rows: the folders of the other rows would be "
            "extra\n" },
    };
    for (Case const& c : refusals) {
        SCOPED_TRACE(c.Arguments);
        RunResult const result = Run(c.Arguments);
        EXPECT_EQ(result.Status, c.Status);
        EXPECT_EQ(result.Out, "");
        EXPECT_EQ(result.Err, c.Err);
    }
    EXPECT_FALSE(fs::exists(made));

    // The rows in the table's order; a row naming the same folders as one
    // before it finds them there; the report is the same for any --jobs.
    std::string const warning
        = "edamaki-cli: create: warning: " + good + ": column メモ: the source has no placeholder <%メモ>\n";
    std::string lines;
    for (char const* folder : { "A社", "A社/x,y", "A社/x,y/見積", "A社/x,y/契約", "B社", "B社/新規",
             "B社/新規/見積", "B社/新規/契約" })
        lines += "+ " + made + "/" + folder + "\n";
    for (char const* folder : { "A社", "A社/x,y", "A社/x,y/見積", "A社/x,y/契約" })
        lines += "= " + made + "/" + folder + "\n";
    fs::create_directory(made);
    RunResult const dry = Run("create --dry-run --jobs 4 --rows - " + parent, ReadFile(good));
    EXPECT_EQ(dry.Status, 0);
    EXPECT_EQ(dry.Out, lines);
    EXPECT_EQ(dry.Err,
        "edamaki-cli: create: warning: standard input: column メモ: the source has no placeholder <%メモ>\n"
        "edamaki-cli: create: dry run: 3 rows: 8 new, 4 existing, 0 failing\n");
    RunResult const created = Run("create --jobs 1 --rows '" + good + "'" + parent);
    EXPECT_EQ(created.Status, 0);
    EXPECT_EQ(created.Out, lines);
    EXPECT_EQ(created.Err, warning + "edamaki-cli: create: 3 rows: 8 created, 4 existing, 0 failed\n");
    fs::remove_all(made);
    fs::create_directory(made);
    RunResult const parallel = Run("create --jobs 4 --rows '" + good + "'" + parent);
    EXPECT_EQ(parallel.Out, created.Out);
    EXPECT_EQ(parallel.Err, created.Err);

    // Verify names each row that differs.
    fs::remove(fs::path(made) / "B社" / "新規" / "契約");
    RunResult const verified = Run("verify --rows '" + good + "'" + parent);
    EXPECT_EQ(verified.Status, 1);
    EXPECT_EQ(verified.Out, "- " + made + "/B社/新規/契約\n");
    EXPECT_EQ(verified.Err,
        "edamaki-cli: verify: warning: " + good
            + ": column メモ: the source has no placeholder <%メモ>\n"
              "edamaki-cli: verify: row 2 (顧客=B社, メモ=2): 1 missing\nedamaki-cli: verify: 1 of 3 rows "
              "differ\n");

    // Convert writes each row's source after a comment line naming it.
    RunResult const converted
        = Run("convert --to text --rows '" + ragged + "' --set 顧客=X '" + source + "'");
    EXPECT_EQ(converted.Status, 2);
    std::string const two = WriteFile("two.csv", "顧客\nA\nB\n");
    EXPECT_EQ(Run("convert --to text --rows '" + two + "' '" + source + "'").Out,
        "; row 1 (line 2)\r\nA\\新規\\見積\r\nA\\新規\\契約\r\n; row 2 (line "
        "3)\r\nB\\新規\\見積\r\nB\\新規\\契約\r\n");
}

} // namespace
} // namespace edamaki

namespace edamaki {
namespace {

// The runs' journals: "runs" lists them, "undo" takes the last or a named one
// back, a second time takes nothing.
TEST_F(CliTest, UndoTakesBackTheLastRunOrOneNamed)
{
    fs::path const parent = m_directory / "parent";
    fs::create_directories(parent / "before");
    std::string const base = parent.string() + "/";
    auto const first = Run("create --parent '" + parent.string() + "' -", "a\\x\nbefore\\in\n");
    ASSERT_EQ(first.Status, 0) << first.Err;
    auto const second = Run("create --parent '" + parent.string() + "' -", "b\n");
    ASSERT_EQ(second.Status, 0) << second.Err;
    EXPECT_EQ(Run("create --dry-run --parent '" + parent.string() + "' -", "c\n").Status, 0);

    auto const runs = Run("runs");
    EXPECT_EQ(runs.Status, 0);
    std::vector<std::string> names;
    std::istringstream lines(runs.Out);
    for (std::string line; std::getline(lines, line);) {
        names.push_back(line.substr(0, line.find('\t')));
        EXPECT_NE(line.find("\t" + base + "\tstandard input\t"), std::string::npos) << line;
    }
    ASSERT_EQ(names.size(), 2u) << "a dry run keeps no journal";
    EXPECT_NE(runs.Out.find("3 folders made\n"), std::string::npos) << runs.Out;

    struct Step {
        std::string Arguments;
        int Status;
        std::string Out;
        std::string Err; // found in standard error
    };
    Step const steps[] = {
        { "undo --dry-run " + names[0], 0, "- " + base + "before/in\n- " + base + "a/x\n- " + base + "a\n",
            "3 would be removed" },
        { "undo '" + names[0] + "'", 0, "- " + base + "before/in\n- " + base + "a/x\n- " + base + "a\n",
            "3 removed, 0 kept" },
        { "undo " + names[0], 0, "", "taken back already; nothing removed" },
        { "undo", 0, "- " + base + "b\n", "1 removed" },
        { "undo", 0, "", "taken back already" },
        { "undo no-such-run", 2, "", "no run \"no-such-run\"" },
        { "undo --force", 2, "", "usage: edamaki-cli undo" },
        { "undo a b", 2, "", "one run at most" },
    };
    for (Step const& step : steps) {
        auto const result = Run(step.Arguments);
        EXPECT_EQ(result.Status, step.Status) << step.Arguments << result.Err;
        EXPECT_EQ(result.Out, step.Out) << step.Arguments;
        EXPECT_NE(result.Err.find(step.Err), std::string::npos) << step.Arguments << result.Err;
    }
    EXPECT_EQ(ListTree(parent), std::set<std::string> { "before/" });
}

// A run killed midway has a journal of every folder it made: undo leaves the
// parent folder as it was.
TEST_F(CliTest, AKilledRunIsTakenBackWhole)
{
    fs::path const parent = m_directory / "parent";
    fs::create_directory(parent);
    std::string const source = WriteFile("many.fms", "<?dezodedu-macro?>\nP<#3:1-300>\n>s<#3:1-300>\n");
    std::string const out = (m_directory / "out").string();
    std::string const command = "bash -c \"'" + std::string(EDAMAKI_CLI_PATH) + "' create --parent '"
        + parent.string() + "' '" + source + "' >'" + out + "' 2>/dev/null & pid=\\$!; while [ ! -s '" + out
        + "' ]; do sleep 0.01; done; kill -KILL \\$pid; wait \\$pid\"";
    int const status = std::system(command.c_str());
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 128 + SIGKILL);
    ASSERT_FALSE(fs::is_empty(parent));
    auto const undone = Run("undo");
    EXPECT_EQ(undone.Status, 0) << undone.Err;
    EXPECT_TRUE(fs::is_empty(parent)) << undone.Out << undone.Err;
}

// A folder the user may not remove is named with the system's reason, and
// the folder holding it is kept; the rest goes.
TEST_F(CliTest, UndoNamesEachFolderItMayNotRemove)
{
    auto const launcher = UnprivilegedLauncher();
    if (!launcher)
        GTEST_SKIP() << "running as root, and setpriv(1) is missing to run as an unprivileged user";
    fs::path const parent = m_directory / "parent";
    fs::create_directory(parent);
    fs::permissions(parent, fs::perms::all);
    std::string const base = parent.string() + "/";
    auto const made = Run("create --parent '" + parent.string() + "' -", "locked\\in\nfree\\in\n", *launcher);
    ASSERT_EQ(made.Status, 0) << made.Err;
    fs::permissions(parent / "locked", fs::perms::owner_write, fs::perm_options::remove);
    std::ofstream(parent / "free" / "note.txt") << "kept";
    auto const undone = Run("undo", {}, *launcher);
    EXPECT_EQ(undone.Status, 1) << undone.Err;
    EXPECT_EQ(undone.Out,
        "- " + base + "free/in\n= " + base + "free: kept: not empty\n! " + base
            + "locked/in: Permission denied\n= " + base + "locked: kept: holds a folder that is kept\n");
    fs::permissions(parent / "locked", fs::perms::owner_write, fs::perm_options::add);
}

} // namespace
} // namespace edamaki
