#include "tools/gaugehost/emulated/emulated_records.h"

#include <array>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "tools/pe/pe_file.h"
#include "tools/gaugehost/emulated/x86_machine.h"

emulated_records* emulated_records::live_[emulated_records::live_slots] = {};

namespace {

// Byte offsets of the 32-bit records (the layouts gauges/element_records.h, module/gauge_header.h
// and module/host_abi.h assert for the 32-bit build).
namespace at {
constexpr uint32_t linkage_init = 4, linkage_deinit = 8, linkage_gauges = 24;
constexpr uint32_t import_panels = 4;
constexpr uint32_t gauge_version = 0, gauge_name = 4, gauge_elements = 8, gauge_routines = 12, gauge_size_x = 44,
                   gauge_size_y = 48, gauge_mouse = 80, gauge_callback = 84;
constexpr uint32_t element_type = 0, element_resource = 4, element_position = 8, element_offset = 24,
                   element_next = 40, element_flags = 48, element_special = 52;
constexpr uint32_t icon_count = 112, icon_scale = 116, icon_value = 132;
constexpr uint32_t slider_x_scale = 92, slider_y_scale = 136, slider_x = 168, slider_y = 172;
constexpr uint32_t needle_var = 60, needle_rate = 120, needle_value = 224;
constexpr uint32_t string_text = 184, string_box = 192, string_colours = 208, string_font = 248,
                   string_weight = 280, string_charset = 284, string_flags = 288, string_shown = 292,
                   string_value = 312;
constexpr uint32_t sprite_one = 172, sprite_scale_x = 180, sprite_scale_y = 184, sprite_x = 316, sprite_y = 320,
                   sprite_rotation = 324;
constexpr uint32_t mouse_size = 44, mouse_callback = 36;
}  // namespace at

constexpr int gauge_slots = linkage_gauge_slots;
constexpr int longest_chain = 256;
constexpr int longest_child_list = 16;
constexpr int longest_mouse_list = 256;
constexpr size_t mouse_pool = 256;
constexpr size_t longest_name = 64;

// The host buffers: the panel table, the click point, the text of a string element, then the
// headers of a panel's gauge instances.
constexpr uint32_t panel_table_slots = 64;
constexpr uint32_t point_offset = 0x200;
constexpr uint32_t text_offset = 0x1000;
constexpr uint32_t instance_offset = 0x8000;
constexpr uint32_t gauge_header_bytes = 200;
constexpr uint32_t most_instances = (emulated_records::host_buffers_size - instance_offset) / gauge_header_bytes;

// The panel table's operations by byte offset: the argument bytes each pops.
struct panel_operation {
    uint32_t offset;
    const char* name;
    uint16_t argument_bytes;
};
constexpr panel_operation panel_operations[] = {
    {96, "element_list_query", 4},     {100, "element_list_install", 8}, {104, "element_list_initialize", 4},
    {108, "element_list_update", 4},   {112, "element_list_generate", 8}, {116, "element_list_plot", 4},
    {120, "element_list_erase", 4},    {124, "element_list_kill", 4},   {144, "trigger_key_event", 8},
    {160, "lookup_var", 4},
};

constexpr const char* routine_names[] = {"query", "install", "initialize", "update", "generate", "draw", "kill"};

// The host functions standing for one live module's code: each finds the records of its slot.
template <int Slot>
emulated_records& live()
{
    return *emulated_records::live(Slot);
}

template <int Slot, int Kind>
void HOST_CALL routine()
{
    live<Slot>().call_routine(Kind);
}
template <int Slot>
void HOST_CALL install_routine(void*)
{
    live<Slot>().call_routine(1);
}
uint32_t generate_phase = 0;
template <int Slot>
void HOST_CALL generate_routine(uint32_t phase)
{
    generate_phase = phase;
    live<Slot>().call_routine(4);
}
template <int Slot, int Which>
void HOST_CALL module_routine()
{
    live<Slot>().call_module_routine(Which);
}
template <int Slot>
void HOST_CALL gauge_callback(GAUGEHDR* gauge, int32_t service_id, uint32_t extra_data)
{
    live<Slot>().call_gauge_callback(gauge, service_id, extra_data);
}
template <int Slot, int Field>
double HOST_CALL value_callback(ELEMENT_HEADER* element)
{
    return live<Slot>().call_value(element, Field);
}
template <int Slot, size_t Index>
int32_t HOST_CALL mouse_callback(PIXPOINT* point, uint32_t flags)
{
    return live<Slot>().call_mouse(Index, point, flags);
}

struct slot_functions {
    MODULE_ROUTINE_FN module_routines[2];
    void(HOST_CALL* query)();
    void(HOST_CALL* install)(void*);
    void(HOST_CALL* initialize)();
    void(HOST_CALL* update)();
    void(HOST_CALL* generate)(uint32_t);
    void(HOST_CALL* draw)();
    void(HOST_CALL* kill)();
    GAUGE_CALLBACK_FN gauge_callback;
    ELEMENT_VALUE_FN values[3];
    std::array<MOUSE_CALLBACK_FN, mouse_pool> mouse;
};

template <int Slot, size_t... Index>
constexpr slot_functions functions_of(std::index_sequence<Index...>)
{
    return {{module_routine<Slot, 0>, module_routine<Slot, 1>},
            routine<Slot, 0>,
            install_routine<Slot>,
            routine<Slot, 2>,
            routine<Slot, 3>,
            generate_routine<Slot>,
            routine<Slot, 5>,
            routine<Slot, 6>,
            gauge_callback<Slot>,
            {value_callback<Slot, 0>, value_callback<Slot, 1>, value_callback<Slot, 2>},
            {&mouse_callback<Slot, Index>...}};
}

constexpr slot_functions functions[emulated_records::live_slots] = {
    functions_of<0>(std::make_index_sequence<mouse_pool>()),
    functions_of<1>(std::make_index_sequence<mouse_pool>()),
};

template <typename T>
T read_as(const x86_machine& machine, uint32_t address)
{
    T value;
    machine.read(address, &value, sizeof value);
    return value;
}

}  // namespace

