// The module's face towards the host: the linkage record with the six gauge headers, the
// seven element-list routines every header shares, and module init and deinit.
#include "gauges/ap_yoyset.h"
#include "gauges/gauge_records.h"
#include "gauges/a_pilot.h"

namespace {
constexpr uint32_t module_id = 0x13;
constexpr uint32_t module_version = 0x800;

void HOST_CALL module_init_deinit() {}

void HOST_CALL no_op_gauge_callback(GAUGEHDR*, int32_t, uint32_t) {}

// Each shared routine serves the root element of whichever gauge the first linkage entry
// designates at the moment of the call, and hands it to the host's operation.
ELEMENT_HEADER* current_root_element()
{
    return Linkage.gauge_header_ptr[0]->elements_list[0];
}

PANEL_FUNCTIONS& panels()
{
    return *ImportTable.panels_entry.panels;
}

void HOST_CALL query_routine() { panels().element_list_query(current_root_element()); }
void HOST_CALL install_routine(void* resource_handle) { panels().element_list_install(current_root_element(), resource_handle); }
void HOST_CALL initialize_routine() { panels().element_list_initialize(current_root_element()); }
void HOST_CALL update_routine() { panels().element_list_update(current_root_element()); }
void HOST_CALL generate_routine(uint32_t phase) { panels().element_list_generate(current_root_element(), phase); }
void HOST_CALL draw_routine() { panels().element_list_plot(current_root_element()); }
void HOST_CALL kill_routine() { panels().element_list_kill(current_root_element()); }

constexpr GAUGEHDR gauge_header(const char* name, ELEMENT_HEADER** elements, uint32_t size_mm, MOUSERECT* mouse_rects,
                                GAUGE_CALLBACK_FN callback)
{
    GAUGEHDR header{};
    header.gauge_header_version = GAUGE_HEADER_VERSION;
    header.gauge_name = name;
    header.elements_list = elements;
    header.query_routine = query_routine;
    header.install_routine = install_routine;
    header.initialize_routine = initialize_routine;
    header.update_routine = update_routine;
    header.generate_routine = generate_routine;
    header.draw_routine = draw_routine;
    header.kill_routine = kill_routine;
    header.size_x_mm = size_mm;
    header.mouse_rect = mouse_rects;
    header.gauge_callback = callback;
    return header;
}
}  // namespace

GAUGEHDR a_pilot_gauge = gauge_header("A_Pilot", a_pilot_element_list, 20, a_pilot_mouse_rects, a_pilot_gauge_callback);
GAUGEHDR ap_panel_1_gauge = gauge_header("AP_Panel_1", ap_panel_1_element_list, 200, ap_panel_1_mouse_rects, no_op_gauge_callback);
GAUGEHDR ap_yoyset_gauge = gauge_header("AP_YoySet", ap_yoyset_element_list, 150, ap_yoyset_mouse_rects, ap_yoyset_gauge_callback);
GAUGEHDR v_contrl_key_gauge = gauge_header("V_Contrl_key", v_contrl_key_element_list, 12, v_contrl_key_mouse_rects, no_op_gauge_callback);
GAUGEHDR v_lamp_gauge = gauge_header("V_Lamp", v_lamp_element_list, 50, v_lamp_mouse_rects, no_op_gauge_callback);
GAUGEHDR in_4_gauge = gauge_header("IN_4", in_4_element_list, 150, in_4_mouse_rects, no_op_gauge_callback);

ONE_PER_HOST LINKAGE Linkage = {
    module_id,
    module_init_deinit,
    module_init_deinit,
    0,
    0,
    module_version,
    {&a_pilot_gauge, &ap_panel_1_gauge, &ap_yoyset_gauge, &v_contrl_key_gauge, &v_lamp_gauge, &in_4_gauge, nullptr},
};
