// A host for the module in tests and tools: it offers the panel function table, answers
// lookup_var from a token-to-value map, records every axis event, counts the operations of
// each frame and drives A_Pilot's gauge callback. Only one host may be live at a time.
#pragma once

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "module/host_abi.h"

struct recorded_event {
    int frame;  // frames run so far: 1 during the first frame
    uint32_t id;
    int32_t value;
};

// Indices of the operations the host counts.
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

class VirtualHost {
public:
    VirtualHost();
    ~VirtualHost();
    VirtualHost(const VirtualHost&) = delete;
    VirtualHost& operator=(const VirtualHost&) = delete;

    void set_var(uint32_t token, double value);
    double var(uint32_t token) const;

    // Services of A_Pilot: a frame advances the clock and runs the pre-update service.
    void connect();
    void frame(int count = 1);
    void service(int32_t service_id);

    int frames_run() const { return frames_; }
    const std::vector<recorded_event>& events() const { return events_; }
    void clear_events() { events_.clear(); }

    // The events of the most recent frame.
    std::vector<recorded_event> last_frame_events() const;

    // How often each operation was called during the last frame.
    int calls_in_last_frame(host_operation operation) const
    {
        return last_frame_calls_[static_cast<int>(operation)];
    }

    // Called by the panel-table trampolines.
    void on_lookup_var(MODULE_VAR* var);
    uint32_t on_trigger_key_event(uint32_t event_id, uint32_t value);
    void count_call(host_operation operation);

    static VirtualHost* current() { return current_; }

private:
    static VirtualHost* current_;
    PANEL_FUNCTIONS panels_{};
    PANEL_FUNCTIONS* previous_panels_ = nullptr;
    std::unordered_map<uint32_t, double> variables_;
    std::vector<recorded_event> events_;
    std::array<int, static_cast<int>(host_operation::count)> calls_{};
    std::array<int, static_cast<int>(host_operation::count)> last_frame_calls_{};
    bool in_frame_ = false;
    int frames_ = 0;
};
