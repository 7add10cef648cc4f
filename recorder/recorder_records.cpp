// The Recorder gauge's element chain, mouse rectangles and header, and the module's linkage.
// The chain is defined from its last element back to its root.
#include "gauges/gauge_records.h"
#include "recorder/recorder_module.h"

namespace {
constexpr uint32_t recorder_module_id = 0x14;
constexpr uint32_t recorder_module_version = 0x800;
constexpr uint32_t panel_bitmap = 5120;
constexpr uint32_t rec_lamp_bitmap = 5121;     // lit; image 1 (5122) does not exist and draws nothing
constexpr uint32_t cue_marker_bitmap = 5123;
constexpr uint32_t stick_marker_bitmap = 5124;
constexpr double pixels_per_deflection = 750.0;  // the scale's ±150 pixels are ±20 % of full deflection
constexpr GAUGEHDR* gauge = &recorder_gauge;

constexpr string_style line_style(int32_t width, uint32_t colour, uint32_t characters)
{
    return {{width, 18}, colour, 0x00000000, 0x00000000, "Arial", 700, 0, 0, characters};
}

// 7: the stick's marker, 6: the cue's, on the scale centred at x 200.
ELEMENT_SLIDER stick_marker = slider(stick_marker_bitmap, {197, 66}, flags_bright, stick_marker_value,
                                     pixels_per_deflection, nullptr, 0.0, gauge, nullptr);
ELEMENT_HEADER* after_cue_marker[2] = {&stick_marker.header, nullptr};
ELEMENT_SLIDER cue_marker = slider(cue_marker_bitmap, {194, 52}, flags_bright, cue_marker_value, pixels_per_deflection,
                                   nullptr, 0.0, gauge, after_cue_marker);
ELEMENT_HEADER* after_time_left[2] = {&cue_marker.header, nullptr};
// 5: the time left of the step, "REC 1:23".
ELEMENT_STRING time_left = string_field({306, 8}, flags_digits, line_style(88, 0x003030F0, 9), time_left_text,
                                        gauge, after_time_left);
ELEMENT_HEADER* after_instruction[2] = {&time_left.header, nullptr};
// 4: what to do now.
ELEMENT_STRING instruction = string_field({40, 30}, flags_digits, line_style(354, 0x00D4E0E0, 40), instruction_text,
                                          gauge, after_instruction);
ELEMENT_HEADER* after_title[2] = {&instruction.header, nullptr};
// 3: the step's title, or the recorder's state.
ELEMENT_STRING title = string_field({40, 8}, flags_digits, line_style(262, 0x0028C8EE, 28), title_text, gauge,
                                    after_title);
ELEMENT_HEADER* after_lamp[2] = {&title.header, nullptr};
// 2: REC lamp.
ELEMENT_ICON rec_lamp = icon(rec_lamp_bitmap, {10, 8}, flags_bright, 2, rec_lamp_value, gauge, after_lamp);
ELEMENT_HEADER* after_background[2] = {&rec_lamp.header, nullptr};
// 1: the panel with its scale and button labels.
ELEMENT_STATIC_IMAGE background = static_image(panel_bitmap, {0, 0}, flags_background, gauge, after_background);

void HOST_CALL module_init_deinit() {}

// Each routine serves the root element of the gauge the first linkage entry designates.
ELEMENT_HEADER* current_root_element()
{
    return recorder_linkage.gauge_header_ptr[0]->elements_list[0];
}

PANEL_FUNCTIONS& panels()
{
    return *recorder_import_table.panels_entry.panels;
}

void HOST_CALL query_routine() { panels().element_list_query(current_root_element()); }
void HOST_CALL install_routine(void* resource_handle) { panels().element_list_install(current_root_element(), resource_handle); }
void HOST_CALL initialize_routine() { panels().element_list_initialize(current_root_element()); }
void HOST_CALL update_routine() { panels().element_list_update(current_root_element()); }
void HOST_CALL generate_routine(uint32_t phase) { panels().element_list_generate(current_root_element(), phase); }
void HOST_CALL draw_routine() { panels().element_list_plot(current_root_element()); }
void HOST_CALL kill_routine() { panels().element_list_kill(current_root_element()); }
}  // namespace

ELEMENT_HEADER* recorder_element_list[2] = {&background.header, nullptr};

MOUSERECT recorder_mouse_rects[] = {
    mouse_parent_begin(),
    mouse_child(10, 92, 110, 22, CURSOR_HAND, mouse_single, start_stop_click),
    mouse_child(145, 92, 110, 22, CURSOR_HAND, mouse_single, repeat_click),
    mouse_child(280, 92, 110, 22, CURSOR_HAND, mouse_single, skip_click),
    mouse_parent_end(),
    mouse_end_of_list(),
};

namespace {
constexpr GAUGEHDR recorder_header()
{
    GAUGEHDR header{};
    header.gauge_header_version = GAUGE_HEADER_VERSION;
    header.gauge_name = "Recorder";
    header.elements_list = recorder_element_list;
    header.query_routine = query_routine;
    header.install_routine = install_routine;
    header.initialize_routine = initialize_routine;
    header.update_routine = update_routine;
    header.generate_routine = generate_routine;
    header.draw_routine = draw_routine;
    header.kill_routine = kill_routine;
    header.size_x_mm = 200;
    header.mouse_rect = recorder_mouse_rects;
    header.gauge_callback = recorder_gauge_callback;
    return header;
}
}  // namespace

constinit GAUGEHDR recorder_gauge = recorder_header();

ONE_PER_HOST LINKAGE recorder_linkage = {
    recorder_module_id,
    module_init_deinit,
    module_init_deinit,
    0,
    0,
    recorder_module_version,
    {&recorder_gauge, nullptr},
};
