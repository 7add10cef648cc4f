// The host's side for the Windows test programs: a panel function table laid out as the module
// reads it (41 pointer slots, 164 bytes), with __stdcall operations that record what the module
// asks of the host, and helpers that reach the loaded module through its exports alone.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

// Byte offsets of the operations in the panel function table.
namespace panel_slot {
constexpr size_t element_list_query = 96;
constexpr size_t element_list_install = 100;
constexpr size_t element_list_initialize = 104;
constexpr size_t element_list_update = 108;
constexpr size_t element_list_generate = 112;
constexpr size_t element_list_plot = 116;
constexpr size_t element_list_erase = 120;
constexpr size_t element_list_kill = 124;
constexpr size_t trigger_key_event = 144;
constexpr size_t lookup_var = 160;
}  // namespace panel_slot

constexpr size_t panel_table_slots = 41;

// Gauge-header offsets the helpers use.
namespace header_field {
constexpr size_t name = 4;
constexpr size_t element_list = 8;
constexpr size_t install_routine = 16;
constexpr size_t gauge_callback = 84;
}  // namespace header_field

constexpr int32_t service_pre_update = 6;
constexpr int32_t service_connect = 14;

struct element_call {
    size_t slot;          // the operation's offset in the table
    const void* element;  // the element the module passed
    uint32_t argument;    // install: the resource handle; generate: the phase; otherwise 0
};

struct key_event {
    uint32_t id;
    int32_t value;
};

// One host at a time: the operations record into the live one.
class PanelHost {
public:
    PanelHost();
    ~PanelHost();
    PanelHost(const PanelHost&) = delete;
    PanelHost& operator=(const PanelHost&) = delete;

    void* table() { return slots_; }

    std::map<uint32_t, double> variables;  // token → value; lookup_var answers 0.0 for others
    std::vector<key_event> events;
    std::vector<element_call> element_calls;
    int lookups = 0;

    static PanelHost& current();

private:
    void* slots_[panel_table_slots] = {};
    static PanelHost* current_;
};

// The built module file, loaded with LoadLibraryA, seen through its two exports.
struct gauge_module {
    HMODULE handle = nullptr;
    uint8_t* import_table = nullptr;
    uint8_t* linkage = nullptr;

    // The gauge header listed at place i (0 to 5) of Linkage, or the one with that name.
    uint8_t* header(int i) const;
    uint8_t* header_named(const char* name) const;

    // Stores the host's panel function table in ImportTable's first entry.
    void connect_panels(PanelHost& host) const;
};

// Loads BRASK_GAUGE_MODULE; an empty handle when it cannot.
gauge_module load_gauge_module_file();

// Calls a gauge header's callback with a service id, as the host does.
void call_gauge_callback(uint8_t* header, int32_t service_id);

// The events a frame of A_Pilot sends: one pre-update service.
std::vector<key_event> run_frame(const gauge_module& module, PanelHost& host);
