// The virtual host: plays the simulator's part for a gauge module reached only through its
// Linkage and ImportTable records. It offers the panel function table, answers lookup_var from
// a token-to-value table, records every axis event, counts the operations of each frame, and
// serves the gauges in Linkage order. The clock, joysticks and executable path the module sees
// are the virtual devices (platform/virtual_devices.h). One host may be live at a time on a thread:
// the linked module's records at the host's edge, and the virtual devices, are one per thread.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
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
    // The module file's name without ".gau", as a panel.cfg's gauge lines name it.
    std::string name;
    // A header of the host's own for one more instance of a gauge, as the module will see it;
    // when empty the host copies the header itself (the module reads the copy in place).
    std::function<GAUGEHDR*(GAUGEHDR* gauge)> new_instance;
};

// A module file's name as a panel.cfg names it: the path's last part without ".gau" (any letter case).
std::string module_name_of(const std::string& path);

// Where a panel places one instance of one of the module's gauges.
struct instance_place {
    GAUGEHDR* gauge;     // the module's header
    std::string window;  // "Window01", "VCockpit01": instances of one window open and close together
    bool window_open = true;
};

// The order in which the host serves the instances within a frame, which the simulator does not
// document: as placed (the panel's windows by number, the gauges of each by number), the
// reverse, or window by window (each window's instances updated and drawn before the next's).
enum class serve_order { listed, reversed, by_window };

struct gauge_instance {
    GAUGEHDR* header;  // what the module's routines and callback get: the module's own header, or a panel instance's copy
    GAUGEHDR* gauge;   // the module's header
    int window;        // index into the host's windows
    bool installed = false;
};

struct host_window {
    std::string name;
    bool open = true;
    bool open_at_load = true;  // as the panel opens it, and a reload opens it again
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
    // The host serves the module's gauges, then those of each further module beside it (the
    // recorder's, say), as a simulator serves every module its panel names.
    explicit GaugeHost(const module_records& module, const std::vector<module_records>& beside = {});
    virtual ~GaugeHost();
    GaugeHost(const GaugeHost&) = delete;
    GaugeHost& operator=(const GaugeHost&) = delete;

    // Host variables.
    void set_var(uint32_t token, double value);
    double var(uint32_t token) const;

    // The gauges as the modules declare them, in Linkage order, the first module's first.
    const std::vector<GAUGEHDR*>& gauges() const { return gauges_; }
    GAUGEHDR* find_gauge(const std::string& name) const;
    // The module handle given to the install routines (the module's resources on Windows): the
    // first module's, or that of the module that declares the gauge.
    void* resource_handle() const { return module_.resource_handle; }
    void* resource_handle(const GAUGEHDR* gauge) const { return module_of(gauge).resource_handle; }
    // The name of the module that declares the gauge.
    const std::string& module_name(const GAUGEHDR* gauge) const { return module_of(gauge).name; }

    // Without a panel the host serves one instance of each gauge, in Linkage order, with the
    // module's own header, in one window that stays open. place() puts instances where a panel
    // puts them instead, each with a header of its own; the host must be closed (or never opened).
    void place(const std::vector<instance_place>& places);
    const std::vector<gauge_instance>& instances() const { return instances_; }
    const std::vector<host_window>& windows() const { return windows_; }
    void set_serve_order(serve_order order);
    // Whether the instances of a closed window still get the update services each frame.
    void serve_closed_windows(bool served) { serve_closed_ = served; }
    // Counter ticks that pass between one instance's update and the next within a frame, as on
    // a real machine (0: none, the counter stands still for the whole frame). The frame's first
    // instance sees the frame's counter, and frames stay the clock's step apart.
    void set_ticks_between_instances(int64_t ticks) { ticks_apart_ = ticks; }

    // Query, install and initialize with their services around them for every instance not
    // installed, then connect.
    void open();
    // Service 14 to every instance of an open window.
    void connect();
    // The clock advances; every instance of an open window (with serve_closed_windows, every
    // instance) gets pre-update, update, post-update; then those of open windows get pre-draw,
    // draw, post-draw. by_window: window after window, each updated then drawn.
    void frame(int count = 1);
    // Disconnect every instance of an open window, then kill each with its services around.
    void close();
    // The pilot opens or closes a window: its instances are connected (on opening, when
    // installed) or disconnected. False when no window has that name (letter case ignored).
    bool open_window(const std::string& name);
    bool close_window(const std::string& name);
    // The panel is loaded again (the pilot reloads or changes aircraft): close, every window back
    // as the panel opens it, then open.
    void reload();
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
    const std::string& module_name() const { return module_.name; }

private:
    template <typename Routine, typename... Args>
    void call_routine(const gauge_instance& instance, Routine routine, Args... args);
    // The module that declares the gauge (its own header, or an instance's copy of it).
    const module_records& module_of(const GAUGEHDR* gauge) const;
    // Lists the instances in the order they are served (kept, so that a frame allocates nothing).
    void order_instances();
    bool updated(const gauge_instance& instance) const;
    void update_instance(const gauge_instance& instance);
    void draw_instance(const gauge_instance& instance);
    bool set_window(const std::string& name, bool open);
    // The index of the window of that name (letter case ignored), or the number of windows.
    size_t find_window(const std::string& name) const;

    static constexpr int operation_count = static_cast<int>(host_operation::count);

    static thread_local GaugeHost* current_;
    module_records module_;
    std::vector<module_records> modules_;  // the first, then those beside it
    std::vector<size_t> gauge_modules_;    // per gauge of gauges_, its module's index
    std::vector<GAUGEHDR*> gauges_;
    std::vector<gauge_instance> instances_;
    std::vector<host_window> windows_;
    std::deque<GAUGEHDR> header_copies_;  // the instances' headers when the host copies them
    serve_order order_ = serve_order::listed;
    std::vector<gauge_instance*> serving_;
    bool serve_closed_ = false;
    int64_t ticks_apart_ = 0;
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
