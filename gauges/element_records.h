// The host's gauge records through which every visible gauge declares what to draw and where
// clicks go: the element records (a chain per gauge, drawn first to last) and the mouse
// rectangles. Fields are packed on 4-byte boundaries; bytes the module does not name are the
// host's working fields and zero in the module's data.
#pragma once

#include <cstddef>
#include <cstdint>

#include "module/host_abi.h"

struct PIXPOINT {
    int32_t x;
    int32_t y;
};

// Element kinds.
constexpr uint32_t ELEMENT_TYPE_STATIC_IMAGE = 0;
constexpr uint32_t ELEMENT_TYPE_NEEDLE = 1;
constexpr uint32_t ELEMENT_TYPE_STRING = 2;
constexpr uint32_t ELEMENT_TYPE_SLIDER = 3;
constexpr uint32_t ELEMENT_TYPE_ICON = 4;
constexpr uint32_t ELEMENT_TYPE_SPRITE = 6;

// Image flags.
constexpr uint32_t IMAGE_USE_TRANSPARENCY = 0x0001;  // pure black is not drawn
constexpr uint32_t IMAGE_USE_ERASE = 0x0002;
constexpr uint32_t IMAGE_USE_BRIGHT = 0x0004;
constexpr uint32_t IMAGE_BILINEAR_COLOR = 0x0080;
constexpr uint32_t IMAGE_USE_LUMINOUS = 0x4000;

constexpr uint32_t no_bitmap = 0xFFFFFFFF;

#pragma pack(push, 4)

struct ELEMENT_HEADER {
    uint32_t element_type;
    uint32_t resource_id;
    PIXPOINT position;           // top-left; a needle's pivot; a sprite's mask corner
    PIXPOINT previous_position;  // host's
    PIXPOINT offset;             // needle: pivot in its bitmap; sprite: texture centre on the gauge
    GAUGEHDR* gauge;
    ELEMENT_HEADER* previous_element;  // host's
    ELEMENT_HEADER** next_element;     // the list of children: one element, then null
    void* failure_record;
    uint32_t image_flags;
    uint32_t special_instrumentation_flags;
    uint32_t reserved;
};

using ELEMENT_VALUE_FN = double(HOST_CALL*)(ELEMENT_HEADER* element);

struct ELEMENT_STATIC_IMAGE {
    ELEMENT_HEADER header;
    uint8_t host_fields[36];
};

struct ELEMENT_ICON {
    ELEMENT_HEADER header;
    uint8_t host_fields_60[52];
    uint32_t image_count;
    uint8_t switch_scale_offset[16];  // 0: the value is the image index
    ELEMENT_VALUE_FN value_callback;
    uint8_t host_fields_136[4];
};

struct ELEMENT_SLIDER {
    ELEMENT_HEADER header;
    uint8_t host_fields_60[32];
    double x_scale;  // pixels per unit of the x value
    uint8_t host_fields_100[36];
    double y_scale;  // pixels per unit of the y value
    uint8_t host_fields_144[24];
    ELEMENT_VALUE_FN x_callback;
    ELEMENT_VALUE_FN y_callback;
    uint8_t host_fields_176[16];
};

struct ELEMENT_NEEDLE {
    ELEMENT_HEADER header;
    MODULE_VAR source_var;
    uint8_t host_fields_88[32];
    uint32_t rate_setting;
    uint8_t host_fields_124[100];
    ELEMENT_VALUE_FN value_callback;
    uint8_t host_fields_228[8];
};

struct ELEMENT_STRING {
    ELEMENT_HEADER header;
    uint8_t host_fields_60[124];
    char* text;  // the host's buffer, which the value callback fills
    uint8_t host_fields_188[4];
    int32_t box_width;
    int32_t box_height;
    uint8_t host_fields_200[8];
    uint32_t text_colour;        // 0x00BBGGRR
    uint32_t background_colour;  // 0x00BBGGRR
    uint32_t highlight_colour;   // 0x00BBGGRR
    uint8_t host_fields_220[28];
    char font_face[32];
    uint32_t font_weight;
    uint32_t font_charset;
    uint32_t draw_flags;       // Windows DrawText flags
    uint32_t characters_shown;
    uint8_t host_fields_296[16];
    ELEMENT_VALUE_FN value_callback;
    uint8_t host_fields_316[8];
};

struct ELEMENT_SPRITE {
    ELEMENT_HEADER header;
    uint8_t host_fields_60[112];
    double one;               // 1.0
    float texture_scale_x;    // texture pixels per gauge pixel
    float texture_scale_y;
    uint8_t host_fields_188[128];
    ELEMENT_VALUE_FN x_callback;
    ELEMENT_VALUE_FN y_callback;
    ELEMENT_VALUE_FN rotation_callback;  // degrees
    uint8_t host_fields_328[24];
};

// Mouse rectangles.
constexpr uint32_t MOUSE_RECT_EOL = 0;
constexpr uint32_t MOUSE_RECT_PARENT = 1;
constexpr uint32_t MOUSE_RECT_CHILD = 2;
constexpr uint32_t MOUSE_RECT_END_PARENT = 3;

