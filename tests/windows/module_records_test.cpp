// The records of the loaded module, read back byte by byte at their documented offsets
// (ImportTable, Linkage, the six gauge headers, the root elements, A_Pilot's mouse list), and
// the shared element-list routines and gauge callbacks called as the host calls them.
#include <windows.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/windows/panel_host.h"
#include "tests/windows/pe_image.h"
#include "tests/windows/record_bytes.h"

namespace {

constexpr size_t header_size = 200;
constexpr size_t static_image_size = 96;
constexpr size_t mouse_rect_size = 44;

struct gauge_facts {
    const char* name;
    uint32_t size_mm;
    uint32_t bitmap;
    uint32_t image_flags;
};

const gauge_facts gauges[] = {
    {"A_Pilot", 20, 4096, 0x7},
    {"AP_Panel_1", 200, 4720, 0x3},
    {"AP_YoySet", 150, 4688, 0x3},
    {"V_Contrl_key", 12, 4864, 0x3},
    {"V_Lamp", 50, 4912, 0x3},
    {"IN_4", 150, 4944, 0x3},
};

// Every byte of [from, to) is zero.
::testing::AssertionResult zero_bytes(const void* record, size_t from, size_t to)
{
    const auto* bytes = static_cast<const uint8_t*>(record);
    for (size_t i = from; i < to; ++i)
        if (bytes[i] != 0) return ::testing::AssertionFailure() << "byte " << i << " is " << int(bytes[i]);
    return ::testing::AssertionSuccess();
}

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

    // Whether an address lies in an executable section of the loaded module.
    static bool in_module_code(const void* address)
    {
        const auto* base = reinterpret_cast<const uint8_t*>(module_.handle);
        const uint32_t pe = u32_at(base, 0x3C);
        const uint32_t image_size = u32_at(base, pe + 4 + 20 + 56);
        const PeImage image(base, image_size, PeImage::layout::mapped);
        const auto rva = static_cast<uint32_t>(static_cast<const uint8_t*>(address) - base);
        if (static_cast<const uint8_t*>(address) < base || rva >= image_size) return false;
        const PeImage::section* section = image.section_of(rva);
        return section != nullptr && (section->characteristics & PeImage::section_executes) != 0;
    }

    static gauge_module module_;
};

gauge_module ModuleRecords::module_;

TEST_F(ModuleRecords, ImportTableAtLoadHoldsThePanelsEntryWithANullPointerThenTheEnd)
{
    const uint8_t* table = module().import_table;
    EXPECT_EQ(u32_at(table, 0), 0x0Fu);
    EXPECT_EQ(pointer_at(table, 4), nullptr);
    EXPECT_EQ(u32_at(table, 8), 0u);
    EXPECT_EQ(pointer_at(table, 12), nullptr);
}

TEST_F(ModuleRecords, LinkageNamesOneInitAndDeinitRoutineAndListsTheSixHeadersInOrder)
{
    const uint8_t* linkage = module().linkage;
    EXPECT_EQ(u32_at(linkage, 0), 0x13u);
    EXPECT_NE(pointer_at(linkage, 4), nullptr);
    EXPECT_EQ(pointer_at(linkage, 4), pointer_at(linkage, 8)) << "init and deinit are one routine";
    EXPECT_TRUE(in_module_code(pointer_at(linkage, 4)));
    EXPECT_EQ(u32_at(linkage, 12), 0u);     // flags
    EXPECT_EQ(u32_at(linkage, 16), 0u);     // priority
    EXPECT_EQ(u32_at(linkage, 20), 0x800u);  // module version
    std::set<void*> headers;
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(gauges[i].name);
        void* header = pointer_at(linkage, 24 + 4 * static_cast<size_t>(i));
        ASSERT_NE(header, nullptr);
        headers.insert(header);
        EXPECT_STREQ(static_cast<const char*>(pointer_at(header, header_field::name)), gauges[i].name);
    }
    EXPECT_EQ(headers.size(), 6u);
    EXPECT_EQ(pointer_at(linkage, 48), nullptr) << "the list ends with a null pointer";
}

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