emulated_records::emulated_records(x86_machine& machine, uint32_t linkage, uint32_t import_table, uint32_t module_handle,
                                   uint32_t host_buffers)
    : machine_(machine), linkage_address_(linkage), import_table_address_(import_table), module_handle_(module_handle),
      host_buffers_(host_buffers)
{
    while (slot_ < live_slots && live_[slot_] != nullptr) ++slot_;
    if (slot_ == live_slots) throw std::logic_error("only two emulated modules may be live at a time");
    install_panel_table();

    import_table_.panels_entry.id = machine_.read32(import_table);
    import_table_.end_of_table.id = machine_.read32(import_table + 8);
    linkage_.module_id = machine_.read32(linkage);
    module_routines_[0] = machine_.read32(linkage + at::linkage_init);
    module_routines_[1] = machine_.read32(linkage + at::linkage_deinit);
    if (module_routines_[0] != 0) linkage_.module_init = functions[slot_].module_routines[0];
    if (module_routines_[1] != 0) linkage_.module_deinit = functions[slot_].module_routines[1];
    linkage_.flags = machine_.read32(linkage + 12);
    linkage_.module_priority = machine_.read32(linkage + 16);
    linkage_.module_version = machine_.read32(linkage + 20);
    for (int i = 0; i < gauge_slots; ++i) {
        const uint32_t gauge = machine_.read32(linkage + at::linkage_gauges + 4 * static_cast<uint32_t>(i));
        if (gauge == 0) break;
        linkage_.gauge_header_ptr[i] = copy_gauge(gauge);
    }
    live_[slot_] = this;
}

emulated_records::~emulated_records()
{
    live_[slot_] = nullptr;
}

module_records emulated_records::records()
{
    return {&linkage_, &import_table_, &resource_handle_stand_in_, {}, [this](GAUGEHDR* gauge) { return new_instance(gauge); }};
}