constexpr int32_t CURSOR_NONE = -1;
constexpr int32_t CURSOR_UPARROW = 1;
constexpr int32_t CURSOR_DOWNARROW = 2;
constexpr int32_t CURSOR_HAND = 5;

constexpr uint32_t MOUSE_LEFTSINGLE = 0x20000000;
constexpr uint32_t MOUSE_DOWN_REPEAT = 0x00200000;

using MOUSE_CALLBACK_FN = int32_t(HOST_CALL*)(PIXPOINT* point, uint32_t mouse_flags);

struct MOUSERECT {
    uint32_t rect_type;
    int32_t x, y, width, height;
    int32_t cursor;
    uint32_t help_id;
    uint32_t mouse_flags;
    uint32_t event_id;
    MOUSE_CALLBACK_FN callback;
    void* host_data;
};

#pragma pack(pop)

// The element drawn after this one: the first entry of its child list, or null at the chain's end.
inline ELEMENT_HEADER* next_in_chain(const ELEMENT_HEADER* element)
{
    return element->next_element != nullptr ? element->next_element[0] : nullptr;
}

#if HOST_ABI_32
static_assert(sizeof(PIXPOINT) == 8);
static_assert(sizeof(ELEMENT_HEADER) == 60);
static_assert(offsetof(ELEMENT_HEADER, resource_id) == 4);
static_assert(offsetof(ELEMENT_HEADER, position) == 8);
static_assert(offsetof(ELEMENT_HEADER, previous_position) == 16);
static_assert(offsetof(ELEMENT_HEADER, offset) == 24);
static_assert(offsetof(ELEMENT_HEADER, gauge) == 32);
static_assert(offsetof(ELEMENT_HEADER, previous_element) == 36);
static_assert(offsetof(ELEMENT_HEADER, next_element) == 40);
static_assert(offsetof(ELEMENT_HEADER, failure_record) == 44);
static_assert(offsetof(ELEMENT_HEADER, image_flags) == 48);
static_assert(offsetof(ELEMENT_HEADER, special_instrumentation_flags) == 52);
static_assert(offsetof(ELEMENT_HEADER, reserved) == 56);

static_assert(sizeof(ELEMENT_STATIC_IMAGE) == 96);

static_assert(sizeof(ELEMENT_ICON) == 140);
static_assert(offsetof(ELEMENT_ICON, image_count) == 112);
static_assert(offsetof(ELEMENT_ICON, value_callback) == 132);

static_assert(sizeof(ELEMENT_SLIDER) == 192);
static_assert(offsetof(ELEMENT_SLIDER, x_scale) == 92);
static_assert(offsetof(ELEMENT_SLIDER, y_scale) == 136);
static_assert(offsetof(ELEMENT_SLIDER, x_callback) == 168);
static_assert(offsetof(ELEMENT_SLIDER, y_callback) == 172);

static_assert(sizeof(ELEMENT_NEEDLE) == 236);
static_assert(offsetof(ELEMENT_NEEDLE, source_var) == 60);
static_assert(offsetof(ELEMENT_NEEDLE, rate_setting) == 120);
static_assert(offsetof(ELEMENT_NEEDLE, value_callback) == 224);

static_assert(sizeof(ELEMENT_STRING) == 324);
static_assert(offsetof(ELEMENT_STRING, text) == 184);
static_assert(offsetof(ELEMENT_STRING, box_width) == 192);
static_assert(offsetof(ELEMENT_STRING, box_height) == 196);
static_assert(offsetof(ELEMENT_STRING, text_colour) == 208);
static_assert(offsetof(ELEMENT_STRING, background_colour) == 212);
static_assert(offsetof(ELEMENT_STRING, highlight_colour) == 216);
static_assert(offsetof(ELEMENT_STRING, font_face) == 248);
static_assert(offsetof(ELEMENT_STRING, font_weight) == 280);
static_assert(offsetof(ELEMENT_STRING, font_charset) == 284);
static_assert(offsetof(ELEMENT_STRING, draw_flags) == 288);
static_assert(offsetof(ELEMENT_STRING, characters_shown) == 292);
static_assert(offsetof(ELEMENT_STRING, value_callback) == 312);

static_assert(sizeof(ELEMENT_SPRITE) == 352);
static_assert(offsetof(ELEMENT_SPRITE, one) == 172);
static_assert(offsetof(ELEMENT_SPRITE, texture_scale_x) == 180);
static_assert(offsetof(ELEMENT_SPRITE, texture_scale_y) == 184);
static_assert(offsetof(ELEMENT_SPRITE, x_callback) == 316);
static_assert(offsetof(ELEMENT_SPRITE, y_callback) == 320);
static_assert(offsetof(ELEMENT_SPRITE, rotation_callback) == 324);

static_assert(sizeof(MOUSERECT) == 44);
static_assert(offsetof(MOUSERECT, cursor) == 20);
static_assert(offsetof(MOUSERECT, mouse_flags) == 28);
static_assert(offsetof(MOUSERECT, event_id) == 32);
static_assert(offsetof(MOUSERECT, callback) == 36);
static_assert(offsetof(MOUSERECT, host_data) == 40);
#endif
