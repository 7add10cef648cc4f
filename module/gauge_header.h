// The gauge headers and the linkage record through which the host finds the module's gauges.
#pragma once

#include <cstddef>
#include <cstdint>

#include "module/host_abi.h"

using MODULE_ROUTINE_FN = void(HOST_CALL*)();
using INSTALL_ROUTINE_FN = void(HOST_CALL*)(void* resource_handle);
using GENERATE_ROUTINE_FN = void(HOST_CALL*)(uint32_t phase);
using GAUGE_CALLBACK_FN = void(HOST_CALL*)(GAUGEHDR* gauge, int32_t service_id, uint32_t extra_data);

struct MOUSERECT;

constexpr uint32_t GAUGE_HEADER_VERSION = 800;

#pragma pack(push, 4)
struct GAUGEHDR {
    uint32_t gauge_header_version;
    const char* gauge_name;
    ELEMENT_HEADER** elements_list;  // the root element, then null
    MODULE_ROUTINE_FN query_routine;
    INSTALL_ROUTINE_FN install_routine;
    MODULE_ROUTINE_FN initialize_routine;
    MODULE_ROUTINE_FN update_routine;
    GENERATE_ROUTINE_FN generate_routine;
    MODULE_ROUTINE_FN draw_routine;
    MODULE_ROUTINE_FN kill_routine;
    void* reserved;
    uint32_t size_x_mm;
    uint32_t size_y_mm;
    uint8_t host_fields_52[28];
    MOUSERECT* mouse_rect;
    GAUGE_CALLBACK_FN gauge_callback;
    uint8_t host_fields_88[112];
};

constexpr int linkage_gauge_slots = 7;  // six gauges, then null

struct LINKAGE {
    uint32_t module_id;
    MODULE_ROUTINE_FN module_init;
    MODULE_ROUTINE_FN module_deinit;
    uint32_t flags;
    uint32_t module_priority;
    uint32_t module_version;
    GAUGEHDR* gauge_header_ptr[linkage_gauge_slots];
};
#pragma pack(pop)

#if HOST_ABI_32
static_assert(sizeof(GAUGEHDR) == 200);
static_assert(offsetof(GAUGEHDR, gauge_name) == 4);
static_assert(offsetof(GAUGEHDR, elements_list) == 8);
static_assert(offsetof(GAUGEHDR, query_routine) == 12);
static_assert(offsetof(GAUGEHDR, install_routine) == 16);
static_assert(offsetof(GAUGEHDR, initialize_routine) == 20);
static_assert(offsetof(GAUGEHDR, update_routine) == 24);
static_assert(offsetof(GAUGEHDR, generate_routine) == 28);
static_assert(offsetof(GAUGEHDR, draw_routine) == 32);
static_assert(offsetof(GAUGEHDR, kill_routine) == 36);
static_assert(offsetof(GAUGEHDR, reserved) == 40);
static_assert(offsetof(GAUGEHDR, size_x_mm) == 44);
static_assert(offsetof(GAUGEHDR, size_y_mm) == 48);
static_assert(offsetof(GAUGEHDR, mouse_rect) == 80);
static_assert(offsetof(GAUGEHDR, gauge_callback) == 84);
static_assert(sizeof(LINKAGE) == 52);
static_assert(offsetof(LINKAGE, gauge_header_ptr) == 24);
#endif

extern "C" ONE_PER_HOST LINKAGE Linkage;