TEST_F(ModuleRecords, EachGaugeHeaderHoldsItsNameSizeRootAndTheSharedRoutinesAndNothingElse)
{
    const uint8_t* first = module().header(0);
    std::set<void*> routines;
    for (size_t offset = 12; offset <= 36; offset += 4) {
        EXPECT_TRUE(in_module_code(pointer_at(first, offset))) << "routine at " << offset;
        routines.insert(pointer_at(first, offset));
    }
    EXPECT_EQ(routines.size(), 7u) << "seven different routines";

    for (int i = 0; i < 6; ++i) {
        const gauge_facts& facts = gauges[i];
        SCOPED_TRACE(facts.name);
        const uint8_t* header = module().header(i);
        EXPECT_EQ(u32_at(header, 0), 800u);
        EXPECT_STREQ(static_cast<const char*>(pointer_at(header, 4)), facts.name);
        const void* list = pointer_at(header, 8);
        ASSERT_NE(list, nullptr);
        EXPECT_NE(pointer_at(list, 0), nullptr) << "the root element";
        EXPECT_EQ(pointer_at(list, 4), nullptr) << "then null";
        for (size_t offset = 12; offset <= 36; offset += 4)
            EXPECT_EQ(pointer_at(header, offset), pointer_at(first, offset)) << "routine at " << offset;
        EXPECT_EQ(u32_at(header, 44), facts.size_mm);
        EXPECT_NE(pointer_at(header, 80), nullptr) << "mouse list";
        EXPECT_TRUE(in_module_code(pointer_at(header, 84))) << "gauge callback";

        EXPECT_TRUE(zero_bytes(header, 40, 44));
        EXPECT_TRUE(zero_bytes(header, 48, 80));
        EXPECT_TRUE(zero_bytes(header, 88, header_size));
    }
}

TEST_F(ModuleRecords, APilotAndAPYoySetHaveTheirOwnCallbacksTheOtherFourShareOne)
{
    void* const a_pilot = pointer_at(module().header_named("A_Pilot"), 84);
    void* const ap_yoyset = pointer_at(module().header_named("AP_YoySet"), 84);
    void* const common = pointer_at(module().header_named("AP_Panel_1"), 84);
    EXPECT_NE(a_pilot, ap_yoyset);
    EXPECT_NE(a_pilot, common);
    EXPECT_NE(ap_yoyset, common);
    for (const char* name : {"V_Contrl_key", "V_Lamp", "IN_4"})
        EXPECT_EQ(pointer_at(module().header_named(name), 84), common) << name;
}

TEST_F(ModuleRecords, EachRootElementIsAStaticImageOfTheGaugesBackgroundBitmap)
{
    for (int i = 0; i < 6; ++i) {
        const gauge_facts& facts = gauges[i];
        SCOPED_TRACE(facts.name);
        const uint8_t* header = module().header(i);
        const uint8_t* root = root_element(header);
        ASSERT_NE(root, nullptr);
        EXPECT_EQ(u32_at(root, 0), 0u) << "static image";
        EXPECT_EQ(u32_at(root, 4), facts.bitmap);
        EXPECT_EQ(i32_at(root, 8), 0);
        EXPECT_EQ(i32_at(root, 12), 0);
        EXPECT_TRUE(zero_bytes(root, 16, 32)) << "previous position and offset point";
        EXPECT_EQ(pointer_at(root, 32), header) << "owning gauge header";
        EXPECT_EQ(pointer_at(root, 36), nullptr);
        EXPECT_EQ(pointer_at(root, 44), nullptr) << "failure record";
        EXPECT_EQ(u32_at(root, 48), facts.image_flags);
        EXPECT_TRUE(zero_bytes(root, 52, 60));
    }
    // A_Pilot's image has no children and nothing beyond the header.
    const uint8_t* a_pilot_root = root_element(module().header_named("A_Pilot"));
    EXPECT_EQ(pointer_at(a_pilot_root, 40), nullptr);
    EXPECT_TRUE(zero_bytes(a_pilot_root, 60, static_image_size));
}

TEST_F(ModuleRecords, APilotsMouseListIsTheParentFrameAlone)
{
    const uint8_t* list = static_cast<const uint8_t*>(pointer_at(module().header_named("A_Pilot"), 80));
    const uint32_t kinds[] = {1, 3, 0};  // parent begin, parent end, end of list
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const uint8_t* record = list + i * mouse_rect_size;
        EXPECT_EQ(u32_at(record, 0), kinds[i]);
        EXPECT_EQ(i32_at(record, 20), -1) << "no cursor";
        EXPECT_TRUE(zero_bytes(record, 24, mouse_rect_size)) << "help id, flags, event, callback, host data";
    }
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
