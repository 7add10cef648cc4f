// The configuration file through Windows' own profile functions (Wine's here): the module finds
// "<folder of the host executable>\gauges\brask_torvik.cfg" from GetModuleFileNameA(NULL), which
// is this test program, reads it at connect (A_Pilot's service 14), and each channel with an
// axis assigned sends its axis event every frame (service 6), one without sends none. The
// channel-assignment panel (AP_YoySet) changes the assignments, and reloads or saves them at its
// next pre-update service, through Windows' profile writer.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/windows/panel_host.h"
#include "tests/windows/record_bytes.h"

namespace {

constexpr uint32_t roll = 65695, pitch = 65694, heading = 65696, collective = 65697;

std::string own_folder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

class ModuleConfiguration : public testing::Test {
protected:
    static void SetUpTestSuite() { module_ = load_gauge_module_file(); }

    void SetUp() override
    {
        ASSERT_NE(module_.handle, nullptr) << "cannot load " << BRASK_GAUGE_MODULE << ": error " << GetLastError();
        module_.connect_panels(host_);
        gauges_folder_ = own_folder() + "gauges";
        file_ = gauges_folder_ + "\\brask_torvik.cfg";
        CreateDirectoryA(gauges_folder_.c_str(), nullptr);
        DeleteFileA(file_.c_str());
    }

    void TearDown() override
    {
        DeleteFileA(file_.c_str());
        RemoveDirectoryA(gauges_folder_.c_str());
    }

    void write_file(const std::string& text)
    {
        FILE* file = std::fopen(file_.c_str(), "wb");
        ASSERT_NE(file, nullptr) << file_;
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }

    void connect() { call_gauge_callback(module_.header_named("A_Pilot"), service_connect); }

    // A left click at a pixel of AP_YoySet, as the host delivers it: the first child rectangle
    // (kind 2) of the mouse list that holds the point gets the point relative to its corner.
    void click_panel(int32_t x, int32_t y, int times = 1)
    {
        const uint8_t* rect = static_cast<const uint8_t*>(pointer_at(module_.header_named("AP_YoySet"), 80));
        for (; u32_at(rect, 0) != 0; rect += 44) {
            const int32_t left = i32_at(rect, 4), top = i32_at(rect, 8), width = i32_at(rect, 12), height = i32_at(rect, 16);
            if (u32_at(rect, 0) != 2 || x < left || x >= left + width || y < top || y >= top + height) continue;
            using mouse_callback = int32_t(__stdcall*)(int32_t* point, uint32_t flags);
            const auto callback = reinterpret_cast<mouse_callback>(pointer_at(rect, 36));
            ASSERT_NE(callback, nullptr);
            for (int i = 0; i < times; ++i) {
                int32_t point[2] = {x - left, y - top};
                callback(point, 0x20000000);
            }
            return;
        }
        FAIL() << "no rectangle at " << x << ", " << y;
    }

    // AP_YoySet's pre-update service, which serves the load and save requests.
    void panel_frame() { call_gauge_callback(module_.header_named("AP_YoySet"), service_pre_update); }

    // The assignment as Windows' profile reader finds it in the file, read back as a number.
    std::string saved_text(const char* key) const
    {
        char text[64] = {};
        GetPrivateProfileStringA("joy_kanal", key, "(none)", text, sizeof text, file_.c_str());
        return text;
    }

    bool file_exists() const { return GetFileAttributesA(file_.c_str()) != INVALID_FILE_ATTRIBUTES; }

    // The event ids of one frame, in the order sent.
    std::vector<uint32_t> frame_event_ids()
    {
        std::vector<uint32_t> ids;
        for (const key_event& e : run_frame(module_, host_)) ids.push_back(e.id);
        return ids;
    }

