// The recorder's state, one record at the host's edge: what it is doing, the card's progress,
// the file and its buffer, this frame's samples. No heap: the buffer is the whole memory budget,
// however long the recording runs.
#pragma once

#include <cstdint>

#include "input/joystick.h"
#include "module/host_abi.h"
#include "platform/platform.h"
#include "recorder/recorded_variables.h"

// What the recorder is doing, or why it stopped; the gauge shows it.
enum class recorder_status : int32_t {
    ready,         // no recording since the panel loaded
    recording,
    finished,      // the card flown to its end, or stopped by the pilot: the file complete and closed
    no_file,       // no new file could be made in the gauges folder (no folder, read-only, all names taken)
    disk_full,     // a write did not fit: the file holds the rows before it
    write_failed,  // the file can no longer be written (deleted, its drive gone)
};

inline constexpr uint32_t recorder_buffer_bytes = 32768;  // rows waiting for their write: about 7 s of them
inline constexpr uint32_t longest_row_bytes = 1024;
inline constexpr uint32_t recorder_path_bytes = 260;      // the longest path Windows 9x takes

// Where the pilot is on the card.
struct card_progress {
    int32_t step = 0;                // index into the card
    int32_t take = 0;                // 1 for a step's first flight, 2 after a repeat, ...
    int64_t step_start_counter = 0;
    double step_time_s = 0.0;
    double cue = 0.0;                // fraction of full deflection from the trimmed position
    double trimmed_position = 0.0;   // the step's control as it stood when the input began, axis units
    double stick = 0.0;              // the step's control now, fraction of full deflection from trim
};

struct recorder_output {
    platform_file file = platform_no_file;
    char path[recorder_path_bytes] = {};
    char buffer[recorder_buffer_bytes] = {};
    uint32_t buffered = 0;
    int64_t last_write_counter = 0;
};

struct recorder_state {
    recorder_status status = recorder_status::ready;
    int64_t counter_frequency = 0;
    int64_t counter_now = 0;
    int64_t start_counter = 0;
    uint32_t rows = 0;
    card_progress card;
    recorder_output output;
    MODULE_VAR vars[recorded_variable_count] = {};
    double values[recorded_variable_count] = {};
    double first_values[recorded_variable_count] = {};
    int32_t changed[recorded_variable_count] = {};
    joystick_state joysticks = {};
};

// The state as the module loads: each host-variable record holding its token.
constexpr recorder_state initial_recorder_state()
{
    recorder_state r{};
    for (int i = 0; i < recorded_variable_count; ++i) r.vars[i].token = recorded_variables[i].token;
    return r;
}
