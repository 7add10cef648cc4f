// The emulated module as the host core sees it: native copies of its Linkage, ImportTable, gauge
// headers, element records and mouse rectangles, read from the 32-bit layouts in emulated memory
// once the module is loaded. Every callback and routine in the copies is a host function that
// calls the module's own code in the emulator, with the module's record addresses and with the
// first linkage entry set as the core set it; the panel function table the core installs is what
// the module's panel-table traps call. The host core cannot tell it from a linked module.
//
// At most two sets of emulated records may be live at a time (the host functions find them).
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "gauges/element_records.h"
#include "module/gauge_header.h"
#include "module/host_abi.h"
#include "tools/gaugehost/host/gauge_host.h"

class x86_machine;

class emulated_records {
public:
    // linkage, import_table: the addresses of the module's exports; module_handle: the value the
    // install routines get (the image base). host_buffers: a writable area of host_buffers_size
    // bytes in emulated memory for the panel table, the records the host hands over and the
    // string elements' text.
    static constexpr uint32_t host_buffers_size = 0x10000;
    emulated_records(x86_machine& machine, uint32_t linkage, uint32_t import_table, uint32_t module_handle,
                     uint32_t host_buffers);
    ~emulated_records();
    emulated_records(const emulated_records&) = delete;
    emulated_records& operator=(const emulated_records&) = delete;

    module_records records();

    // The host functions behind the copies.
    void call_routine(int kind);
    void call_module_routine(int which);
    void call_gauge_callback(GAUGEHDR* gauge, int32_t service_id, uint32_t extra_data);
    GAUGEHDR* new_instance(GAUGEHDR* gauge);
    double call_value(ELEMENT_HEADER* element, int field);
    int32_t call_mouse(size_t index, PIXPOINT* point, uint32_t flags);
    // Two modules may be live at once (the autopilot and the recorder beside it), each in a slot
    // of its own, whose host functions find it.
    static constexpr int live_slots = 2;
    static emulated_records* live(int slot) { return live_[slot]; }

private:
    union any_element {
        ELEMENT_HEADER header;
        ELEMENT_STATIC_IMAGE static_image;
        ELEMENT_ICON icon;
        ELEMENT_NEEDLE needle;
        ELEMENT_SLIDER slider;
        ELEMENT_STRING string;
        ELEMENT_SPRITE sprite;
    };
    // The module's addresses behind a copy, and the name errors give it.
    struct gauge_link {
        uint32_t address;
        uint32_t routines[7];  // query, install, initialize, update, generate, draw, kill
        uint32_t callback;
        std::string name;
        std::map<int32_t, std::string> callback_names;  // by service, named at the first call
    };
    struct element_link {
        uint32_t address;
        uint32_t callbacks[3];  // value (or x), y, rotation
        const std::string* gauge_name;  // the gauge's, kept in names_ (or no_name)
        int place;
        std::string callback_names[3];  // made at each callback's first call
    };
    struct mouse_link {
        uint32_t callback;
        const std::string* gauge_name;  // as element_link's
        int rectangle;                  // numbered as the click command numbers them
    };

    void install_panel_table();
    void serve_panel_operation(int slot);
    GAUGEHDR* copy_gauge(uint32_t address);
    // gauge_name must outlive the records (names_ or no_name): the element's name refers to it.
    ELEMENT_HEADER* copy_element(uint32_t address, GAUGEHDR* gauge, const std::string& gauge_name, int place);
    // The fields of the element's own kind, its callbacks noted in link.
    void copy_kind_fields(uint32_t address, any_element& copy, element_link& link);
    ELEMENT_VALUE_FN callback_at(uint32_t address, uint32_t offset, int field, element_link& link);
    // A string element's fields but its callback; throws when it shows more than a host buffer holds.
    void copy_string_fields(uint32_t address, ELEMENT_STRING& string, const element_link& link);
    // The element's children, each copied, as the null-ended list its next_element points to.
    ELEMENT_HEADER** copy_children(uint32_t children, GAUGEHDR* gauge, const std::string& gauge_name, int place);
    static std::string element_name(const element_link& link);  // "GAUGE element PLACE"
    inline static const std::string no_name;
    MOUSERECT* copy_mouse_rects(uint32_t address, const std::string& gauge_name);  // gauge_name: as copy_element's
    ELEMENT_HEADER* element_at(uint32_t address) const;

    static emulated_records* live_[live_slots];
    int slot_ = 0;
    x86_machine& machine_;
    uint32_t linkage_address_, import_table_address_, module_handle_, host_buffers_;
    LINKAGE linkage_{};
    IMPORT_TABLE import_table_{};
    char resource_handle_stand_in_ = 0;
    std::deque<GAUGEHDR> gauges_;
    std::deque<any_element> elements_;
    std::deque<std::vector<ELEMENT_HEADER*>> element_lists_;
    std::deque<std::vector<MOUSERECT>> mouse_lists_;
    std::deque<std::string> names_;
    std::unordered_map<const GAUGEHDR*, gauge_link> gauge_links_;
    std::unordered_map<const ELEMENT_HEADER*, element_link> element_links_;
    std::unordered_map<uint32_t, ELEMENT_HEADER*> elements_by_address_;
    std::vector<mouse_link> mouse_links_;
    uint32_t module_routines_[2] = {};  // init, deinit
    uint32_t instances_ = 0;            // instance headers made in the host's buffers
};
