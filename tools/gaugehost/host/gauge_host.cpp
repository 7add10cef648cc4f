#include "tools/gaugehost/host/gauge_host.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "platform/virtual_devices.h"
#include "tools/common/text.h"

thread_local GaugeHost* GaugeHost::current_ = nullptr;

namespace {
GaugeHost& host()
{
    return *GaugeHost::current();
}

void HOST_CALL query(ELEMENT_HEADER*) { host().count_call(host_operation::element_list_query); }
void HOST_CALL install(ELEMENT_HEADER*, void*) { host().count_call(host_operation::element_list_install); }
void HOST_CALL initialize(ELEMENT_HEADER*) { host().count_call(host_operation::element_list_initialize); }
void HOST_CALL update(ELEMENT_HEADER*) { host().count_call(host_operation::element_list_update); }
void HOST_CALL generate(ELEMENT_HEADER*, uint32_t) { host().count_call(host_operation::element_list_generate); }
void HOST_CALL plot(ELEMENT_HEADER*) { host().count_call(host_operation::element_list_plot); }
void HOST_CALL erase(ELEMENT_HEADER*) { host().count_call(host_operation::element_list_erase); }
void HOST_CALL kill(ELEMENT_HEADER*) { host().count_call(host_operation::element_list_kill); }
uint32_t HOST_CALL trigger_key_event(uint32_t event_id, uint32_t value) { return host().on_trigger_key_event(event_id, value); }
void HOST_CALL lookup_var(MODULE_VAR* var) { host().on_lookup_var(var); }

constexpr size_t event_capacity = 1 << 16;  // reserved so that recording does not allocate mid-frame
constexpr int longest_chain = 256;          // a guard against a chain that loops
constexpr int32_t service_ids_open[][2] = {{0, 1}, {2, 3}, {4, 5}};

}  // namespace

const char* host_operation_name(host_operation operation)
{
    switch (operation) {
    case host_operation::element_list_query: return "element_list_query";
    case host_operation::element_list_install: return "element_list_install";
    case host_operation::element_list_initialize: return "element_list_initialize";
    case host_operation::element_list_update: return "element_list_update";
    case host_operation::element_list_generate: return "element_list_generate";
    case host_operation::element_list_plot: return "element_list_plot";
    case host_operation::element_list_erase: return "element_list_erase";
    case host_operation::element_list_kill: return "element_list_kill";
    case host_operation::trigger_key_event: return "trigger_key_event";
    case host_operation::lookup_var: return "lookup_var";
    case host_operation::count: break;
    }
    return "?";
}

std::string module_name_of(const std::string& path)
{
    const size_t slash = path.find_last_of("/\\");
    std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    if (name.size() > 4 && lower_case(name.substr(name.size() - 4)) == ".gau") name.resize(name.size() - 4);
    return name;
}

GaugeHost::GaugeHost(const module_records& module, const std::vector<module_records>& beside) : module_(module)
{
    modules_.push_back(module);
    modules_.insert(modules_.end(), beside.begin(), beside.end());
    if (current_ != nullptr) throw std::logic_error("only one gauge host may be live at a time on a thread");
    current_ = this;
    PANEL_FUNCTIONS& table = panels_.functions;
    table.element_list_query = query;
    table.element_list_install = install;
    table.element_list_initialize = initialize;
    table.element_list_update = update;
    table.element_list_generate = generate;
    table.element_list_plot = plot;
    table.element_list_erase = erase;
    table.element_list_kill = kill;
    table.trigger_key_event = ::trigger_key_event;
    table.lookup_var = ::lookup_var;
    previous_panels_ = module_.import_table->panels_entry.panels;
    for (size_t m = 0; m < modules_.size(); ++m) {
        modules_[m].import_table->panels_entry.panels = &table;
        LINKAGE& linkage = *modules_[m].linkage;
        for (int i = 0; i < linkage_gauge_slots && linkage.gauge_header_ptr[i] != nullptr; ++i) {
            gauges_.push_back(linkage.gauge_header_ptr[i]);
            gauge_modules_.push_back(m);
        }
    }
    windows_.push_back({"main", true, true});
    for (GAUGEHDR* gauge : gauges_) instances_.push_back({gauge, gauge, 0});
    order_instances();
    events_.reserve(event_capacity);
}