// A panel's instance: a copy of the module's header in the host's buffers, which the module's
// code gets as the instance's header, and its native copy.
GAUGEHDR* emulated_records::new_instance(GAUGEHDR* gauge)
{
    if (instances_ == most_instances)
        throw std::runtime_error("the host holds at most " + std::to_string(most_instances) + " gauge instances");
    gauge_link link = gauge_links_.at(gauge);
    const uint32_t address = host_buffers_ + instance_offset + instances_++ * gauge_header_bytes;
    uint8_t header[gauge_header_bytes];
    machine_.read(link.address, header, sizeof header);
    machine_.write(address, header, sizeof header);
    link.address = address;
    GAUGEHDR& copy = gauges_.emplace_back(*gauge);
    gauge_links_[&copy] = std::move(link);
    return &copy;
}

// The module's ImportTable gets a panel table in the host's buffers whose every slot is a trap:
// the operations the host provides call the table the core installed, the others are errors.
void emulated_records::install_panel_table()
{
    for (uint32_t slot = 0; slot < panel_table_slots; ++slot) {
        const uint32_t offset = slot * 4;
        const panel_operation* operation = nullptr;
        for (const panel_operation& candidate : panel_operations)
            if (candidate.offset == offset) operation = &candidate;
        uint32_t trap;
        if (operation != nullptr) {
            trap = machine_.add_trap(operation->name, operation->argument_bytes,
                                     [this, slot](x86_machine&) { serve_panel_operation(static_cast<int>(slot)); });
        } else {
            trap = machine_.add_trap("panel operation " + std::to_string(offset), 0, [offset](x86_machine& m) {
                m.fail("calls the panel operation at offset " + std::to_string(offset) +
                       ", which the host does not provide (returning to " + hex32(m.return_address()) + ")");
            });
        }
        machine_.write32(host_buffers_ + offset, trap);
    }
    machine_.write32(import_table_address_ + at::import_panels, host_buffers_);
}

void emulated_records::serve_panel_operation(int slot)
{
    PANEL_FUNCTIONS* panels = import_table_.panels_entry.panels;
    if (panels == nullptr) throw std::runtime_error("the host has not installed its panel table");
    ELEMENT_HEADER* element = slot * 4 <= 124 ? element_at(machine_.argument(0)) : nullptr;
    switch (slot * 4) {
    case 96: panels->element_list_query(element); break;
    case 100: panels->element_list_install(element, &resource_handle_stand_in_); break;
    case 104: panels->element_list_initialize(element); break;
    case 108: panels->element_list_update(element); break;
    case 112: panels->element_list_generate(element, machine_.argument(1)); break;
    case 116: panels->element_list_plot(element); break;
    case 120: panels->element_list_erase(element); break;
    case 124: panels->element_list_kill(element); break;
    case 144: machine_.set_result(panels->trigger_key_event(machine_.argument(0), machine_.argument(1))); break;
    case 160: {
        const uint32_t address = machine_.argument(0);
        MODULE_VAR var;
        machine_.read(address, &var, sizeof var);
        panels->lookup_var(&var);
        machine_.write(address, &var, sizeof var);
        break;
    }
    default: break;
    }
}

ELEMENT_HEADER* emulated_records::element_at(uint32_t address) const
{
    const auto found = elements_by_address_.find(address);
    return found == elements_by_address_.end() ? nullptr : found->second;
}

