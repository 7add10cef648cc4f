// The recorder module's face towards the host: its one recorder, its import table and linkage
// (exported as ImportTable and Linkage by the recorder's module file), and the Recorder gauge.
#pragma once

#include "common/one_per_host.h"
#include "gauges/element_records.h"
#include "module/gauge_header.h"
#include "module/host_abi.h"
#include "recorder/recorder_state.h"

extern ONE_PER_HOST recorder_state the_recorder;
extern ONE_PER_HOST IMPORT_TABLE recorder_import_table;
extern ONE_PER_HOST LINKAGE recorder_linkage;
extern GAUGEHDR recorder_gauge;

extern ELEMENT_HEADER* recorder_element_list[2];
extern MOUSERECT recorder_mouse_rects[];

// Every recorded variable looked up through the host's lookup_var, in the table's order.
void sample_recorded_variables(recorder_state& r);

// On pre-update, one instance (the first to update since the panel loaded) samples and records
// the frame; on pre-kill of that instance a recording still running is closed.
void HOST_CALL recorder_gauge_callback(GAUGEHDR* gauge, int32_t service_id, uint32_t extra_data);

double HOST_CALL rec_lamp_value(ELEMENT_HEADER* element);
double HOST_CALL title_text(ELEMENT_HEADER* element);
double HOST_CALL instruction_text(ELEMENT_HEADER* element);
double HOST_CALL time_left_text(ELEMENT_HEADER* element);
double HOST_CALL cue_marker_value(ELEMENT_HEADER* element);
double HOST_CALL stick_marker_value(ELEMENT_HEADER* element);

int32_t HOST_CALL start_stop_click(PIXPOINT* point, uint32_t mouse_flags);
int32_t HOST_CALL repeat_click(PIXPOINT* point, uint32_t mouse_flags);
int32_t HOST_CALL skip_click(PIXPOINT* point, uint32_t mouse_flags);
