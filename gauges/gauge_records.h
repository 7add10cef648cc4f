// Each gauge's element chain and mouse-rectangle list, as its gauge header names them, and
// small builders that keep the record tables readable.
#pragma once

#include "gauges/element_records.h"
#include "module/gauge_header.h"

extern GAUGEHDR a_pilot_gauge;
extern GAUGEHDR ap_panel_1_gauge;
extern GAUGEHDR ap_yoyset_gauge;
extern GAUGEHDR v_contrl_key_gauge;
extern GAUGEHDR v_lamp_gauge;
extern GAUGEHDR in_4_gauge;

// Root element lists: the first element of the gauge's chain, then null.
extern ELEMENT_HEADER* a_pilot_element_list[2];
extern ELEMENT_HEADER* ap_panel_1_element_list[2];
extern ELEMENT_HEADER* ap_yoyset_element_list[2];
extern ELEMENT_HEADER* v_contrl_key_element_list[2];
extern ELEMENT_HEADER* v_lamp_element_list[2];
extern ELEMENT_HEADER* in_4_element_list[2];

extern MOUSERECT a_pilot_mouse_rects[];
extern MOUSERECT ap_panel_1_mouse_rects[];
extern MOUSERECT ap_yoyset_mouse_rects[];
extern MOUSERECT v_contrl_key_mouse_rects[];
extern MOUSERECT v_lamp_mouse_rects[];
extern MOUSERECT in_4_mouse_rects[];

constexpr ELEMENT_HEADER element_header(uint32_t kind, uint32_t bitmap, PIXPOINT position, uint32_t flags,
                                        GAUGEHDR* gauge, ELEMENT_HEADER** children, PIXPOINT offset = {0, 0})
{
    ELEMENT_HEADER header{};
    header.element_type = kind;
    header.resource_id = bitmap;
    header.position = position;
    header.offset = offset;
    header.gauge = gauge;
    header.next_element = children;
    header.image_flags = flags;
    return header;
}

// The frame every mouse list shares: parent begin, the children, parent end, end of list.
constexpr MOUSERECT mouse_parent_begin()
{
    return {MOUSE_RECT_PARENT, 0, 0, 0, 0, CURSOR_NONE, 0, 0, 0, nullptr, nullptr};
}
constexpr MOUSERECT mouse_parent_end()
{
    return {MOUSE_RECT_END_PARENT, 0, 0, 0, 0, CURSOR_NONE, 0, 0, 0, nullptr, nullptr};
}
constexpr MOUSERECT mouse_end_of_list()
{
    return {MOUSE_RECT_EOL, 0, 0, 0, 0, CURSOR_NONE, 0, 0, 0, nullptr, nullptr};
}
constexpr MOUSERECT mouse_child(int32_t x, int32_t y, int32_t width, int32_t height, int32_t cursor,
                                uint32_t mouse_flags, MOUSE_CALLBACK_FN callback)
{
    return {MOUSE_RECT_CHILD, x, y, width, height, cursor, 0, mouse_flags, 0, callback, nullptr};
}
