// The virtual host: plays the simulator's part for a gauge module reached only through its
// Linkage and ImportTable records. It offers the panel function table, answers lookup_var from
// a token-to-value table, records every axis event, counts the operations of each frame, and
// serves the gauges in Linkage order. The clock, joysticks and executable path the module sees
// are the virtual devices (platform/virtual_devices.h). Only one host may be live at a time.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

#include "gauges/element_records.h"
#include "module/gauge_header.h"
#include "module/host_abi.h"

// The text buffer the host gives a string element: the characters shown and a terminator, then
// guard bytes that reveal an overrun.
constexpr size_t string_guard_bytes = 16;
constexpr char string_guard = '\x5A';

// A fault of the module's own code (an emulated module raises it): it ends the script as a
// module error, not as a line that could not be carried out.
struct module_fault : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// What the host needs of a loaded module.
struct module_records {
    LINKAGE* linkage;
    IMPORT_TABLE* import_table;
    void* resource_handle;  // handed to the install routine
};

struct recorded_event {
    int frame;  // frames run so far: 1 during the first frame, 0 before any
    uint32_t id;
    int32_t value;
};

// The panel-table operations the host counts, in the order of the table.
enum class host_operation : int {
    element_list_query,
    element_list_install,
    element_list_initialize,
    element_list_update,
    element_list_generate,
    element_list_plot,
    element_list_erase,
    element_list_kill,
    trigger_key_event,
    lookup_var,
    count
};

const char* host_operation_name(host_operation operation);

struct click_result {
    int rect;        // 1-based place among the gauge's child rectangles; 0 when none was hit
    int32_t result;  // the callback's return value
};

// One element's values as the host reads them through its callbacks.
struct element_values {
    int place;  // 1-based place in the chain
    uint32_t kind;
    std::optional<double> value, x, y, rotation;
    std::optional<std::string> text;
    bool overrun = false;
};

class GaugeHost {
public:
    explicit GaugeHost(const module_records& module);
    virtual ~GaugeHost();
    GaugeHost(const GaugeHost&) = delete;
    GaugeHost& operator=(const GaugeHost&) = delete;

    // Host variables.
    void set_var(uint32_t token, double value);
    double var(uint32_t token) const;

    // The gauges as the module declares them, in Linkage order.
    const std::vector<GAUGEHDR*>& gauges() const { return gauges_; }
    GAUGEHDR* find_gauge(const std::string& name) const;
    // The module handle given to the install routines (the module's resources on Windows).
    void* resource_handle() const { return module_.resource_handle; }

    // Query, install and initialize with their services around them, then connect, for every gauge.
    void open();
    // Service 14 to every gauge.
    void connect();
    // The clock advances; every gauge gets pre-update, update, post-update; then pre-draw, draw, post-draw.
    void frame(int count = 1);
    // Disconnect every gauge, then kill each with its services around.
    void close();
    // One call of a gauge's callback.
    void service(GAUGEHDR* gauge, int32_t service_id);

    click_result click(GAUGEHDR* gauge, int32_t x, int32_t y);
    std::vector<element_values> show(GAUGEHDR* gauge);
    // The element at a 1-based place in the gauge's chain; null when the chain is shorter.
    static ELEMENT_HEADER* element_at(GAUGEHDR* gauge, int place);
    // An icon's or a needle's value as show reads it, through its value callback; none for other
    // elements, a null element or one without a callback. Calls that one callback only and
    // allocates nothing.
    static std::optional<double> element_value(ELEMENT_HEADER* element);

    int frames_run() const { return frames_; }
    const std::vector<recorded_event>& events() const { return events_; }
    void clear_events() { events_.clear(); }
    std::vector<recorded_event> last_frame_events() const;

    int calls_in_last_frame(host_operation operation) const
    {
        return last_frame_calls_[static_cast<int>(operation)];
    }
    // The operations called in the last frame, in the order of their first call.
    std::vector<host_operation> last_frame_operations() const;

    // Called by the panel-table entry points.
    void on_lookup_var(MODULE_VAR* var);
    uint32_t on_trigger_key_event(uint32_t event_id, uint32_t value);
    void count_call(host_operation operation);

    static GaugeHost* current() { return current_; }

private:
    template <typename Routine, typename... Args>
    void call_routine(GAUGEHDR* gauge, Routine routine, Args... args);

    static constexpr int operation_count = static_cast<int>(host_operation::count);

    static GaugeHost* current_;
    module_records module_;
    std::vector<GAUGEHDR*> gauges_;
    struct panel_table {
        PANEL_FUNCTIONS functions;
        void* further_operations[32];  // the real table goes on; the module must not reach here
    } panels_{};
    PANEL_FUNCTIONS* previous_panels_ = nullptr;
    // Tokens below direct_tokens in a table (0 where never set), the rest in a map.
    static constexpr uint32_t direct_tokens = 1024;
    std::array<double, direct_tokens> direct_variables_{};
    std::unordered_map<uint32_t, double> variables_;
    std::vector<recorded_event> events_;
    std::array<int, operation_count> calls_{};
    std::array<int, operation_count> first_call_{};
    std::array<int, operation_count> last_frame_calls_{};
    std::array<int, operation_count> last_frame_first_call_{};
    int calls_in_frame_ = 0;
    bool in_frame_ = false;
    int frames_ = 0;
    std::vector<char> string_buffer_;
};
