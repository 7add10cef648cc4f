// The indicator gauges: V_Contrl_key, the speed-hold switch; V_Lamp, its annunciator; and IN_4,
// the control-deflection indicator with one window per channel.
#pragma once

#include "gauges/element_records.h"

double HOST_CALL speed_key_position_value(ELEMENT_HEADER* element);
int32_t HOST_CALL speed_key_click(PIXPOINT* point, uint32_t mouse_flags);

double HOST_CALL speed_lamp_value(ELEMENT_HEADER* element);

double HOST_CALL roll_deflection_value(ELEMENT_HEADER* element);
double HOST_CALL heading_deflection_value(ELEMENT_HEADER* element);
double HOST_CALL pitch_deflection_value(ELEMENT_HEADER* element);
double HOST_CALL collective_deflection_value(ELEMENT_HEADER* element);
