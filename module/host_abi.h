// The host's panel interface as the module sees it: the calling convention, the service ids,
// the simulation-variable record and the panel function table with the operations we call.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/one_per_host.h"

// Every function that crosses between host and module is __stdcall on 32-bit Windows.
// On the 64-bit native build the attribute means nothing.
#if defined(_WIN32) && !defined(_WIN64)
#define HOST_CALL __stdcall
#else
#define HOST_CALL
#endif

#if defined(_WIN32) && !defined(_WIN64)
#define HOST_ABI_32 1
#else
#define HOST_ABI_32 0
#endif

// Gauge-callback service ids.
constexpr int32_t PANEL_SERVICE_PRE_QUERY = 0;
constexpr int32_t PANEL_SERVICE_POST_QUERY = 1;
constexpr int32_t PANEL_SERVICE_PRE_INSTALL = 2;
constexpr int32_t PANEL_SERVICE_POST_INSTALL = 3;
constexpr int32_t PANEL_SERVICE_PRE_INITIALIZE = 4;
constexpr int32_t PANEL_SERVICE_POST_INITIALIZE = 5;
constexpr int32_t PANEL_SERVICE_PRE_UPDATE = 6;
constexpr int32_t PANEL_SERVICE_POST_UPDATE = 7;
constexpr int32_t PANEL_SERVICE_PRE_GENERATE = 8;
constexpr int32_t PANEL_SERVICE_POST_GENERATE = 9;
constexpr int32_t PANEL_SERVICE_PRE_DRAW = 10;
constexpr int32_t PANEL_SERVICE_POST_DRAW = 11;
constexpr int32_t PANEL_SERVICE_PRE_KILL = 12;
constexpr int32_t PANEL_SERVICE_POST_KILL = 13;
constexpr int32_t PANEL_SERVICE_CONNECT_TO_WINDOW = 14;
constexpr int32_t PANEL_SERVICE_DISCONNECT = 15;

// Axis-set events, one per channel.
constexpr uint32_t KEY_AXIS_PITCH_SET = 65694;
constexpr uint32_t KEY_AXIS_ROLL_SET = 65695;
constexpr uint32_t KEY_AXIS_HEADING_SET = 65696;
constexpr uint32_t KEY_AXIS_COLLECTIVE_SET = 65697;

struct ELEMENT_HEADER;
struct GAUGEHDR;

// One simulation variable: the module fills in the token, the host the value.
#pragma pack(push, 4)
struct MODULE_VAR {
    uint32_t token;           // the host's variable token
    uint32_t host_field_4;    // host's, 0 in the module's data
    uint32_t host_field_8;    // host's, 0 in the module's data
    double value;             // current value after lookup_var
    uint8_t host_field_20[8]; // host's
};
#pragma pack(pop)

static_assert(sizeof(MODULE_VAR) == 28);
static_assert(offsetof(MODULE_VAR, value) == 12);
static_assert(offsetof(MODULE_VAR, host_field_20) == 20);

using ELEMENT_LIST_FN = void(HOST_CALL*)(ELEMENT_HEADER* element);
using ELEMENT_LIST_INSTALL_FN = void(HOST_CALL*)(ELEMENT_HEADER* element, void* resource_handle);
using ELEMENT_LIST_GENERATE_FN = void(HOST_CALL*)(ELEMENT_HEADER* element, uint32_t phase);
using TRIGGER_KEY_EVENT_FN = uint32_t(HOST_CALL*)(uint32_t event_id, uint32_t value);
using LOOKUP_VAR_FN = void(HOST_CALL*)(MODULE_VAR* var);

// The host's panel function table, as far as the module uses it.
struct PANEL_FUNCTIONS {
    uint32_t host_fields[6];  // id, two routines, flags, priority, version: the host's own
    void* unused_24[18];
    ELEMENT_LIST_FN element_list_query;
    ELEMENT_LIST_INSTALL_FN element_list_install;
    ELEMENT_LIST_FN element_list_initialize;
    ELEMENT_LIST_FN element_list_update;
    ELEMENT_LIST_GENERATE_FN element_list_generate;
    ELEMENT_LIST_FN element_list_plot;
    ELEMENT_LIST_FN element_list_erase;
    ELEMENT_LIST_FN element_list_kill;
    void* unused_128[4];
    TRIGGER_KEY_EVENT_FN trigger_key_event;
    void* unused_148[3];
    LOOKUP_VAR_FN lookup_var;
};

#if HOST_ABI_32
static_assert(sizeof(PANEL_FUNCTIONS) == 164);
static_assert(offsetof(PANEL_FUNCTIONS, element_list_query) == 96);
static_assert(offsetof(PANEL_FUNCTIONS, element_list_install) == 100);
static_assert(offsetof(PANEL_FUNCTIONS, element_list_initialize) == 104);
static_assert(offsetof(PANEL_FUNCTIONS, element_list_update) == 108);
static_assert(offsetof(PANEL_FUNCTIONS, element_list_generate) == 112);
static_assert(offsetof(PANEL_FUNCTIONS, element_list_plot) == 116);
static_assert(offsetof(PANEL_FUNCTIONS, element_list_erase) == 120);
static_assert(offsetof(PANEL_FUNCTIONS, element_list_kill) == 124);
static_assert(offsetof(PANEL_FUNCTIONS, trigger_key_event) == 144);
static_assert(offsetof(PANEL_FUNCTIONS, lookup_var) == 160);
#endif

// ImportTable: the host stores its panel function table in the first entry before any call.
struct IMPORT_ENTRY {
    uint32_t id;
    PANEL_FUNCTIONS* panels;
};

struct IMPORT_TABLE {
    IMPORT_ENTRY panels_entry;  // id 0x0F
    IMPORT_ENTRY end_of_table;  // id 0
};

constexpr uint32_t IMPORT_ID_PANELS = 0x0F;

#if HOST_ABI_32
static_assert(sizeof(IMPORT_TABLE) == 16);
static_assert(offsetof(IMPORT_TABLE, panels_entry.panels) == 4);
#endif

extern "C" ONE_PER_HOST IMPORT_TABLE ImportTable;