GAUGEHDR* emulated_records::copy_gauge(uint32_t address)
{
    GAUGEHDR& gauge = gauges_.emplace_back();
    std::memset(&gauge, 0, sizeof gauge);
    gauge_link link{};
    link.address = address;
    gauge.gauge_header_version = machine_.read32(address + at::gauge_version);
    const uint32_t name = machine_.read32(address + at::gauge_name);
    if (name != 0) {
        link.name = names_.emplace_back(machine_.read_text(name, longest_name));
        gauge.gauge_name = names_.back().c_str();
    }
    for (int kind = 0; kind < 7; ++kind) link.routines[kind] = machine_.read32(address + at::gauge_routines + 4 * kind);
    const slot_functions& host = functions[slot_];
    if (link.routines[0]) gauge.query_routine = host.query;
    if (link.routines[1]) gauge.install_routine = host.install;
    if (link.routines[2]) gauge.initialize_routine = host.initialize;
    if (link.routines[3]) gauge.update_routine = host.update;
    if (link.routines[4]) gauge.generate_routine = host.generate;
    if (link.routines[5]) gauge.draw_routine = host.draw;
    if (link.routines[6]) gauge.kill_routine = host.kill;
    gauge.size_x_mm = machine_.read32(address + at::gauge_size_x);
    gauge.size_y_mm = machine_.read32(address + at::gauge_size_y);
    link.callback = machine_.read32(address + at::gauge_callback);
    if (link.callback != 0) gauge.gauge_callback = host.gauge_callback;
    gauge_links_[&gauge] = link;

    const uint32_t elements = machine_.read32(address + at::gauge_elements);
    if (elements != 0) {
        std::vector<ELEMENT_HEADER*>& list = element_lists_.emplace_back();
        for (int i = 0; i < longest_child_list; ++i) {
            const uint32_t element = machine_.read32(elements + 4 * static_cast<uint32_t>(i));
            if (element == 0) break;
            list.push_back(copy_element(element, &gauge, name != 0 ? names_.back() : no_name, 1));
        }
        list.push_back(nullptr);
        gauge.elements_list = list.data();
    }
    const uint32_t mouse = machine_.read32(address + at::gauge_mouse);
    if (mouse != 0) gauge.mouse_rect = copy_mouse_rects(mouse, name != 0 ? names_.back() : no_name);
    return &gauge;
}

std::string emulated_records::element_name(const element_link& link)
{
    return *link.gauge_name + " element " + std::to_string(link.place);
}

// Copies an element and, depth first, its children; place is its place along the chain.
ELEMENT_HEADER* emulated_records::copy_element(uint32_t address, GAUGEHDR* gauge, const std::string& gauge_name, int place)
{
    if (ELEMENT_HEADER* known = element_at(address)) return known;
    if (elements_.size() >= longest_chain * gauge_slots) throw module_error("has more elements than any gauge needs");
    any_element& copy = elements_.emplace_back();
    std::memset(&copy, 0, sizeof copy);
    ELEMENT_HEADER& header = copy.header;
    elements_by_address_[address] = &header;
    element_link link{};
    link.address = address;
    link.gauge_name = &gauge_name;
    link.place = place;

    header.element_type = machine_.read32(address + at::element_type);
    header.resource_id = machine_.read32(address + at::element_resource);
    header.position = read_as<PIXPOINT>(machine_, address + at::element_position);
    header.offset = read_as<PIXPOINT>(machine_, address + at::element_offset);
    header.gauge = gauge;
    header.image_flags = machine_.read32(address + at::element_flags);
    header.special_instrumentation_flags = machine_.read32(address + at::element_special);
    copy_kind_fields(address, copy, link);
    element_links_[&header] = link;

    const uint32_t children = machine_.read32(address + at::element_next);
    if (children != 0) header.next_element = copy_children(children, gauge, gauge_name, place + 1);
    return &header;
}

// The host function standing for the callback at offset, or null where the record names none.
ELEMENT_VALUE_FN emulated_records::callback_at(uint32_t address, uint32_t offset, int field, element_link& link)
{
    link.callbacks[field] = machine_.read32(address + offset);
    if (link.callbacks[field] == 0) return nullptr;
    return functions[slot_].values[field];
}

