#include "tests/windows/panel_host.h"

#include <cstring>

#include "tests/windows/record_bytes.h"

PanelHost* PanelHost::current_ = nullptr;

namespace {

void record(size_t slot, const void* element, uint32_t argument = 0)
{
    PanelHost::current().element_calls.push_back({slot, element, argument});
}

void __stdcall query(void* element) { record(panel_slot::element_list_query, element); }
void __stdcall install(void* element, void* handle)
{
    record(panel_slot::element_list_install, element, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(handle)));
}
void __stdcall initialize(void* element) { record(panel_slot::element_list_initialize, element); }
void __stdcall update(void* element) { record(panel_slot::element_list_update, element); }
void __stdcall generate(void* element, uint32_t phase) { record(panel_slot::element_list_generate, element, phase); }
void __stdcall plot(void* element) { record(panel_slot::element_list_plot, element); }
void __stdcall erase(void* element) { record(panel_slot::element_list_erase, element); }
void __stdcall kill(void* element) { record(panel_slot::element_list_kill, element); }

uint32_t __stdcall trigger_key_event(uint32_t event_id, uint32_t value)
{
    PanelHost::current().events.push_back({event_id, static_cast<int32_t>(value)});
    return 0;
}

// MODULE_VAR: the token at 0, the value (a double) at 12.
void __stdcall lookup_var(void* var)
{
    PanelHost& host = PanelHost::current();
    ++host.lookups;
    const auto found = host.variables.find(u32_at(var, 0));
    const double value = found == host.variables.end() ? 0.0 : found->second;
    std::memcpy(static_cast<uint8_t*>(var) + 12, &value, sizeof value);
}

template <typename Function>
void put(void** slots, size_t offset, Function* function)
{
    slots[offset / sizeof(void*)] = reinterpret_cast<void*>(function);
}

}  // namespace

PanelHost::PanelHost()
{
    put(slots_, panel_slot::element_list_query, &query);
    put(slots_, panel_slot::element_list_install, &install);
    put(slots_, panel_slot::element_list_initialize, &initialize);
    put(slots_, panel_slot::element_list_update, &update);
    put(slots_, panel_slot::element_list_generate, &generate);
    put(slots_, panel_slot::element_list_plot, &plot);
    put(slots_, panel_slot::element_list_erase, &erase);
    put(slots_, panel_slot::element_list_kill, &kill);
    put(slots_, panel_slot::trigger_key_event, &trigger_key_event);
    put(slots_, panel_slot::lookup_var, &lookup_var);
    current_ = this;
}

PanelHost::~PanelHost()
{
    if (current_ == this) current_ = nullptr;
}

PanelHost& PanelHost::current()
{
    return *current_;
}

uint8_t* gauge_module::header(int i) const
{
    return static_cast<uint8_t*>(pointer_at(linkage, 24 + 4 * static_cast<size_t>(i)));
}

uint8_t* gauge_module::header_named(const char* name) const
{
    for (int i = 0; i < 6; ++i)
        if (std::strcmp(static_cast<const char*>(pointer_at(header(i), header_field::name)), name) == 0) return header(i);
    return nullptr;
}

void gauge_module::connect_panels(PanelHost& host) const
{
    put_pointer(import_table, 4, host.table());
}

gauge_module load_gauge_module_file()
{
    gauge_module module;
    module.handle = LoadLibraryA(BRASK_GAUGE_MODULE);
    if (module.handle == nullptr) return module;
    module.import_table = reinterpret_cast<uint8_t*>(GetProcAddress(module.handle, "ImportTable"));
    module.linkage = reinterpret_cast<uint8_t*>(GetProcAddress(module.handle, "Linkage"));
    return module;
}

void call_gauge_callback(uint8_t* header, int32_t service_id)
{
    using gauge_callback = void(__stdcall*)(void* gauge, int32_t service_id, uint32_t extra_data);
    reinterpret_cast<gauge_callback>(pointer_at(header, header_field::gauge_callback))(header, service_id, 0);
}

std::vector<key_event> run_frame(const gauge_module& module, PanelHost& host)
{
    host.events.clear();
    call_gauge_callback(module.header_named("A_Pilot"), service_pre_update);
    return host.events;
}