GaugeHost::~GaugeHost()
{
    for (size_t m = 1; m < modules_.size(); ++m) modules_[m].import_table->panels_entry.panels = nullptr;
    module_.import_table->panels_entry.panels = previous_panels_;
    current_ = nullptr;
}

void GaugeHost::set_var(uint32_t token, double value)
{
    if (token < direct_tokens) direct_variables_[token] = value;
    else variables_[token] = value;
}

double GaugeHost::var(uint32_t token) const
{
    if (token < direct_tokens) return direct_variables_[token];
    const auto found = variables_.find(token);
    return found == variables_.end() ? 0.0 : found->second;
}

GAUGEHDR* GaugeHost::find_gauge(const std::string& name) const
{
    for (GAUGEHDR* gauge : gauges_)
        if (gauge->gauge_name != nullptr && name == gauge->gauge_name) return gauge;
    return nullptr;
}

const module_records& GaugeHost::module_of(const GAUGEHDR* gauge) const
{
    for (size_t i = 0; i < gauges_.size(); ++i)
        if (gauges_[i] == gauge) return modules_[gauge_modules_[i]];
    for (const gauge_instance& instance : instances_)
        if (instance.header == gauge) return module_of(instance.gauge);
    return module_;
}

// While one of a gauge's routines runs, the first linkage entry of its module designates that gauge.
template <typename Routine, typename... Args>
void GaugeHost::call_routine(const gauge_instance& instance, Routine routine, Args... args)
{
    if (routine == nullptr) return;
    LINKAGE& linkage = *module_of(instance.gauge).linkage;
    GAUGEHDR* const first = linkage.gauge_header_ptr[0];
    linkage.gauge_header_ptr[0] = instance.header;
    routine(args...);
    linkage.gauge_header_ptr[0] = first;
}

void GaugeHost::service(GAUGEHDR* gauge, int32_t service_id)
{
    if (gauge->gauge_callback != nullptr) gauge->gauge_callback(gauge, service_id, 0);
}

void GaugeHost::place(const std::vector<instance_place>& places)
{
    for (const gauge_instance& instance : instances_)
        if (instance.installed) throw std::logic_error("a panel is placed while the host is closed");
    instances_.clear();
    windows_.clear();
    for (const instance_place& place : places) {
        const size_t window = find_window(place.window);
        if (window == windows_.size()) windows_.push_back({place.window, place.window_open, place.window_open});
        GAUGEHDR* header = nullptr;
        const module_records& module = module_of(place.gauge);
        if (module.new_instance) header = module.new_instance(place.gauge);
        else header = &header_copies_.emplace_back(*place.gauge);
        instances_.push_back({header, place.gauge, static_cast<int>(window)});
    }
    order_instances();
}

void GaugeHost::set_serve_order(serve_order order)
{
    order_ = order;
    order_instances();
}

void GaugeHost::order_instances()
{
    serving_.clear();
    for (gauge_instance& instance : instances_) serving_.push_back(&instance);
    if (order_ == serve_order::reversed) std::reverse(serving_.begin(), serving_.end());
    if (order_ == serve_order::by_window)
        std::stable_sort(serving_.begin(), serving_.end(), [](const gauge_instance* a, const gauge_instance* b) { return a->window < b->window; });
}

bool GaugeHost::updated(const gauge_instance& instance) const
{
    return serve_closed_ || windows_[instance.window].open;
}

void GaugeHost::open()
{
    for (gauge_instance* instance : serving_) {
        if (instance->installed) continue;
        GAUGEHDR* const gauge = instance->header;
        service(gauge, service_ids_open[0][0]);
        call_routine(*instance, gauge->query_routine);
        service(gauge, service_ids_open[0][1]);
        service(gauge, service_ids_open[1][0]);
        call_routine(*instance, gauge->install_routine, module_of(instance->gauge).resource_handle);
        service(gauge, service_ids_open[1][1]);
        service(gauge, service_ids_open[2][0]);
        call_routine(*instance, gauge->initialize_routine);
        service(gauge, service_ids_open[2][1]);
        instance->installed = true;
    }
    connect();
}

void GaugeHost::connect()
{
    for (gauge_instance* instance : serving_)
        if (windows_[instance->window].open) service(instance->header, PANEL_SERVICE_CONNECT_TO_WINDOW);
}

void GaugeHost::update_instance(const gauge_instance& instance)
{
    service(instance.header, PANEL_SERVICE_PRE_UPDATE);
    call_routine(instance, instance.header->update_routine);
    service(instance.header, PANEL_SERVICE_POST_UPDATE);
}