// The fields of the element's own kind. (Assigned, not bound by reference: the packed records'
// pointers may lie misaligned.)
void emulated_records::copy_kind_fields(uint32_t address, any_element& copy, element_link& link)
{
    auto callback = [&](uint32_t offset, int field) { return callback_at(address, offset, field, link); };
    switch (copy.header.element_type) {
    case ELEMENT_TYPE_ICON:
        copy.icon.image_count = machine_.read32(address + at::icon_count);
        machine_.read(address + at::icon_scale, copy.icon.switch_scale_offset, sizeof copy.icon.switch_scale_offset);
        copy.icon.value_callback = callback(at::icon_value, 0);
        break;
    case ELEMENT_TYPE_SLIDER:
        copy.slider.x_scale = read_as<double>(machine_, address + at::slider_x_scale);
        copy.slider.y_scale = read_as<double>(machine_, address + at::slider_y_scale);
        copy.slider.x_callback = callback(at::slider_x, 0);
        copy.slider.y_callback = callback(at::slider_y, 1);
        break;
    case ELEMENT_TYPE_NEEDLE:
        copy.needle.source_var = read_as<MODULE_VAR>(machine_, address + at::needle_var);
        copy.needle.rate_setting = machine_.read32(address + at::needle_rate);
        copy.needle.value_callback = callback(at::needle_value, 0);
        break;
    case ELEMENT_TYPE_STRING:
        copy_string_fields(address, copy.string, link);
        copy.string.value_callback = callback(at::string_value, 0);
        break;
    case ELEMENT_TYPE_SPRITE:
        copy.sprite.one = read_as<double>(machine_, address + at::sprite_one);
        copy.sprite.texture_scale_x = read_as<float>(machine_, address + at::sprite_scale_x);
        copy.sprite.texture_scale_y = read_as<float>(machine_, address + at::sprite_scale_y);
        copy.sprite.x_callback = callback(at::sprite_x, 0);
        copy.sprite.y_callback = callback(at::sprite_y, 1);
        copy.sprite.rotation_callback = callback(at::sprite_rotation, 2);
        break;
    default:
        break;
    }
}

void emulated_records::copy_string_fields(uint32_t address, ELEMENT_STRING& string, const element_link& link)
{
    string.box_width = static_cast<int32_t>(machine_.read32(address + at::string_box));
    string.box_height = static_cast<int32_t>(machine_.read32(address + at::string_box + 4));
    string.text_colour = machine_.read32(address + at::string_colours);
    string.background_colour = machine_.read32(address + at::string_colours + 4);
    string.highlight_colour = machine_.read32(address + at::string_colours + 8);
    machine_.read(address + at::string_font, string.font_face, sizeof string.font_face);
    string.font_face[sizeof string.font_face - 1] = '\0';
    string.font_weight = machine_.read32(address + at::string_weight);
    string.font_charset = machine_.read32(address + at::string_charset);
    string.draw_flags = machine_.read32(address + at::string_flags);
    string.characters_shown = machine_.read32(address + at::string_shown);
    if (string.characters_shown + 1 + string_guard_bytes > instance_offset - text_offset)
        throw module_error(element_name(link) + " shows more characters than any host buffer holds");
}

ELEMENT_HEADER** emulated_records::copy_children(uint32_t children, GAUGEHDR* gauge, const std::string& gauge_name, int place)
{
    std::vector<ELEMENT_HEADER*>& list = element_lists_.emplace_back();
    for (int i = 0; i < longest_child_list; ++i) {
        const uint32_t child = machine_.read32(children + 4 * static_cast<uint32_t>(i));
        if (child == 0) break;
        list.push_back(copy_element(child, gauge, gauge_name, place));
    }
    list.push_back(nullptr);
    return list.data();
}

MOUSERECT* emulated_records::copy_mouse_rects(uint32_t address, const std::string& gauge_name)
{
    std::vector<MOUSERECT>& list = mouse_lists_.emplace_back();
    int child = 0;  // numbered as the click command numbers them
    for (int i = 0; i < longest_mouse_list; ++i) {
        const uint32_t at_rect = address + at::mouse_size * static_cast<uint32_t>(i);
        MOUSERECT rect{};
        machine_.read(at_rect, &rect, 36);  // the nine 32-bit fields before the callback
        const uint32_t callback = machine_.read32(at_rect + at::mouse_callback);
        if (rect.rect_type == MOUSE_RECT_CHILD) ++child;
        if (callback != 0) {
            if (mouse_links_.size() >= mouse_pool) throw module_error("has more mouse rectangles than the host serves");
            rect.callback = functions[slot_].mouse[mouse_links_.size()];
            mouse_links_.push_back({callback, &gauge_name, child});
        }
        list.push_back(rect);
        if (rect.rect_type == MOUSE_RECT_EOL) return list.data();
    }
    throw module_error("the mouse rectangles of " + gauge_name + " have no end");
}