    static gauge_module module_;
    PanelHost host_;
    std::string gauges_folder_;
    std::string file_;
};

gauge_module ModuleConfiguration::module_;

TEST_F(ModuleConfiguration, WithoutAFileTheDefaultAssignmentsDriveAllFourChannels)
{
    write_file("[joy_kanal]\nap_kren_kanal=0\nap_tang_kanal=0\nap_schag_kanal=0\nap_kurs_kanal=0\n");
    connect();
    ASSERT_TRUE(frame_event_ids().empty()) << "the file was read";

    DeleteFileA(file_.c_str());
    connect();
    const std::vector<uint32_t> all_four = {roll, pitch, heading, collective};
    for (int frame = 0; frame < 3; ++frame) EXPECT_EQ(frame_event_ids(), all_four) << "frame " << frame;
}

TEST_F(ModuleConfiguration, TheAssignmentsReadAtConnectChooseWhichChannelsSendEvents)
{
    struct Case {
        const char* description;
        const char* file;
        std::vector<uint32_t> events;
    } cases[] = {
        {"all four none", "[joy_kanal]\nap_kren_kanal=0\nap_tang_kanal=0\nap_schag_kanal=0\nap_kurs_kanal=0\n", {}},
        {"roll alone", "[joy_kanal]\nap_kren_kanal=1\nap_tang_kanal=0\nap_schag_kanal=0\nap_kurs_kanal=0\n", {roll}},
        {"pitch alone", "[joy_kanal]\nap_kren_kanal=0\nap_tang_kanal=2\nap_schag_kanal=0\nap_kurs_kanal=0\n", {pitch}},
        {"collective alone", "[joy_kanal]\nap_kren_kanal=0\nap_tang_kanal=0\nap_schag_kanal=3\nap_kurs_kanal=0\n", {collective}},
        {"pedals alone", "[joy_kanal]\nap_kren_kanal=0\nap_tang_kanal=0\nap_schag_kanal=0\nap_kurs_kanal=4\n", {heading}},
        {"second joystick's axes", "[joy_kanal]\nap_kren_kanal=5\nap_tang_kanal=6\nap_schag_kanal=7\nap_kurs_kanal=8\n",
         {roll, pitch, heading, collective}},
        {"missing keys take their defaults", "[joy_kanal]\nap_tang_kanal=0\n", {roll, heading, collective}},
        {"keys in the other section do not count",
         "[a_pilot]\nap_kren_kanal=0\nap_tang_kanal=0\nap_schag_kanal=0\nap_kurs_kanal=0\n", {roll, pitch, heading, collective}},
        {"section and key names in any case",
         "[JOY_KANAL]\nAP_KREN_KANAL=0\nAp_Tang_Kanal=0\nap_schag_kanal=0\nap_kurs_kanal=0\n", {}},
        {"blanks around the value, comments and the sample's layout",
         "; comment\n[a_pilot]\nkurs_kp=250.0\n\n[joy_kanal]\n; roll\nap_kren_kanal = 1 \nap_tang_kanal=0\nap_schag_kanal=0\n"
         "ap_kurs_kanal=0\n",
         {roll}},
        {"whole part of a fraction", "[joy_kanal]\nap_kren_kanal=0.9\nap_tang_kanal=2.9\nap_schag_kanal=-0.5\nap_kurs_kanal=0\n",
         {pitch}},
        {"low eight bits: 256 is none, 257 is one",
         "[joy_kanal]\nap_kren_kanal=256\nap_tang_kanal=257\nap_schag_kanal=0\nap_kurs_kanal=0\n", {pitch}},
        {"empty value and a word are none, not the default",
         "[joy_kanal]\nap_kren_kanal=\nap_tang_kanal=two\nap_schag_kanal=3\nap_kurs_kanal=0\n", {collective}},
        {"an exponent", "[joy_kanal]\nap_kren_kanal=1e0\nap_tang_kanal=0e5\nap_schag_kanal=0\nap_kurs_kanal=0\n", {roll}},
        {"beyond 19 characters is cut off",
         "[joy_kanal]\nap_kren_kanal=0.00000000000000000001\nap_tang_kanal=0000000000000000002\nap_schag_kanal=0\n"
         "ap_kurs_kanal=0\n",
         {pitch}},
        {"outside the axis table still sends", "[joy_kanal]\nap_kren_kanal=9\nap_tang_kanal=-1\nap_schag_kanal=0\nap_kurs_kanal=0\n",
         {roll, pitch}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        write_file(c.file);
        connect();
        EXPECT_EQ(frame_event_ids(), c.events);
        EXPECT_EQ(frame_event_ids(), c.events) << "second frame";
    }
}

TEST_F(ModuleConfiguration, EveryConnectReadsTheFileAfresh)
{
    write_file("[joy_kanal]\nap_kren_kanal=1\nap_tang_kanal=0\nap_schag_kanal=0\nap_kurs_kanal=0\n");
    connect();
    EXPECT_EQ(frame_event_ids(), std::vector<uint32_t>{roll});

    write_file("[joy_kanal]\nap_kren_kanal=0\nap_tang_kanal=0\nap_schag_kanal=0\nap_kurs_kanal=4\n");
    EXPECT_EQ(frame_event_ids(), std::vector<uint32_t>{roll}) << "nothing changes before the next connect";
    connect();
    EXPECT_EQ(frame_event_ids(), std::vector<uint32_t>{heading});
}

TEST_F(ModuleConfiguration, WithoutAJoystickTheRollAndPitchCommandsSitAtTheirLimit)
{
    // Wine has no joystick here: the axis table stays at 0, which the sticks read as full
    // deflection: 16384 limited to 16000.
    write_file("[joy_kanal]\nap_kren_kanal=1\nap_tang_kanal=2\nap_schag_kanal=0\nap_kurs_kanal=0\n");
    connect();
    const std::vector<key_event> events = run_frame(module_, host_);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].id, roll);
    EXPECT_EQ(events[0].value, 16000);
    EXPECT_EQ(events[1].id, pitch);
    EXPECT_EQ(events[1].value, 16000);
}

