// The configuration file reader and writer of the native build, against the Windows profile
// behaviour users' INI files rely on.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "file_faults.h"
#include "platform/native/profile_file.h"

namespace {

namespace fs = std::filesystem;

// ASCII text as Notepad saves it as "Unicode": UTF-16 with its byte order mark.
std::string utf16le(std::string_view ascii)
{
    std::string bytes = "\xFF\xFE";
    for (char c : ascii) bytes.append({c, '\0'});
    return bytes;
}

std::string utf16be(std::string_view ascii)
{
    std::string bytes = "\xFE\xFF";
    for (char c : ascii) bytes.append({'\0', c});
    return bytes;
}

class ProfileFile : public ::testing::Test {
protected:
    ProfileFile()
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() /
              ("brask_profile_" + std::to_string(getpid()) + "_" + info->test_suite_name() + "_" + info->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        file = (dir / "brask_torvik.cfg").string();
    }
    ~ProfileFile() override
    {
        std::error_code ignored;
        fs::permissions(dir, fs::perms::owner_all, ignored);
        fs::remove_all(dir, ignored);
    }

    void put(const std::string& text) const { std::ofstream(file, std::ios::binary) << text; }
    std::string contents() const
    {
        std::ostringstream text;
        text << std::ifstream(file, std::ios::binary).rdbuf();
        return text.str();
    }
    std::string read(const char* section, const char* key, const std::string& path = {}) const
    {
        char buffer[256];
        const uint32_t count = profile_read_string(section, key, "dflt  ", buffer, sizeof buffer,
                                                   (path.empty() ? file : path).c_str());
        EXPECT_EQ(count, std::strlen(buffer));
        return buffer;
    }

