#include "recorder/recording.h"

#include "platform/platform.h"
#include "recorder/csv_text.h"
#include "recorder/flight_card.h"

namespace {
constexpr double write_period_s = 1.0;      // rows reach the file at least this often
constexpr double full_deflection = 16384.0;  // axis units
constexpr int32_t most_recordings = 999;
const char* const file_stem = "gauges\\BRASK_REC_";

text_writer buffer_writer(recorder_output& out)
{
    return {out.buffer + out.buffered, recorder_buffer_bytes - out.buffered, 0, 0};
}

// The rows buffered so far, written in one piece; a fault closes the file and says which.
void write_buffered(recorder_state& r)
{
    recorder_output& out = r.output;
    if (out.buffered == 0) return;
    const int32_t written = platform_write_file(out.file, out.buffer, out.buffered);
    out.buffered = 0;
    out.last_write_counter = r.counter_now;
    if (written == platform_write_done) return;
    r.status = written == platform_write_disk_full ? recorder_status::disk_full : recorder_status::write_failed;
    platform_close_file(out.file);
    out.file = platform_no_file;
}

// "gauges\BRASK_REC_007.csv" beside the simulator's executable.
bool recording_path(char* path, int32_t number)
{
    char executable[recorder_path_bytes];
    const uint32_t length = platform_module_file_name(executable, recorder_path_bytes);
    if (length == 0 || length >= recorder_path_bytes) return false;
    executable[length] = '\0';
    char drive[platform_drive_size];
    char directory[platform_directory_size];
    platform_split_path(executable, drive, directory);
    text_writer out{path, recorder_path_bytes - 1, 0, 0};
    append_text(out, drive);
    append_text(out, directory);
    append_text(out, file_stem);
    append_char(out, static_cast<char>('0' + number / 100));
    append_char(out, static_cast<char>('0' + number / 10 % 10));
    append_char(out, static_cast<char>('0' + number % 10));
    append_text(out, ".csv");
    path[out.length] = '\0';
    return out.overflowed == 0;
}

// A file of a number no recording has taken yet.
bool open_new_file(recorder_output& out)
{
    for (int32_t number = 1; number <= most_recordings; ++number) {
        if (!recording_path(out.path, number)) return false;
        const int32_t result = platform_create_new_file(out.path, &out.file);
        if (result == platform_file_created) return true;
        if (result == platform_file_failed) return false;
    }
    return false;
}

void append_header(recorder_output& out)
{
    text_writer w = buffer_writer(out);
    append_text(w, "time_s,frame,step,take,cue,stick");
    for (const recorded_variable& v : recorded_variables) {
        append_char(w, ',');
        append_text(w, v.column);
    }
    for (int32_t slot = 1; slot <= axis_table_slots; ++slot) {
        append_text(w, ",axis_");
        append_integer(w, slot);
    }
    append_text(w, ",buttons\n");
    out.buffered += w.length;
}

// The index among the recorded variables of the control a card axis moves.
int32_t control_of(card_axis axis)
{
    const uint32_t token = axis == card_axis::roll      ? host_token::control_313
                           : axis == card_axis::pitch   ? host_token::control_317
                           : axis == card_axis::pedals  ? host_token::control_316
                                                        : host_token::collective;
    for (int32_t i = 0; i < recorded_variable_count; ++i)
        if (recorded_variables[i].token == token) return i;
    return 0;
}

double seconds_between(const recorder_state& r, int64_t from, int64_t to)
{
    return r.counter_frequency > 0 ? static_cast<double>(to - from) / static_cast<double>(r.counter_frequency) : 0.0;
}

void begin_step(recorder_state& r, int32_t step, int32_t take)
{
    r.card.step = step;
    r.card.take = take;
    r.card.step_start_counter = r.counter_now;
    r.card.step_time_s = 0.0;
    r.card.cue = 0.0;
}

// The step's time, its cue, and where its control stands against where it was trimmed.
void follow_card(recorder_state& r)
{
    card_progress& card = r.card;
    const card_step& step = flight_card[card.step];
    card.step_time_s = seconds_between(r, card.step_start_counter, r.counter_now);
    card.cue = card_cue(step, card.step_time_s);
    card.stick = 0.0;
    if (step.axis == card_axis::none) return;
    const double position = r.values[control_of(step.axis)];
    if (card.step_time_s < step.lead_in_s) card.trimmed_position = position;
    card.stick = (position - card.trimmed_position) / full_deflection;
}

void append_row(recorder_state& r)
{
    text_writer w = buffer_writer(r.output);
    append_fixed(w, seconds_between(r, r.start_counter, r.counter_now), 4);
    append_char(w, ',');
    append_integer(w, r.rows);
    append_char(w, ',');
    append_integer(w, r.card.step + 1);
    append_char(w, ',');
    append_integer(w, r.card.take);
    append_char(w, ',');
    append_fixed(w, r.card.cue, 4);
    append_char(w, ',');
    append_fixed(w, r.card.stick, 4);
    for (int32_t i = 0; i < recorded_variable_count; ++i) {
        append_char(w, ',');
        append_fixed(w, r.values[i] * recorded_variables[i].scale, recorded_variables[i].decimals);
    }
    for (int32_t slot = 1; slot <= axis_table_slots; ++slot) {
        append_char(w, ',');
        append_fixed(w, r.joysticks.axis_table[slot], 0);
    }
    append_char(w, ',');
    append_integer(w, r.joysticks.joy0_buttons);
    append_char(w, '\n');
    r.output.buffered += w.length;
    ++r.rows;
}

// A variable the autopilot does not read counts once it has taken a second value.
void note_changes(recorder_state& r)
{
    for (int32_t i = 0; i < recorded_variable_count; ++i) {
        if (r.rows == 0) r.first_values[i] = r.values[i];
        else if (r.values[i] != r.first_values[i]) r.changed[i] = 1;
    }
}

// The closing line: the rows, and the variables a reader should not trust.
void append_footer(recorder_state& r)
{
    text_writer w = buffer_writer(r.output);
    append_text(w, "# ");
    append_integer(w, r.rows);
    append_text(w, " rows; never changed, not to be trusted:");
    for (int32_t i = 0; i < recorded_variable_count; ++i) {
        if (recorded_variables[i].unproven == 0 || r.changed[i] != 0) continue;
        append_char(w, ' ');
        append_text(w, recorded_variables[i].column);
    }
    append_char(w, '\n');
    r.output.buffered += w.length;
}
}  // namespace