// The centres of AP_YoySet's areas: up and down for each channel, load and save.
namespace panel {
constexpr int32_t roll_up[] = {147, 88}, roll_down[] = {117, 88};
constexpr int32_t pitch_up[] = {147, 108}, pitch_down[] = {117, 108};
constexpr int32_t collective_up[] = {147, 128}, collective_down[] = {117, 128};
constexpr int32_t pedals_up[] = {147, 148}, pedals_down[] = {117, 148};
constexpr int32_t load[] = {19, 145}, save[] = {47, 145};
}  // namespace panel

TEST_F(ModuleConfiguration, SaveWritesTheAssignmentsChangedOnThePanelIntoTheFile)
{
    write_file("; gains\n[a_pilot]\nkurs_kp=123.5\n[joy_kanal]\nap_kren_kanal=1\nap_tang_kanal=2\nap_schag_kanal=3\n"
               "ap_kurs_kanal=4\n");
    connect();
    click_panel(panel::roll_down[0], panel::roll_down[1], 3);           // 1 → 0, and no lower
    click_panel(panel::pitch_up[0], panel::pitch_up[1], 3);             // 2 → 5
    click_panel(panel::collective_up[0], panel::collective_up[1], 9);  // 3 → 8, and no higher
    click_panel(panel::pedals_down[0], panel::pedals_down[1]);         // 4 → 3
    click_panel(panel::save[0], panel::save[1]);
    EXPECT_EQ(saved_text("ap_kren_kanal"), "1") << "nothing is written before the panel's pre-update";

    panel_frame();
    EXPECT_EQ(std::atof(saved_text("ap_kren_kanal").c_str()), 0.0);
    EXPECT_EQ(std::atof(saved_text("ap_tang_kanal").c_str()), 5.0);
    EXPECT_EQ(std::atof(saved_text("ap_schag_kanal").c_str()), 8.0);
    EXPECT_EQ(std::atof(saved_text("ap_kurs_kanal").c_str()), 3.0);
    char gain[32] = {};
    GetPrivateProfileStringA("a_pilot", "kurs_kp", "", gain, sizeof gain, file_.c_str());
    EXPECT_STREQ(gain, "123.5") << "the gains are left alone";

    // The saved file gives the same channels after the next connect.
    connect();
    EXPECT_EQ(frame_event_ids(), (std::vector<uint32_t>{pitch, heading, collective}));
}

