// The Windows host's module loader: it loads the module file, finds its two exports and puts
// the virtual devices behind the module's clock, joystick and executable-path imports, leaving
// every other import to Windows.
#include "tools/gaugehost/host/win32_module_loader.h"

#include <windows.h>
#include <mmsystem.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/virtual_devices.h"
#include "tests/windows/panel_host.h"
#include "tools/pe/pe_file.h"

namespace {

constexpr uint32_t roll_event = 65695;
constexpr MMRESULT unplugged = 167;

class ModuleLoader : public testing::Test {
protected:
    static void SetUpTestSuite() { loaded_ = load_gauge_module(BRASK_GAUGE_MODULE, module_, error_); }

    void SetUp() override
    {
        ASSERT_TRUE(loaded_) << error_;
        virtual_devices = virtual_device_state{};
        module_.import_table->panels_entry.panels = reinterpret_cast<PANEL_FUNCTIONS*>(host_.table());

        // A host executable in a folder of its own, with the configuration file beside it.
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        folder_ = std::string(temp) + "brask_loader_" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder_.c_str(), nullptr);
        CreateDirectoryA((folder_ + "\\gauges").c_str(), nullptr);
        set_virtual_executable_path(folder_ + "\\fs9.exe");
    }

    void TearDown() override
    {
        DeleteFileA(configuration_file().c_str());
        RemoveDirectoryA((folder_ + "\\gauges").c_str());
        RemoveDirectoryA(folder_.c_str());
    }

    std::string configuration_file() const { return folder_ + "\\gauges\\brask_torvik.cfg"; }

    void write_assignments(int roll, int pitch, int collective, int pedals)
    {
        FILE* file = std::fopen(configuration_file().c_str(), "wb");
        ASSERT_NE(file, nullptr) << configuration_file();
        std::fprintf(file, "[joy_kanal]\nap_kren_kanal=%d\nap_tang_kanal=%d\nap_schag_kanal=%d\nap_kurs_kanal=%d\n", roll, pitch,
                     collective, pedals);
        std::fclose(file);
    }

    void service(int32_t service_id)
    {
        GAUGEHDR* const a_pilot = module_.linkage->gauge_header_ptr[0];
        a_pilot->gauge_callback(a_pilot, service_id, 0);
    }

    // The import address table slot through which the loaded module calls a function: the file
    // names the slot, the same place in the loaded image.
    static void** import_slot(const char* dll, const char* function)
    {
        std::ifstream file(BRASK_GAUGE_MODULE, std::ios::binary);
        const pe_file image = parse_pe_file(std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()));
        auto* const base = static_cast<uint8_t*>(module_.handle);
        for (const pe_import& i : image.imports)
            if (lstrcmpiA(i.dll.c_str(), dll) == 0 && i.function == function) return reinterpret_cast<void**>(base + i.slot_rva);
        return nullptr;
    }

    static void* windows_function(const char* dll, const char* function)
    {
        return reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(dll), function));
    }

    static bool loaded_;
    static loaded_module module_;
    static std::string error_;
    PanelHost host_;
    std::string folder_;
};

bool ModuleLoader::loaded_ = false;
loaded_module ModuleLoader::module_{};
std::string ModuleLoader::error_;