    fs::path dir;
    std::string file;
};

using ProfileRead = ProfileFile;
using ProfileWrite = ProfileFile;

TEST_F(ProfileRead, LookupFollowsTheWindowsRules)
{
    put("orphan=none\n; comment\n[Gauge]\n  Gain = 5\n\tspaced\t=\t padded value \t\ndq=\"  quoted  \"\n"
        "sq='single'\nmixed=\"unmatched'\nlone=\"\nempty=\n;commented=yes\nno equals here\ndup=first\n"
        "dup=second\n[ gauge ]\nlater=yes\n[Other] ; tail\nGain=7\n");
    struct Case {
        const char *section, *key, *expected;
    } cases[] = {
        {"GAUGE", "gain", "5"},          {" Gauge ", " Gain ", "5"},          {"gauge", "SPACED", "padded value"},
        {"Gauge", "dq", "  quoted  "},   {"Gauge", "sq", "single"},           {"Gauge", "mixed", "\"unmatched'"},
        {"Gauge", "lone", "\""},         {"Gauge", "empty", ""},              {"Gauge", "commented", "dflt"},
        {"Gauge", ";commented", "dflt"}, {"Gauge", "no equals here", "dflt"}, {"Gauge", "dup", "first"},
        {"Gauge", "later", "dflt"},      {"other", "GAIN", "7"},              {"", "orphan", "none"},
        {"Gauge", "orphan", "dflt"},     {"Missing", "gain", "dflt"},         {"Gauge", "missing", "dflt"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(read(c.section, c.key), c.expected) << c.section << "/" << c.key;
}

TEST_F(ProfileRead, LineEndingsAndEncodings)
{
    const std::string files[] = {
        "[s]\r\nk=v\r\n", "[s]\nk=v", "[s]\r\nk=v", "[s]\rk=v\r", "[s]\rk=v", "[t]\nj=1\r[s]\r\nk=v\n",
        "\xEF\xBB\xBF[s]\nk=v\n", utf16le("[s]\r\nk=v\r\n"), utf16be("[s]\r\nk = v"), utf16le("[s]\rk=v"),
    };
    for (const std::string& text : files) {
        put(text);
        EXPECT_EQ(read("s", "k"), "v") << text;
    }
    // Beyond ASCII, UTF-16 comes out as UTF-8: a helicopter (a surrogate pair) and an e acute.
    put(std::string("\xFF\xFE[\0s\0]\0\n\0k\0=\0v\0\x3D\xD8\x81\xDE\xE9\0", 22));
    EXPECT_EQ(read("s", "k"), "v\xF0\x9F\x9A\x81\xC3\xA9");
    // Without its byte order mark UTF-16 is not recognised, as on Windows.
    put(utf16le("[s]\r\nk=v\r\n").substr(2));
    EXPECT_EQ(read("s", "k"), "dflt");
}

TEST_F(ProfileRead, LongLinesAndBinaryJunkAreHarmless)
{
    put(std::string(900'000, '\x01') + std::string("\0\xff[=\r\n", 6) + "[s]\nk=" + std::string(100'000, 'v'));
    EXPECT_EQ(read("s", "k"), std::string(255, 'v'));
}

TEST_F(ProfileRead, MissingFileCutsAndOddArguments)
{
    EXPECT_EQ(read("s", "k"), "dflt");
    EXPECT_EQ(read("s", "k", dir.string()), "dflt");
    put("[s]\nk=0123456789012345678901234\n");
    char buffer[24];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(profile_read_string("s", "k", "", buffer, 20, file.c_str()), 19u);
    EXPECT_EQ(std::string(buffer), "0123456789012345678");
    EXPECT_EQ(buffer[20], '#');
    EXPECT_EQ(profile_read_string("s", "x", "0123456789012345678901234", buffer, 20, file.c_str()), 19u);
    EXPECT_EQ(profile_read_string("s", "x", nullptr, buffer, 20, file.c_str()), 0u);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(profile_read_string(nullptr, "k", "d", buffer, 20, file.c_str()), 0u);
    EXPECT_EQ(profile_read_string("s", nullptr, "d", buffer, 20, file.c_str()), 0u);
    EXPECT_EQ(profile_read_string("s", "k", "d", nullptr, 20, file.c_str()), 0u);
    buffer[0] = '#';
    EXPECT_EQ(profile_read_string("s", "k", "d", buffer, 0, file.c_str()), 0u);
    EXPECT_EQ(buffer[0], '#');
}

TEST_F(ProfileWrite, KeepsEveryOtherLineByteForByte)
{
    const std::string before = "; Brask settings\r\n\r\n[Autopilot]  \r\n  Gain =  5  \r\n\tTrim=1\r\n"
                               "; end of autopilot\r\n\r\n[Joystick]\r\nAxis = 2\r\nGain=8";
    put(before);
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(profile_write_string("autopilot", "GAIN", "6", file.c_str()));
    ASSERT_TRUE(profile_write_string("joystick", "gain", "3", file.c_str()));
    std::string after = before;
    after.replace(after.find("  Gain =  5  "), 13, "Gain=6").replace(after.size() - 1, 1, "3");
    EXPECT_EQ(contents(), after);
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(ProfileWrite, MissingKeysAndSectionsAreAddedInTheFilesOwnStyle)
{
    struct Case {
        std::string before;
        const char *section, *key;
        std::string after;
    } cases[] = {
        {"[a]\nx=1\n; a ends\n\n[b]\ny=2\n", "a", "z", "[a]\nx=1\nz=9\n; a ends\n\n[b]\ny=2\n"},
        {"[a]\r\n[b]\r\n", "A", "z", "[a]\r\nz=9\r\n[b]\r\n"},
        {"[a]\nx=1", "a", "z", "[a]\nx=1\nz=9"},
        {"[a]\nx=1\n[A]\nz=0\n", "a", "z", "[a]\nx=1\nz=9\n[A]\nz=0\n"},
        {"[a]\nx=1\nX=2\n", "a", "X", "[a]\nx=9\nX=2\n"},
        {"[a]\r\nx=1\n[b]\r\n", "a", "x", "[a]\r\nx=9\n[b]\r\n"},
        {"\xEF\xBB\xBF[a]\nx=1\n", "a", "x", "\xEF\xBB\xBF[a]\nx=9\n"},
        {"[a]\nx=1", "b", "z", "[a]\nx=1\n[b]\nz=9\n"},
        {"[a]\r\nx=1\r\n", "b", "z", "[a]\r\nx=1\r\n[b]\r\nz=9\r\n"},
        {"", "b", "z", "[b]\nz=9\n"},
        {"[a]\rx=1\r; a ends\r", "a", "z", "[a]\rx=1\rz=9\r; a ends\r"},
        {"[a]\rx=1", "b", "z", "[a]\rx=1\r[b]\rz=9\r"},
        {"[a]\nx=1\ry=2\n", "a", "y", "[a]\nx=1\ry=9\n"},
        {utf16le("[a]\r\nx=1\r\n"), "a", "x", utf16le("[a]\r\nx=9\r\n")},
        {utf16le("[a]\r\nx=1\r\n"), "b", "z", utf16le("[a]\r\nx=1\r\n[b]\r\nz=9\r\n")},
        {utf16be("[a]\r\nx=1"), "a", "z", utf16be("[a]\r\nx=1\r\nz=9")},
        // An odd last byte of a UTF-16 file reads as a character of its own, as Windows has it.
        {utf16le("[a]\r\nx=1\r\n") + "y", "a", "z", utf16le("[a]\r\nx=1\r\ny\r\nz=9")},
    };
    for (const Case& c : cases) {
        put(c.before);
        EXPECT_TRUE(profile_write_string(c.section, c.key, "9", file.c_str())) << c.before;
        EXPECT_EQ(contents(), c.after) << c.before;
    }
}

TEST_F(ProfileWrite, CreatesMissingFileAndReadsBackThroughWindowsPaths)
{
    fs::create_directories(dir / "sim" / "gauges");
    file = (dir / "sim" / "gauges" / "brask_torvik.cfg").string();
    const std::string path = dir.string() + "\\sim\\\\gauges\\brask_torvik.cfg";
    const char* values[] = {"1", "", "two words", "C:\\sim\\gauges", "9"};
    for (const char* value : values) {
        ASSERT_TRUE(profile_write_string("Pilot", value[0] == '\0' ? "empty" : value, value, path.c_str()));
        ASSERT_TRUE(profile_write_string("Other", "k", value, path.c_str())) << value;
    }
    for (const char* value : values)
        EXPECT_EQ(read("pilot", value[0] == '\0' ? "empty" : value, path), value);
    EXPECT_EQ(read("other", "k"), "9");
}

TEST_F(ProfileWrite, RefusesWhatItCannotStore)
{
    put("[a]\nx=1\n");
    EXPECT_FALSE(profile_write_string("a", "x", "9", (dir / "missing" / "x.cfg").c_str()));
    EXPECT_FALSE(fs::exists(dir / "missing"));
    EXPECT_FALSE(profile_write_string("a", "x", "9", dir.c_str()));
    EXPECT_FALSE(profile_write_string(nullptr, "x", "9", file.c_str()));
    EXPECT_FALSE(profile_write_string("a", nullptr, "9", file.c_str()));
    EXPECT_FALSE(profile_write_string("a", "x", nullptr, file.c_str()));
    EXPECT_FALSE(profile_write_string("a", "x", "9", nullptr));
    EXPECT_FALSE(profile_write_string("a", "x", "9\nb=2", file.c_str()));
    EXPECT_FALSE(profile_write_string("a", "x=y", "9", file.c_str()));
    EXPECT_EQ(contents(), "[a]\nx=1\n");
    // A UTF-16 file takes UTF-8 text only.
    put(utf16le("[a]\r\nx=1\r\n"));
    EXPECT_FALSE(profile_write_string("a", "x", "\xE9", file.c_str()));
    EXPECT_EQ(contents(), utf16le("[a]\r\nx=1\r\n"));
}

// Windows refuses to write a file with the read-only attribute whoever asks; here a file
// without any write permission bit is that file, for the superuser too.
TEST_F(ProfileWrite, AReadOnlyFileIsLeftAsItIsEvenForTheSuperuser)
{
    for (const fs::perms mode : {fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read,
                                 fs::perms::owner_read}) {
        put("[a]\nx=1\n");
        fs::permissions(file, mode);
        EXPECT_FALSE(profile_write_string("a", "x", "2", file.c_str()));
        EXPECT_FALSE(profile_write_string("a", "y", "2", file.c_str()));
        EXPECT_EQ(contents(), "[a]\nx=1\n");
        EXPECT_EQ(fs::status(file).permissions(), mode);
        fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    }
}

// Each key's write replaces the file whole or not at all.
TEST_F(ProfileWrite, AKeyWriteThatRunsOutOfDiskSpaceLeavesTheOldFileWhole)
{
    put("[a]\nx=1\n");
    {
        const disk_full_beyond full(12);
        EXPECT_FALSE(profile_write_string("a", "long_key", "123456789", file.c_str()));
    }
    EXPECT_EQ(contents(), "[a]\nx=1\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

// Of a file beyond 1 MiB only the whole lines within the first MiB are read, and a save leaves
// the file alone rather than cut it short.
TEST_F(ProfileFile, AFileBeyondOneMebibyteIsReadOnlyUpToItAndNeverWritten)
{
    const std::string comment = "; " + std::string(97, '-') + "\n";  // 100 bytes
    std::string padding;
    for (int i = 0; i < 10'000; ++i) padding += comment;                // 1,000,000 bytes
    const std::string within = "[s]\nfirst=1\n" + padding + "second=2\n";
    put(within);
    EXPECT_EQ(read("s", "second"), "2");

    std::string beyond = "[s]\nfirst=1\n" + padding + std::string(48'553, ';') + "\nsplit=12345678\nlast=3\n";
    ASSERT_EQ(beyond.size(), 1'048'588u);  // the limit falls after "split=1234"
    put(beyond);
    EXPECT_EQ(read("s", "first"), "1");
    EXPECT_EQ(read("s", "split"), "dflt");  // cut at the limit: not read as "1234"
    EXPECT_EQ(read("s", "last"), "dflt");
    EXPECT_FALSE(profile_write_string("s", "first", "5", file.c_str()));
    EXPECT_EQ(contents(), beyond);
}

} // namespace