TEST_F(ModuleConfiguration, LoadBringsBackTheAssignmentsOfTheFile)
{
    write_file("[joy_kanal]\nap_kren_kanal=1\nap_tang_kanal=0\nap_schag_kanal=0\nap_kurs_kanal=0\n");
    connect();
    click_panel(panel::roll_down[0], panel::roll_down[1]);
    click_panel(panel::pitch_up[0], panel::pitch_up[1]);
    EXPECT_EQ(frame_event_ids(), std::vector<uint32_t>{pitch}) << "panel changes act at the next cycle";

    write_file("[joy_kanal]\nap_kren_kanal=0\nap_tang_kanal=0\nap_schag_kanal=0\nap_kurs_kanal=4\n");
    click_panel(panel::load[0], panel::load[1]);
    EXPECT_EQ(frame_event_ids(), std::vector<uint32_t>{pitch}) << "nothing is read before the panel's pre-update";
    panel_frame();
    EXPECT_EQ(frame_event_ids(), std::vector<uint32_t>{heading});
}

TEST_F(ModuleConfiguration, LoadAndSaveTogetherReloadFirstThenWriteBackWhatWasRead)
{
    write_file("[joy_kanal]\nap_kren_kanal=6\nap_tang_kanal=0\nap_schag_kanal=7\nap_kurs_kanal=0\n");
    connect();
    click_panel(panel::roll_up[0], panel::roll_up[1]);
    click_panel(panel::pedals_up[0], panel::pedals_up[1]);
    click_panel(panel::save[0], panel::save[1]);
    click_panel(panel::load[0], panel::load[1]);
    panel_frame();
    EXPECT_EQ(std::atof(saved_text("ap_kren_kanal").c_str()), 6.0);
    EXPECT_EQ(std::atof(saved_text("ap_kurs_kanal").c_str()), 0.0);
    EXPECT_EQ(frame_event_ids(), (std::vector<uint32_t>{roll, collective}));
}

TEST_F(ModuleConfiguration, SaveWithoutAFileCreatesItWithTheAssignments)
{
    connect();  // no file: 1, 2, 3, 4
    click_panel(panel::pitch_down[0], panel::pitch_down[1], 2);
    click_panel(panel::save[0], panel::save[1]);
    panel_frame();
    ASSERT_TRUE(file_exists());
    EXPECT_EQ(std::atof(saved_text("ap_kren_kanal").c_str()), 1.0);
    EXPECT_EQ(std::atof(saved_text("ap_tang_kanal").c_str()), 0.0);
    EXPECT_EQ(std::atof(saved_text("ap_schag_kanal").c_str()), 3.0);
    EXPECT_EQ(std::atof(saved_text("ap_kurs_kanal").c_str()), 4.0);
}

TEST_F(ModuleConfiguration, ASaveThatCannotBeWrittenIsDroppedAndTheAssignmentsStay)
{
    connect();
    RemoveDirectoryA(gauges_folder_.c_str());  // nowhere to write
    click_panel(panel::roll_down[0], panel::roll_down[1]);
    click_panel(panel::save[0], panel::save[1]);
    panel_frame();
    EXPECT_FALSE(file_exists());
    EXPECT_EQ(frame_event_ids(), (std::vector<uint32_t>{pitch, heading, collective}));

    CreateDirectoryA(gauges_folder_.c_str(), nullptr);
    panel_frame();
    EXPECT_FALSE(file_exists()) << "the request was served, not kept";
}

}  // namespace
