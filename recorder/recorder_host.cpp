// The recorder's records at the host's edge and its gauge's callbacks.
#include "gauges/mouse_click.h"
#include "platform/module_precision.h"
#include "recorder/csv_text.h"
#include "recorder/flight_card.h"
#include "recorder/recorder_module.h"
#include "recorder/recording.h"

ONE_PER_HOST recorder_state the_recorder = initial_recorder_state();

// The host writes its panel function table into the first entry before it calls us.
ONE_PER_HOST IMPORT_TABLE recorder_import_table = {
    {IMPORT_ID_PANELS, nullptr},
    {0x00000000, nullptr},
};

namespace {
ONE_PER_HOST const GAUGEHDR* recording_instance = nullptr;

// The text into the host's buffer of the string element, cut to what it shows.
double show_text(ELEMENT_HEADER* element, const char* text, double value)
{
    auto* string = reinterpret_cast<ELEMENT_STRING*>(element);
    if (string->text == nullptr) return value;
    text_writer out{string->text, string->characters_shown, 0, 0};
    append_text(out, text);
    string->text[out.length] = '\0';
    return value;
}

const char* status_text(recorder_status status)
{
    switch (status) {
    case recorder_status::ready: return "READY: CLICK START";
    case recorder_status::recording: return "";
    case recorder_status::finished: return "DONE: FILE CLOSED";
    case recorder_status::no_file: return "NO FILE: FOLDER READ-ONLY?";
    case recorder_status::disk_full: return "STOPPED: DISK FULL";
    case recorder_status::write_failed: return "STOPPED: FILE LOST";
    }
    return "";
}
}  // namespace

void sample_recorded_variables(recorder_state& r)
{
    for (int32_t i = 0; i < recorded_variable_count; ++i) {
        recorder_import_table.panels_entry.panels->lookup_var(&r.vars[i]);
        r.values[i] = r.vars[i].value;
    }
}

void HOST_CALL recorder_gauge_callback(GAUGEHDR* gauge, int32_t service_id, uint32_t)
{
    at_module_precision([&] {
        if (service_id == PANEL_SERVICE_PRE_UPDATE) {
            if (recording_instance == nullptr) recording_instance = gauge;
            if (recording_instance != gauge) return;
            sample_recorded_variables(the_recorder);
            recorder_frame(the_recorder);
        }
        if (service_id == PANEL_SERVICE_PRE_KILL && gauge == recording_instance) {
            recorder_stop(the_recorder);
            recording_instance = nullptr;
        }
    });
}

// A lamp lit (image 0) while recording; image 1 names no bitmap and draws nothing.
double HOST_CALL rec_lamp_value(ELEMENT_HEADER*)
{
    return at_module_precision([&] { return the_recorder.status == recorder_status::recording ? 0.0 : 1.0; });
}

// The step's title while recording, else what the recorder is doing or why it stopped.
double HOST_CALL title_text(ELEMENT_HEADER* element)
{
    return at_module_precision([&] {
        const recorder_state& r = the_recorder;
        const bool recording = r.status == recorder_status::recording;
        const char* text = recording ? flight_card[r.card.step].title : status_text(r.status);
        return show_text(element, text, static_cast<double>(r.card.step) * 16.0 + static_cast<double>(r.status));
    });
}

double HOST_CALL instruction_text(ELEMENT_HEADER* element)
{
    return at_module_precision([&] {
        const recorder_state& r = the_recorder;
        const bool recording = r.status == recorder_status::recording;
        const card_step& step = flight_card[r.card.step];
        const bool lead_in = r.card.step_time_s < step.lead_in_s;
        const char* text = !recording ? "" : lead_in ? "TRIM AND HOLD STILL" : step.instruction;
        return show_text(element, text, recording ? (lead_in ? 1.0 : 2.0) + r.card.step * 4.0 : 0.0);
    });
}

// "REC 1:23": the time left of the step.
double HOST_CALL time_left_text(ELEMENT_HEADER* element)
{
    return at_module_precision([&] {
        const recorder_state& r = the_recorder;
        if (r.status != recorder_status::recording) return show_text(element, "", -1.0);
        const auto seconds = static_cast<int64_t>(step_seconds_left(r) + 0.999);
        char text[16];
        text_writer out{text, sizeof text - 1, 0, 0};
        append_text(out, "REC ");
        append_integer(out, seconds / 60);
        append_char(out, ':');
        append_char(out, static_cast<char>('0' + seconds % 60 / 10));
        append_char(out, static_cast<char>('0' + seconds % 10));
        text[out.length] = '\0';
        return show_text(element, text, static_cast<double>(seconds));
    });
}

// The markers stand at the centre while nothing is recorded.
double HOST_CALL cue_marker_value(ELEMENT_HEADER*)
{
    return at_module_precision([&] { return the_recorder.status == recorder_status::recording ? the_recorder.card.cue : 0.0; });
}

double HOST_CALL stick_marker_value(ELEMENT_HEADER*)
{
    return at_module_precision([&] {
        const double stick = the_recorder.status == recorder_status::recording ? the_recorder.card.stick : 0.0;
        return stick > 0.2 ? 0.2 : stick < -0.2 ? -0.2 : stick;  // the scale's ends
    });
}

int32_t HOST_CALL start_stop_click(PIXPOINT*, uint32_t)
{
    return handle_click([] {
        if (the_recorder.status == recorder_status::recording) recorder_stop(the_recorder);
        else recorder_start(the_recorder);
    });
}

int32_t HOST_CALL repeat_click(PIXPOINT*, uint32_t)
{
    return handle_click([] { recorder_repeat_step(the_recorder); });
}

int32_t HOST_CALL skip_click(PIXPOINT*, uint32_t)
{
    return handle_click([] { recorder_skip_step(the_recorder); });
}
