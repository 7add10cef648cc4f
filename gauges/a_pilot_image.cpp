// A_Pilot, the logic gauge: one static image and a mouse list with the frame alone.
#include "gauges/gauge_records.h"

namespace {
ELEMENT_STATIC_IMAGE image = static_image(4096, {0, 0}, flags_bright, &a_pilot_gauge, nullptr);
}  // namespace

ELEMENT_HEADER* a_pilot_element_list[2] = {&image.header, nullptr};
MOUSERECT a_pilot_mouse_rects[] = {mouse_parent_begin(), mouse_parent_end(), mouse_end_of_list()};
