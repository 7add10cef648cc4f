// The configuration file reader and writer of the native build, against the Windows profile
// behaviour users' INI files rely on.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/native/profile_file.h"

namespace {

namespace fs = std::filesystem;

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

TEST_F(ProfileRead, LineEndingsAndByteOrderMark)
{
    for (const char* text : {"[s]\r\nk=v\r\n", "[s]\nk=v", "[s]\r\nk=v", "\xEF\xBB\xBF[s]\nk=v\n"}) {
        put(text);
        EXPECT_EQ(read("s", "k"), "v") << text;
    }
}

TEST_F(ProfileRead, LongLinesAndBinaryJunkAreHarmless)
{
    put(std::string(3'000'000, '\x01') + std::string("\0\xff[=\r\n", 6) + "[s]\nk=" + std::string(100'000, 'v'));
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

TEST_F(ProfileWrite, MissingKeysAndSectionsAreAdded)
{
    struct Case {
        const char *before, *section, *key, *after;
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
}

TEST_F(ProfileWrite, ReadOnlyFolderLeavesTheOldFile)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root ignores folder permissions";
    put("[a]\nx=1\n");
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                             fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    EXPECT_FALSE(profile_write_string("a", "x", "2", file.c_str()));
    EXPECT_EQ(contents(), "[a]\nx=1\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

} // namespace