void GaugeHost::draw_instance(const gauge_instance& instance)
{
    service(instance.header, PANEL_SERVICE_PRE_DRAW);
    call_routine(instance, instance.header->draw_routine);
    service(instance.header, PANEL_SERVICE_POST_DRAW);
}

void GaugeHost::frame(int count)
{
    for (int i = 0; i < count; ++i) {
        ++frames_;
        calls_.fill(0);
        first_call_.fill(-1);
        calls_in_frame_ = 0;
        in_frame_ = true;
        virtual_clock_advance();
        const int64_t frame_counter = virtual_devices.counter;
        int64_t served = 0;
        const std::vector<gauge_instance*>& order = serving_;  // kept: a frame allocates nothing
        for (size_t first = 0; first < order.size();) {
            // Window by window, each updated then drawn; otherwise all updated, then all drawn.
            size_t last = first + 1;
            if (order_ != serve_order::by_window) last = order.size();
            else
                while (last < order.size() && order[last]->window == order[first]->window) ++last;
            for (size_t k = first; k < last; ++k) {
                if (!updated(*order[k])) continue;
                virtual_devices.counter = frame_counter + served++ * ticks_apart_;
                update_instance(*order[k]);
            }
            for (size_t k = first; k < last; ++k)
                if (windows_[order[k]->window].open) draw_instance(*order[k]);
            first = last;
        }
        virtual_devices.counter = frame_counter;
        in_frame_ = false;
        last_frame_calls_ = calls_;
        last_frame_first_call_ = first_call_;
    }
}

void GaugeHost::close()
{
    for (gauge_instance* instance : serving_)
        if (windows_[instance->window].open) service(instance->header, PANEL_SERVICE_DISCONNECT);
    for (gauge_instance* instance : serving_) {
        GAUGEHDR* const gauge = instance->header;
        service(gauge, PANEL_SERVICE_PRE_KILL);
        call_routine(*instance, gauge->kill_routine);
        service(gauge, PANEL_SERVICE_POST_KILL);
        instance->installed = false;
    }
}

size_t GaugeHost::find_window(const std::string& name) const
{
    size_t w = 0;
    while (w < windows_.size() && lower_case(windows_[w].name) != lower_case(name)) ++w;
    return w;
}

bool GaugeHost::set_window(const std::string& name, bool open)
{
    const size_t w = find_window(name);
    if (w == windows_.size()) return false;
    if (windows_[w].open == open) return true;
    windows_[w].open = open;
    for (gauge_instance* instance : serving_)
        if (instance->window == static_cast<int>(w) && instance->installed)
            service(instance->header, open ? PANEL_SERVICE_CONNECT_TO_WINDOW : PANEL_SERVICE_DISCONNECT);
    return true;
}

bool GaugeHost::open_window(const std::string& name)
{
    return set_window(name, true);
}

bool GaugeHost::close_window(const std::string& name)
{
    return set_window(name, false);
}

void GaugeHost::reload()
{
    close();
    for (host_window& window : windows_) window.open = window.open_at_load;
    open();
}

click_result GaugeHost::click(GAUGEHDR* gauge, int32_t x, int32_t y)
{
    int child = 0;
    for (MOUSERECT* rect = gauge->mouse_rect; rect != nullptr && rect->rect_type != MOUSE_RECT_EOL; ++rect) {
        if (rect->rect_type != MOUSE_RECT_CHILD) continue;
        ++child;
        const bool inside = rect->x <= x && x < rect->x + rect->width && rect->y <= y && y < rect->y + rect->height;
        if (!inside) continue;
        PIXPOINT point = {x - rect->x, y - rect->y};
        const int32_t result = rect->callback != nullptr ? rect->callback(&point, MOUSE_LEFTSINGLE) : 0;
        return {child, result};
    }
    return {0, 0};
}