void recorder_start(recorder_state& r)
{
    if (r.status == recorder_status::recording) return;
    platform_query_performance_frequency(&r.counter_frequency);
    platform_query_performance_counter(&r.counter_now);
    r.output.buffered = 0;
    if (!open_new_file(r.output)) {
        r.status = recorder_status::no_file;
        return;
    }
    r.status = recorder_status::recording;
    r.start_counter = r.counter_now;
    r.output.last_write_counter = r.counter_now;
    r.rows = 0;
    for (int32_t i = 0; i < recorded_variable_count; ++i) r.changed[i] = 0;
    discover_joysticks(r.joysticks);
    append_header(r.output);
    begin_step(r, 0, 1);
}

void recorder_repeat_step(recorder_state& r)
{
    if (r.status == recorder_status::recording) begin_step(r, r.card.step, r.card.take + 1);
}

void recorder_skip_step(recorder_state& r)
{
    if (r.status != recorder_status::recording) return;
    if (r.card.step + 1 < flight_card_steps) begin_step(r, r.card.step + 1, 1);
    else recorder_stop(r);
}

void recorder_stop(recorder_state& r)
{
    if (r.status != recorder_status::recording) return;
    append_footer(r);
    write_buffered(r);
    if (r.status != recorder_status::recording) return;  // the last write failed, and said so
    const bool flushed = platform_flush_file(r.output.file);
    platform_close_file(r.output.file);
    r.output.file = platform_no_file;
    r.status = flushed ? recorder_status::finished : recorder_status::write_failed;
}

void recorder_frame(recorder_state& r)
{
    if (r.status != recorder_status::recording) return;
    platform_query_performance_counter(&r.counter_now);
    poll_joysticks(r.joysticks);
    follow_card(r);
    note_changes(r);
    append_row(r);
    const bool buffer_nearly_full = r.output.buffered + longest_row_bytes > recorder_buffer_bytes;
    if (buffer_nearly_full || seconds_between(r, r.output.last_write_counter, r.counter_now) >= write_period_s)
        write_buffered(r);
    if (r.status == recorder_status::recording && r.card.step_time_s >= step_seconds(flight_card[r.card.step]))
        recorder_skip_step(r);
}

double step_seconds_left(const recorder_state& r)
{
    const double left = step_seconds(flight_card[r.card.step]) - r.card.step_time_s;
    return left > 0.0 ? left : 0.0;
}