// While one of a gauge's routines runs, the module's first linkage entry designates the gauge
// the core designated in the copy.
void emulated_records::call_routine(int kind)
{
    const auto found = gauge_links_.find(linkage_.gauge_header_ptr[0]);
    if (found == gauge_links_.end()) throw std::logic_error("a routine was called with no gauge designated");
    const gauge_link& gauge = found->second;
    const uint32_t first = linkage_address_ + at::linkage_gauges;
    const uint32_t previous = machine_.read32(first);
    machine_.write32(first, gauge.address);
    const std::string what = std::string(routine_names[kind]) + " routine of " + gauge.name;
    if (kind == 1) machine_.call(gauge.routines[kind], {module_handle_}, what);
    else if (kind == 4) machine_.call(gauge.routines[kind], {generate_phase}, what);
    else machine_.call(gauge.routines[kind], {}, what);
    machine_.write32(first, previous);
}

void emulated_records::call_module_routine(int which)
{
    machine_.call(module_routines_[which], {}, which == 0 ? "module init" : "module deinit");
}

void emulated_records::call_gauge_callback(GAUGEHDR* gauge, int32_t service_id, uint32_t extra_data)
{
    gauge_link& link = gauge_links_.at(gauge);
    std::string& what = link.callback_names[service_id];
    if (what.empty()) what = "gauge callback of " + link.name + " (service " + std::to_string(service_id) + ")";
    machine_.call(link.callback, {link.address, static_cast<uint32_t>(service_id), extra_data}, what);
}

double emulated_records::call_value(ELEMENT_HEADER* element, int field)
{
    element_link& link = element_links_.at(element);
    // Named at the first call (a module only loaded names none).
    std::string& what = link.callback_names[field];
    if (what.empty()) {
        const bool x_first = element->element_type == ELEMENT_TYPE_SLIDER || element->element_type == ELEMENT_TYPE_SPRITE;
        static const char* const field_names[3] = {"value", "y", "rotation"};
        what = std::string(field == 0 && x_first ? "x" : field_names[field]) + " callback of " + element_name(link);
    }
    if (element->element_type != ELEMENT_TYPE_STRING) return machine_.call_double(link.callbacks[field], {link.address}, what);

    // The text goes through a buffer of the host's in emulated memory, as large as the core's.
    auto* string = reinterpret_cast<ELEMENT_STRING*>(element);
    const size_t size = string->characters_shown + 1 + string_guard_bytes;
    const uint32_t buffer = host_buffers_ + text_offset;
    machine_.write(buffer, string->text, size);
    machine_.write32(link.address + at::string_text, buffer);
    // The module may write the characters shown and the terminator, no further.
    machine_.open_buffer(buffer, string->characters_shown + 1);
    double value = 0.0;
    try {
        value = machine_.call_double(link.callbacks[field], {link.address}, what);
    } catch (...) {
        machine_.close_buffers();
        throw;
    }
    machine_.close_buffers();
    machine_.read(buffer, string->text, size);
    return value;
}

int32_t emulated_records::call_mouse(size_t index, PIXPOINT* point, uint32_t flags)
{
    const mouse_link& link = mouse_links_.at(index);
    const uint32_t address = host_buffers_ + point_offset;
    machine_.write(address, point, sizeof *point);
    machine_.open_buffer(address, sizeof *point);
    int32_t result = 0;
    try {
        result = static_cast<int32_t>(machine_.call(
            link.callback, {address, flags}, "mouse callback of " + *link.gauge_name + " rectangle " + std::to_string(link.rectangle)));
    } catch (...) {
        machine_.close_buffers();
        throw;
    }
    machine_.close_buffers();
    machine_.read(address, point, sizeof *point);
    return result;
}
