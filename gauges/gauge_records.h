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

// The flag words the gauges use.
constexpr uint32_t flags_background = IMAGE_USE_TRANSPARENCY | IMAGE_USE_ERASE;                    // 0x3
constexpr uint32_t flags_bright = IMAGE_USE_TRANSPARENCY | IMAGE_USE_ERASE | IMAGE_USE_BRIGHT;     // 0x7
constexpr uint32_t flags_digits = IMAGE_USE_ERASE | IMAGE_USE_BRIGHT;                              // 0x6
constexpr uint32_t flags_luminous = IMAGE_USE_LUMINOUS | IMAGE_USE_TRANSPARENCY | IMAGE_USE_ERASE; // 0x4003
constexpr uint32_t flags_luminous_rotating = flags_luminous | IMAGE_BILINEAR_COLOR;                // 0x4083

constexpr uint32_t mouse_single = MOUSE_LEFTSINGLE;                       // 0x20000000
constexpr uint32_t mouse_repeat = MOUSE_LEFTSINGLE | MOUSE_DOWN_REPEAT;   // 0x20200000

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

constexpr ELEMENT_STATIC_IMAGE static_image(uint32_t bitmap, PIXPOINT position, uint32_t flags, GAUGEHDR* gauge,
                                            ELEMENT_HEADER** children)
{
    ELEMENT_STATIC_IMAGE image{};
    image.header = element_header(ELEMENT_TYPE_STATIC_IMAGE, bitmap, position, flags, gauge, children);
    return image;
}

// An icon shows image "value" of its bitmaps, ids bitmap, bitmap + 1, ...
constexpr ELEMENT_ICON icon(uint32_t bitmap, PIXPOINT position, uint32_t flags, uint32_t image_count,
                            ELEMENT_VALUE_FN value, GAUGEHDR* gauge, ELEMENT_HEADER** children)
{
    ELEMENT_ICON element{};
    element.header = element_header(ELEMENT_TYPE_ICON, bitmap, position, flags, gauge, children);
    element.image_count = image_count;
    element.value_callback = value;
    return element;
}

// A slider moves its bitmap by value times scale pixels in each direction.
constexpr ELEMENT_SLIDER slider(uint32_t bitmap, PIXPOINT position, uint32_t flags, ELEMENT_VALUE_FN x_value,
                                double x_scale, ELEMENT_VALUE_FN y_value, double y_scale, GAUGEHDR* gauge,
                                ELEMENT_HEADER** children)
{
    ELEMENT_SLIDER element{};
    element.header = element_header(ELEMENT_TYPE_SLIDER, bitmap, position, flags, gauge, children);
    element.x_callback = x_value;
    element.x_scale = x_scale;
    element.y_callback = y_value;
    element.y_scale = y_scale;
    return element;
}

// A sprite shows its texture (bitmap) through a mask (bitmap + 1) placed at position; the
// texture's centre lies on the offset point, and the rotation value turns it, in degrees.
constexpr ELEMENT_SPRITE sprite(uint32_t bitmap, PIXPOINT position, PIXPOINT texture_centre, uint32_t flags,
                                ELEMENT_VALUE_FN rotation, GAUGEHDR* gauge, ELEMENT_HEADER** children)
{
    ELEMENT_SPRITE element{};
    element.header = element_header(ELEMENT_TYPE_SPRITE, bitmap, position, flags, gauge, children, texture_centre);
    element.one = 1.0;
    element.texture_scale_x = 2.0f;  // the 256-pixel texture covers 128 gauge pixels
    element.texture_scale_y = 2.0f;
    element.rotation_callback = rotation;
    return element;
}

// A text field: the value callback writes its text into the buffer the host supplies.
struct string_style {
    PIXPOINT box;  // width, height in pixels
    uint32_t text_colour, background_colour, highlight_colour;
    const char* font_face;
    uint32_t font_weight, font_charset, draw_flags, characters_shown;
};

constexpr ELEMENT_STRING string_field(PIXPOINT position, uint32_t flags, const string_style& style,
                                      ELEMENT_VALUE_FN value, GAUGEHDR* gauge, ELEMENT_HEADER** children)
{
    ELEMENT_STRING element{};
    element.header = element_header(ELEMENT_TYPE_STRING, no_bitmap, position, flags, gauge, children);
    element.box_width = style.box.x;
    element.box_height = style.box.y;
    element.text_colour = style.text_colour;
    element.background_colour = style.background_colour;
    element.highlight_colour = style.highlight_colour;
    for (int i = 0; style.font_face[i] != '\0' && i < 31; ++i) element.font_face[i] = style.font_face[i];
    element.font_weight = style.font_weight;
    element.font_charset = style.font_charset;
    element.draw_flags = style.draw_flags;
    element.characters_shown = style.characters_shown;
    element.value_callback = value;
    return element;
}