TEST(ModuleLoaderFailure, AFileThatCannotBeLoadedOrLacksTheExportsGivesFalseAndAMessage)
{
    struct Case {
        const char* path;
        const char* message_part;
    } cases[] = {
        {"Z:/no/such/folder/NO_SUCH_MODULE.gau", "cannot load module 'Z:/no/such/folder/NO_SUCH_MODULE.gau'"},
        {"kernel32.dll", "does not export ImportTable"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        loaded_module module{};
        std::string error;
        EXPECT_FALSE(load_gauge_module(c.path, module, error));
        EXPECT_NE(error.find(c.message_part), std::string::npos) << error;
    }
}

TEST_F(ModuleLoader, FindsBothExportsByName)
{
    const HMODULE handle = GetModuleHandleA(BRASK_GAUGE_MODULE);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(module_.handle, handle);
    EXPECT_EQ(reinterpret_cast<void*>(module_.linkage), reinterpret_cast<void*>(GetProcAddress(handle, "Linkage")));
    EXPECT_EQ(reinterpret_cast<void*>(module_.import_table), reinterpret_cast<void*>(GetProcAddress(handle, "ImportTable")));
}

TEST_F(ModuleLoader, ReplacesTheFiveDeviceImportsAndNoOther)
{
    struct Case {
        const char* dll;
        const char* function;
        bool replaced;
    } cases[] = {
        {"kernel32.dll", "QueryPerformanceFrequency", true},
        {"kernel32.dll", "QueryPerformanceCounter", true},
        {"kernel32.dll", "GetModuleFileNameA", true},
        {"winmm.dll", "joyGetDevCapsA", true},
        {"winmm.dll", "joyGetPosEx", true},
        {"kernel32.dll", "GetPrivateProfileStringA", false},
        {"kernel32.dll", "WritePrivateProfileStringA", false},
        {"msvcrt.dll", "_splitpath", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function);
        void** const slot = import_slot(c.dll, c.function);
        ASSERT_NE(slot, nullptr) << "the module does not import it";
        const void* const original = windows_function(c.dll, c.function);
        ASSERT_NE(original, nullptr);
        if (c.replaced) {
            EXPECT_NE(*slot, original);
        } else {
            EXPECT_EQ(*slot, original);
        }
    }
}

TEST_F(ModuleLoader, TheReplacedClockAnswersFromTheVirtualCounter)
{
    virtual_devices.frequency = 1193182;
    virtual_devices.counter = 0x0123456789ABLL;
    LARGE_INTEGER value{};
    EXPECT_TRUE(reinterpret_cast<BOOL(WINAPI*)(LARGE_INTEGER*)>(*import_slot("kernel32.dll", "QueryPerformanceFrequency"))(&value));
    EXPECT_EQ(value.QuadPart, 1193182);
    EXPECT_TRUE(reinterpret_cast<BOOL(WINAPI*)(LARGE_INTEGER*)>(*import_slot("kernel32.dll", "QueryPerformanceCounter"))(&value));
    EXPECT_EQ(value.QuadPart, 0x0123456789ABLL);
}

TEST_F(ModuleLoader, TheReplacedModuleFileNameAnswersTheVirtualPathForTheProgramOnly)
{
    using module_file_name = DWORD(WINAPI*)(HMODULE, LPSTR, DWORD);
    const auto replaced = reinterpret_cast<module_file_name>(*import_slot("kernel32.dll", "GetModuleFileNameA"));
    set_virtual_executable_path("C:\\Sim\\fs9.exe");
    char buffer[MAX_PATH] = {};
    EXPECT_EQ(replaced(nullptr, buffer, MAX_PATH), 14u);
    EXPECT_STREQ(buffer, "C:\\Sim\\fs9.exe");

    // Another module's file name is Windows' answer.
    char expected[MAX_PATH] = {};
    GetModuleFileNameA(static_cast<HMODULE>(module_.handle), expected, MAX_PATH);
    ASSERT_NE(replaced(static_cast<HMODULE>(module_.handle), buffer, MAX_PATH), 0u);
    EXPECT_STREQ(buffer, expected);
}

TEST_F(ModuleLoader, TheReplacedJoystickFunctionsAnswerFromTheVirtualJoysticks)
{
    using caps_function = MMRESULT(WINAPI*)(UINT_PTR, JOYCAPSA*, UINT);
    using poll_function = MMRESULT(WINAPI*)(UINT, JOYINFOEX*);
    const auto caps = reinterpret_cast<caps_function>(*import_slot("winmm.dll", "joyGetDevCapsA"));
    const auto poll = reinterpret_cast<poll_function>(*import_slot("winmm.dll", "joyGetPosEx"));

    JOYCAPSA record{};
    JOYINFOEX info{};
    info.dwSize = sizeof info;
    EXPECT_EQ(caps(0, &record, sizeof record), unplugged);
    EXPECT_EQ(poll(0, &info), unplugged);

    virtual_joystick& stick = virtual_devices.joysticks[1];
    stick.present = true;
    stick.has_r = true;
    stick.x = 100, stick.y = 200, stick.z = 300, stick.r = 400, stick.buttons = 0b101;
    EXPECT_EQ(caps(1, &record, sizeof record), 0u);
    EXPECT_EQ(record.wCaps, 2u);
    info.dwFlags = JOY_RETURNALL;
    EXPECT_EQ(poll(1, &info), 0u);
    EXPECT_EQ(info.dwXpos, 100u);
    EXPECT_EQ(info.dwYpos, 200u);
    EXPECT_EQ(info.dwZpos, 300u);
    EXPECT_EQ(info.dwRpos, 400u);
    EXPECT_EQ(info.dwButtons, 0b101u);
}

TEST_F(ModuleLoader, TheModuleReadsTheConfigurationBesideTheVirtualExecutable)
{
    write_assignments(0, 0, 0, 0);
    service(PANEL_SERVICE_CONNECT_TO_WINDOW);
    service(PANEL_SERVICE_PRE_UPDATE);
    EXPECT_TRUE(host_.events.empty());
    EXPECT_EQ(host_.lookups, 15);

    write_assignments(1, 0, 0, 0);
    service(PANEL_SERVICE_CONNECT_TO_WINDOW);
    host_.events.clear();
    service(PANEL_SERVICE_PRE_UPDATE);
    ASSERT_EQ(host_.events.size(), 1u);
    EXPECT_EQ(host_.events[0].id, roll_event);
}

TEST_F(ModuleLoader, TheVirtualJoystickDrivesThePilotsRollCommandWhileDisengaged)
{
    // Roll command = 16384 - x / 2, limited to +-16000.
    struct Case {
        uint32_t x;
        int32_t roll_command;
    } cases[] = {{0, 16000}, {20000, 6384}, {32000, 384}, {32768, 0}, {33000, -116}, {65535, -16000}};
    write_assignments(1, 0, 0, 0);
    virtual_joystick& stick = virtual_devices.joysticks[0];
    stick.present = true;
    service(PANEL_SERVICE_CONNECT_TO_WINDOW);  // finds the joystick
    for (const Case& c : cases) {
        SCOPED_TRACE(c.x);
        stick.x = c.x;
        host_.events.clear();
        service(PANEL_SERVICE_PRE_UPDATE);
        ASSERT_EQ(host_.events.size(), 1u);
        EXPECT_EQ(host_.events[0].id, roll_event);
        EXPECT_EQ(host_.events[0].value, c.roll_command);
    }
}

TEST_F(ModuleLoader, OnlyAJoystickFoundAtConnectIsPolled)
{
    write_assignments(1, 0, 0, 0);
    virtual_joystick& stick = virtual_devices.joysticks[0];
    auto roll_command = [&] {
        host_.events.clear();
        service(PANEL_SERVICE_PRE_UPDATE);
        return host_.events.size() == 1 ? host_.events[0].value : -1;
    };
    stick.present = true;
    stick.x = 0;
    service(PANEL_SERVICE_CONNECT_TO_WINDOW);
    ASSERT_EQ(roll_command(), 16000);

    stick.present = false;
    service(PANEL_SERVICE_CONNECT_TO_WINDOW);
    stick.present = true;
    stick.x = 32768;
    EXPECT_EQ(roll_command(), 16000) << "polled a joystick that connect did not find";

    service(PANEL_SERVICE_CONNECT_TO_WINDOW);
    EXPECT_EQ(roll_command(), 0);
}

}  // namespace