std::vector<element_values> GaugeHost::show(GAUGEHDR* gauge)
{
    std::vector<element_values> shown;
    ELEMENT_HEADER* element = gauge->elements_list != nullptr ? gauge->elements_list[0] : nullptr;
    for (int place = 1; element != nullptr && place <= longest_chain; ++place, element = next_in_chain(element)) {
        element_values values;
        values.place = place;
        values.kind = element->element_type;
        switch (element->element_type) {
        case ELEMENT_TYPE_STATIC_IMAGE:
            continue;
        case ELEMENT_TYPE_ICON: {
            auto* icon = reinterpret_cast<ELEMENT_ICON*>(element);
            if (icon->value_callback) values.value = icon->value_callback(element);
            break;
        }
        case ELEMENT_TYPE_NEEDLE: {
            auto* needle = reinterpret_cast<ELEMENT_NEEDLE*>(element);
            if (needle->value_callback) values.value = needle->value_callback(element);
            break;
        }
        case ELEMENT_TYPE_SLIDER: {
            auto* slider = reinterpret_cast<ELEMENT_SLIDER*>(element);
            if (slider->x_callback) values.x = slider->x_callback(element);
            if (slider->y_callback) values.y = slider->y_callback(element);
            break;
        }
        case ELEMENT_TYPE_SPRITE: {
            auto* sprite = reinterpret_cast<ELEMENT_SPRITE*>(element);
            if (sprite->x_callback) values.x = sprite->x_callback(element);
            if (sprite->y_callback) values.y = sprite->y_callback(element);
            if (sprite->rotation_callback) values.rotation = sprite->rotation_callback(element);
            break;
        }
        case ELEMENT_TYPE_STRING: {
            auto* string = reinterpret_cast<ELEMENT_STRING*>(element);
            // The host's buffer: the characters shown and a terminator, then guard bytes.
            const size_t size = static_cast<size_t>(string->characters_shown) + 1;
            string_buffer_.assign(size + string_guard_bytes, string_guard);
            string_buffer_[0] = '\0';
            string->text = string_buffer_.data();
            if (string->value_callback) values.value = string->value_callback(element);
            const char* begin = string_buffer_.data();
            values.text = std::string(begin, std::find(begin, begin + size, '\0'));
            values.overrun = std::any_of(string_buffer_.begin() + size, string_buffer_.end(),
                                         [](char c) { return c != string_guard; });
            break;
        }
        default:
            break;
        }
        shown.push_back(values);
    }
    return shown;
}

ELEMENT_HEADER* GaugeHost::element_at(GAUGEHDR* gauge, int place)
{
    ELEMENT_HEADER* element = gauge->elements_list != nullptr ? gauge->elements_list[0] : nullptr;
    for (int at = 1; element != nullptr && at <= longest_chain; ++at, element = next_in_chain(element))
        if (at == place) return element;
    return nullptr;
}

std::optional<double> GaugeHost::element_value(ELEMENT_HEADER* element)
{
    if (element == nullptr) return std::nullopt;
    switch (element->element_type) {
    case ELEMENT_TYPE_ICON: {
        auto* icon = reinterpret_cast<ELEMENT_ICON*>(element);
        if (icon->value_callback) return icon->value_callback(element);
        return std::nullopt;
    }
    case ELEMENT_TYPE_NEEDLE: {
        auto* needle = reinterpret_cast<ELEMENT_NEEDLE*>(element);
        if (needle->value_callback) return needle->value_callback(element);
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::vector<recorded_event> GaugeHost::last_frame_events() const
{
    std::vector<recorded_event> result;
    for (const recorded_event& event : events_)
        if (event.frame == frames_) result.push_back(event);
    return result;
}

std::vector<host_operation> GaugeHost::last_frame_operations() const
{
    std::vector<host_operation> operations;
    for (int i = 0; i < operation_count; ++i)
        if (last_frame_calls_[i] > 0) operations.push_back(static_cast<host_operation>(i));
    std::sort(operations.begin(), operations.end(), [this](host_operation a, host_operation b) {
        return last_frame_first_call_[static_cast<int>(a)] < last_frame_first_call_[static_cast<int>(b)];
    });
    return operations;
}

void GaugeHost::on_lookup_var(MODULE_VAR* var)
{
    count_call(host_operation::lookup_var);
    var->value = this->var(var->token);
}

uint32_t GaugeHost::on_trigger_key_event(uint32_t event_id, uint32_t value)
{
    count_call(host_operation::trigger_key_event);
    events_.push_back({frames_, event_id, static_cast<int32_t>(value)});
    return 0;
}

void GaugeHost::count_call(host_operation operation)
{
    if (!in_frame_) return;
    const int index = static_cast<int>(operation);
    if (calls_[index]++ == 0) first_call_[index] = calls_in_frame_++;
}
