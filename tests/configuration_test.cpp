// The configuration file beside the host executable: gains, options and assignments at connect,
// and the assignments reloaded and saved from the channel-assignment panel.
#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <fstream>
#include <span>
#include <sstream>
#include <string>

#include "config/configuration.h"
#include "config/configuration_keys.h"
#include "config/number_text.h"
#include "file_faults.h"
#include "flight_fixture.h"
#include "gauges/ap_yoyset.h"
#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

class Configuration : public FlightTest {
protected:
    Configuration()
    {
        sim = fs::temp_directory_path() / ("brask_config_" + std::to_string(::getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(sim);
        fs::create_directories(sim / "gauges");
        set_virtual_executable_path((sim / "fs9.exe").string());
        cfg = configuration_state{};
    }
    ~Configuration() override { fs::remove_all(sim); }

    fs::path file() const { return sim / "gauges" / "brask_torvik.cfg"; }

    void write_file(const std::string& text) const { std::ofstream(file(), std::ios::binary) << text; }

    std::string read_file() const
    {
        std::ifstream in(file(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    void pre_update_of_assignment_panel() { ap_yoyset_gauge_callback(nullptr, PANEL_SERVICE_PRE_UPDATE, 0); }

    fs::path sim;
};

TEST_F(Configuration, WithoutAFileConnectGivesTheFileDefaultsNotTheCompiledInOnes)
{
    EXPECT_EQ(ap.settings.tang_kp, 1000.0);  // before any connect
    ap.settings.kren_kp = 1.0;
    ap.settings.ap_kren_kanal = 7;
    ap.settings.ap_trim_tang_on = 1;
    host.connect();
    EXPECT_EQ(ap.settings.tang_kp, 1001.0);
    EXPECT_EQ(ap.settings.kurs_kp, 250.0);
    EXPECT_EQ(ap.settings.kren_kp, 800.0);
    EXPECT_EQ(ap.settings.vys_ki, 20.0);
    EXPECT_EQ(ap.settings.speed_ki, 45.0);
    EXPECT_EQ(ap.settings.ap_kren_kanal, 1);
    EXPECT_EQ(ap.settings.ap_tang_kanal, 2);
    EXPECT_EQ(ap.settings.ap_schag_kanal, 3);
    EXPECT_EQ(ap.settings.ap_kurs_kanal, 4);
    EXPECT_EQ(ap.settings.ap_trim_tang_on, 0);
    EXPECT_FALSE(fs::exists(file())) << "reading never creates the file";
}

TEST_F(Configuration, ValuesAreConvertedAsTheUserWroteThem)
{
    write_file("[a_pilot]\n"
               "kurs_kp = 1e3\n"
               "kurs_kd = fast\n"
               "kurs_ki =\n"
               "kren_kp = 1234567890123456789012345\n"
               "kren_kd = 12.5 ; a remark\n"
               "ap_trim_kurs_on = 2\n"
               "ap_trim_tang_on = 1.9\n"
               "ap_kurs_otkl_on = -1\n"
               "[joy_kanal]\n"
               "ap_kren_kanal = 300\n"
               "ap_tang_kanal = 2.9\n"
               "ap_schag_kanal = -0.5\n"
               "ap_kurs_kanal = 9\n");
    host.connect();
    EXPECT_EQ(ap.settings.kurs_kp, 1000.0);
    EXPECT_EQ(ap.settings.kurs_kd, 0.0) << "a word";
    EXPECT_EQ(ap.settings.kurs_ki, 0.0) << "present but empty: not the default";
    EXPECT_EQ(ap.settings.kren_kp, 1234567890123456789.0) << "only 19 characters are read";
    EXPECT_EQ(ap.settings.kren_kd, 12.5);
    EXPECT_EQ(ap.settings.ap_trim_kurs_on, 2) << "kept, and so off";
    EXPECT_EQ(ap.settings.ap_trim_tang_on, 1);
    EXPECT_EQ(ap.settings.ap_kurs_otkl_on, -1);
    EXPECT_EQ(ap.settings.ap_kren_kanal, 44) << "the low 8 bits of 300";
    EXPECT_EQ(ap.settings.ap_tang_kanal, 2);
    EXPECT_EQ(ap.settings.ap_schag_kanal, 0);
    EXPECT_EQ(ap.settings.ap_kurs_kanal, 9) << "kept in memory; selects no axis";
    EXPECT_EQ(ap.settings.tang_kp, 1001.0) << "a missing key takes its default";
}

TEST_F(Configuration, ThePathIsTheExecutablesFolderThenGaugesAndTheFileName)
{
    struct Case {
        const char* executable;
        const char* path;
    } cases[] = {
        {"C:\\Sim\\host.exe", "C:\\Sim\\\\gauges\\brask_torvik.cfg"},
        {"/opt/fs/fs2000.exe", "/opt/fs/\\gauges\\brask_torvik.cfg"},
        {"D:host.exe", "D:\\gauges\\brask_torvik.cfg"},
    };
    for (const Case& c : cases) {
        set_virtual_executable_path(c.executable);
        const config_path path = config_file_path();
        EXPECT_TRUE(path.fits);
        EXPECT_STREQ(path.text, c.path);
    }
}

TEST_F(Configuration, APathTooLongIsNeverCutShortAndUsed)
{
    // A folder of 235 characters makes the composed path too long; one of 300 cannot even be read.
    for (size_t folder : {size_t{235}, size_t{300}}) {
        set_virtual_executable_path("/" + std::string(folder, 'a') + "/x.exe");
        EXPECT_FALSE(config_file_path().fits) << folder;
        ap.settings.ap_kren_kanal = 5;
        host.connect();
        EXPECT_EQ(ap.settings.ap_kren_kanal, 1) << "the default text is read";
        cfg.joy_kanal_save_request = 1;
        pre_update_of_assignment_panel();
        EXPECT_EQ(cfg.joy_kanal_save_request, 0);
    }
    set_virtual_executable_path("/" + std::string(233, 'a') + "/x.exe");
    EXPECT_EQ(std::string(config_file_path().text).size(), 259u);
}

TEST_F(Configuration, SavedAssignmentsReadBackAsTheSameWholeNumbers)
{
    write_file("; my helicopter\r\n[a_pilot]\r\nkren_kp=700\r\n");
    ap.settings.ap_kren_kanal = 5, ap.settings.ap_tang_kanal = 0, ap.settings.ap_schag_kanal = 8, ap.settings.ap_kurs_kanal = 1;
    cfg.joy_kanal_save_request = 1;
    pre_update_of_assignment_panel();
    EXPECT_EQ(cfg.joy_kanal_save_request, 0);
    EXPECT_EQ(read_file(),
              "; my helicopter\r\n[a_pilot]\r\nkren_kp=700\r\n[joy_kanal]\r\nap_kren_kanal=5\r\n"
              "ap_tang_kanal=0\r\nap_schag_kanal=8\r\nap_kurs_kanal=1\r\n");

    for (int value = -128; value <= 127; value += 17) {
        ap.settings.ap_kren_kanal = static_cast<int8_t>(value);
        write_channel_assignments(cfg, ap.settings);
        ap.settings.ap_kren_kanal = 3;
        read_channel_assignments(cfg, ap.settings);
        EXPECT_EQ(ap.settings.ap_kren_kanal, value);
    }
}

TEST_F(Configuration, ReloadComesBeforeSaveInTheSameFrame)
{
    write_file("[joy_kanal]\nap_kren_kanal=6\nap_tang_kanal=5\nap_schag_kanal=4\nap_kurs_kanal=3\n");
    ap.settings.ap_kren_kanal = 1;
    cfg.joy_kanal_load_request = 1;
    cfg.joy_kanal_save_request = 1;
    ap_yoyset_gauge_callback(nullptr, PANEL_SERVICE_CONNECT_TO_WINDOW, 0);
    ap_yoyset_gauge_callback(nullptr, PANEL_SERVICE_POST_UPDATE, 0);
    EXPECT_EQ(ap.settings.ap_kren_kanal, 1) << "only pre-update serves the requests";
    pre_update_of_assignment_panel();
    EXPECT_EQ(ap.settings.ap_kren_kanal, 6);
    EXPECT_EQ(ap.settings.ap_kurs_kanal, 3);
    EXPECT_EQ(cfg.joy_kanal_load_request, 0);
    EXPECT_EQ(read_file(), "[joy_kanal]\nap_kren_kanal=6\nap_tang_kanal=5\nap_schag_kanal=4\nap_kurs_kanal=3\n");
}

TEST_F(Configuration, ConnectOverwritesAssignmentsChangedOnThePanelButNotSaved)
{
    write_file("[joy_kanal]\nap_kren_kanal=2\n");
    host.connect();
    ap.settings.ap_kren_kanal = 7;
    host.connect();
    EXPECT_EQ(ap.settings.ap_kren_kanal, 2);
}

TEST_F(Configuration, ASaveIntoAMissingFolderWritesNothingAndClearsTheRequest)
{
    fs::remove_all(sim / "gauges");  // nowhere to write: the folder is not created
    ap.settings.ap_kren_kanal = 5;
    cfg.joy_kanal_save_request = 1;
    pre_update_of_assignment_panel();
    EXPECT_EQ(cfg.joy_kanal_save_request, 0);
    EXPECT_EQ(ap.settings.ap_kren_kanal, 5);
    EXPECT_FALSE(fs::exists(sim / "gauges"));
}

// The save writes the four assignments one key at a time, as the Windows calls do. Each key's
// write replaces the file whole or not at all, but a disk that fills up between two keys keeps
// the keys written before it, and nothing is reported.
TEST_F(Configuration, ASaveThatRunsOutOfDiskSpaceKeepsTheKeysWrittenBeforeAndReportsNothing)
{
    write_file("[joy_kanal]\n");
    ap.settings.ap_kren_kanal = 5, ap.settings.ap_tang_kanal = 0, ap.settings.ap_schag_kanal = 8, ap.settings.ap_kurs_kanal = 1;
    {
        const disk_full_beyond full(44);  // room for the header and the first two keys
        cfg.joy_kanal_save_request = 1;
        pre_update_of_assignment_panel();
    }
    EXPECT_EQ(cfg.joy_kanal_save_request, 0);
    EXPECT_EQ(read_file(), "[joy_kanal]\nap_kren_kanal=5\nap_tang_kanal=0\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(sim / "gauges"), fs::directory_iterator()), 1);
    EXPECT_EQ(ap.settings.ap_schag_kanal, 8);
}

// Notepad's "Unicode" (UTF-16 with its byte order mark) is read, and a save keeps the file so.
TEST_F(Configuration, ANotepadUnicodeFileIsReadAndSavedBackInUnicode)
{
    const auto unicode = [](std::string_view ascii) {
        std::string bytes = "\xFF\xFE";
        for (char c : ascii) bytes.append({c, '\0'});
        return bytes;
    };
    write_file(unicode("[a_pilot]\r\ntang_kp=900\r\n[joy_kanal]\r\nap_kren_kanal=6\r\n"));
    host.connect();
    EXPECT_EQ(ap.settings.tang_kp, 900.0);
    EXPECT_EQ(ap.settings.ap_kren_kanal, 6);
    ap.settings.ap_kren_kanal = 7;
    cfg.joy_kanal_save_request = 1;
    pre_update_of_assignment_panel();
    EXPECT_EQ(read_file(), unicode("[a_pilot]\r\ntang_kp=900\r\n[joy_kanal]\r\nap_kren_kanal=7\r\n"
                                   "ap_tang_kanal=2\r\nap_schag_kanal=3\r\nap_kurs_kanal=4\r\n"));
}

TEST(NumberText, ReadsDecimalTextAsTheCLibraryDoesInTheCLocale)
{
    struct Case {
        const char* text;
        double value;
    } cases[] = {
        {"250.0", 250.0}, {"  1.5", 1.5}, {"+2", 2.0},     {"-0.5", -0.5}, {"1e3", 1000.0},  {"1e", 1.0},
        {".5", 0.5},      {"5.", 5.0},    {"1,5", 1.0},    {"abc", 0.0},   {"", 0.0},        {"-", 0.0},
        {"0x10", 0.0},    {"1.5e-3x", 0.0015}, {"1e-400", 0.0}, {"\t7 8", 7.0}, {"0.1", 0.1},
    };
    for (const Case& c : cases) EXPECT_EQ(text_to_double(c.text), c.value) << '"' << c.text << '"';
    EXPECT_EQ(text_to_double("1e400"), INFINITY);
    EXPECT_EQ(text_to_double("-1e400"), -INFINITY);
}

TEST(NumberText, WritesWholeNumbersInPlainDecimal)
{
    char text[ini_buffer_size];
    for (int32_t value : {0, 5, -1, 127, -128, INT32_MIN}) {
        integer_to_text(value, text, sizeof text);
        EXPECT_EQ(std::string(text), std::to_string(value));
    }
    char small[3];
    integer_to_text(-128, small, sizeof small);
    EXPECT_STREQ(small, "-1");
}

}  // namespace

namespace {

// Every key of the module's table is in the sample file, in its section, with its default text.
TEST_F(Configuration, TheSampleFileShippedWithTheModuleHoldsTheDefaults)
{
    const std::string sample = (fs::path(BRASK_SOURCE_DIR) / "config" / "brask_torvik.cfg").string();
    for (std::span<const configuration_key> table :
         {std::span<const configuration_key>(gain_keys), std::span<const configuration_key>(option_keys),
          std::span<const configuration_key>(channel_keys)}) {
        for (const configuration_key& key : table) {
            char text[ini_buffer_size] = {};
            platform_get_profile_string(key.section, key.key, "missing", text, sizeof text, sample.c_str());
            EXPECT_STREQ(text, key.default_text) << key.key;
        }
    }
}

}  // namespace

namespace {

// Nothing in place of the file makes the connect wait: a FIFO (whose open would wait for a
// writer), /dev/zero and /dev/urandom (which never end) read as missing, and a save leaves
// them alone.
TEST_F(Configuration, AnEmptyUnreadableOrEndlessFileGivesTheDefaultsAtOnce)
{
    const hang_guard guard(10);
    const std::function<bool()> setups[] = {
        [&] { write_file(""); return fs::file_size(file()) == 0; },
        [&] { return fs::create_directory(file()); },  // a folder where the file should be
        [&] { return ::mkfifo(file().c_str(), 0644) == 0; },
        [&] { fs::create_symlink("/dev/zero", file()); return true; },
        [&] { fs::create_symlink("/dev/urandom", file()); return true; },
    };
    for (const auto& setup : setups) {
        fs::remove_all(file());
        ASSERT_TRUE(setup());
        const fs::file_status before = fs::symlink_status(file());
        ap.settings.ap_tang_kanal = 7;
        host.connect();
        EXPECT_EQ(ap.settings.ap_tang_kanal, 2);
        EXPECT_EQ(ap.settings.tang_kp, 1001.0);
        cfg.joy_kanal_save_request = 1;
        pre_update_of_assignment_panel();
        EXPECT_EQ(cfg.joy_kanal_save_request, 0);
        if (before.type() != fs::file_type::regular) {
            EXPECT_EQ(fs::symlink_status(file()).type(), before.type()) << "a save replaced it";
        }
    }
}

TEST_F(Configuration, ASaveWhereNothingCanBeWrittenLeavesMemoryAsItWas)
{
    // Not even the superuser can create files here.
    set_virtual_executable_path("/proc/self/fs9.exe");
    ap.settings.ap_kurs_kanal = 6;
    cfg.joy_kanal_save_request = 1;
    pre_update_of_assignment_panel();
    EXPECT_EQ(cfg.joy_kanal_save_request, 0);
    EXPECT_EQ(ap.settings.ap_kurs_kanal, 6);
}

}  // namespace
