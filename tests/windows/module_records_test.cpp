// The loaded module's routines and callbacks called as the host calls them: module init and
// deinit, the shared element-list routines and the gauge callbacks. (The records' bytes are
// checked from the file natively, by tests/module_file.)
#include <windows.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/windows/panel_host.h"
#include "tests/windows/record_bytes.h"

namespace {

constexpr size_t header_size = 200;

struct gauge_facts {
    const char* name;
};

const gauge_facts gauges[] = {{"A_Pilot"}, {"AP_Panel_1"}, {"AP_YoySet"}, {"V_Contrl_key"}, {"V_Lamp"}, {"IN_4"}};

class ModuleRecords : public testing::Test {
protected:
    static void SetUpTestSuite() { module_ = load_gauge_module_file(); }

    void SetUp() override
    {
        ASSERT_NE(module_.handle, nullptr) << "cannot load " << BRASK_GAUGE_MODULE << ": error " << GetLastError();
        ASSERT_NE(module_.import_table, nullptr);
        ASSERT_NE(module_.linkage, nullptr);
    }

    // The host's table goes again when a test is over, as at load.
    void TearDown() override
    {
        if (module_.import_table != nullptr) put_pointer(module_.import_table, 4, nullptr);
    }

    static const gauge_module& module() { return module_; }

    static uint8_t* root_element(const uint8_t* header)
    {
        return static_cast<uint8_t*>(pointer_at(pointer_at(header, header_field::element_list), 0));
    }

    static gauge_module module_;
};

gauge_module ModuleRecords::module_;

TEST_F(ModuleRecords, InitAndDeinitChangeNothing)
{
    std::vector<uint8_t> linkage(module().linkage, module().linkage + 52);
    std::vector<uint8_t> import_table(module().import_table, module().import_table + 16);
    std::vector<std::vector<uint8_t>> headers;
    for (int i = 0; i < 6; ++i) headers.emplace_back(module().header(i), module().header(i) + header_size);

    using routine = void(__stdcall*)();
    const auto init = reinterpret_cast<routine>(pointer_at(module().linkage, 4));
    const auto deinit = reinterpret_cast<routine>(pointer_at(module().linkage, 8));
    deinit();
    init();
    init();
    deinit();

    EXPECT_EQ(std::vector<uint8_t>(module().linkage, module().linkage + 52), linkage);
    EXPECT_EQ(std::vector<uint8_t>(module().import_table, module().import_table + 16), import_table);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(std::vector<uint8_t>(module().header(i), module().header(i) + header_size), headers[static_cast<size_t>(i)])
            << gauges[i].name;
}

// The seven shared routines, as the host calls them through any gauge header.
struct routine_case {
    const char* name;
    size_t header_offset;
    size_t host_slot;
    int arguments;  // 0, or 1: the routine passes its argument on
};

const routine_case routine_cases[] = {
    {"query", 12, panel_slot::element_list_query, 0},
    {"install", 16, panel_slot::element_list_install, 1},
    {"initialize", 20, panel_slot::element_list_initialize, 0},
    {"update", 24, panel_slot::element_list_update, 0},
    {"generate", 28, panel_slot::element_list_generate, 1},
    {"draw", 32, panel_slot::element_list_plot, 0},
    {"kill", 36, panel_slot::element_list_kill, 0},
};

void call_routine(const uint8_t* header, const routine_case& routine, uint32_t argument)
{
    void* const address = pointer_at(header, routine.header_offset);
    if (routine.arguments == 0) {
        reinterpret_cast<void(__stdcall*)()>(address)();
    } else {
        reinterpret_cast<void(__stdcall*)(uint32_t)>(address)(argument);
    }
}

TEST_F(ModuleRecords, EachRoutineOfEachHeaderCallsItsHostOperationOnceWithAPilotsRootElement)
{
    PanelHost host;
    module().connect_panels(host);
    const uint8_t* a_pilot_root = root_element(module().header_named("A_Pilot"));
    for (int i = 0; i < 6; ++i) {
        for (const routine_case& routine : routine_cases) {
            SCOPED_TRACE(std::string(gauges[i].name) + " " + routine.name);
            host.element_calls.clear();
            const uint32_t argument = 0x5EED0000u + static_cast<uint32_t>(i);
            call_routine(module().header(i), routine, argument);
            ASSERT_EQ(host.element_calls.size(), 1u);
            EXPECT_EQ(host.element_calls[0].slot, routine.host_slot);
            EXPECT_EQ(host.element_calls[0].element, a_pilot_root);
            EXPECT_EQ(host.element_calls[0].argument, routine.arguments != 0 ? argument : 0u);
        }
    }
    EXPECT_TRUE(host.events.empty());
    EXPECT_EQ(host.lookups, 0);
}

TEST_F(ModuleRecords, InstallCallsElementListInstallWithAPilotsRootAndTheHandle)
{
    PanelHost host;
    module().connect_panels(host);
    using install_routine = void(__stdcall*)(void* resource_handle);
    const auto install = reinterpret_cast<install_routine>(pointer_at(module().header_named("A_Pilot"), 16));
    install(module().handle);
    ASSERT_EQ(host.element_calls.size(), 1u);
    EXPECT_EQ(host.element_calls[0].slot, panel_slot::element_list_install);
    EXPECT_EQ(host.element_calls[0].element, root_element(module().header_named("A_Pilot")));
    EXPECT_EQ(host.element_calls[0].argument, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(module().handle)));
}

TEST_F(ModuleRecords, RoutinesServeTheGaugeThatTheFirstLinkageEntryDesignates)
{
    PanelHost host;
    module().connect_panels(host);
    void* const first_entry = pointer_at(module().linkage, 24);
    std::vector<uint8_t*> headers;
    for (int i = 0; i < 6; ++i) headers.push_back(module().header(i));
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(gauges[i].name);
        put_pointer(module().linkage, 24, headers[static_cast<size_t>(i)]);
        for (const routine_case& routine : routine_cases) {
            host.element_calls.clear();
            call_routine(headers[0], routine, 1);
            ASSERT_EQ(host.element_calls.size(), 1u) << routine.name;
            EXPECT_EQ(host.element_calls[0].element, root_element(headers[static_cast<size_t>(i)])) << routine.name;
        }
    }
    put_pointer(module().linkage, 24, first_entry);
}

TEST_F(ModuleRecords, OnlyAPilotsPreUpdateServiceUsesTheHostsTable)
{
    PanelHost host;
    module().connect_panels(host);
    for (int i = 0; i < 6; ++i) {
        for (int32_t service = 0; service <= 15; ++service) {
            SCOPED_TRACE(std::string(gauges[i].name) + " service " + std::to_string(service));
            host.events.clear();
            host.element_calls.clear();
            host.lookups = 0;
            call_gauge_callback(module().header(i), service);
            const bool frame = i == 0 && service == service_pre_update;
            EXPECT_EQ(host.lookups > 0, frame);
            if (!frame) {
                EXPECT_TRUE(host.events.empty());
            }
            EXPECT_TRUE(host.element_calls.empty());
        }
    }
}

}  // namespace
