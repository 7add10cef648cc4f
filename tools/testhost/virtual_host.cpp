#include "tools/testhost/virtual_host.h"

#include <stdexcept>

#include "module/a_pilot.h"
#include "platform/virtual_devices.h"

VirtualHost* VirtualHost::current_ = nullptr;

namespace {
VirtualHost& host()
{
    return *VirtualHost::current();
}

void HOST_CALL query(ELEMENT_HEADER*) { host().count_call(host_operation::element_list_query); }
void HOST_CALL install(ELEMENT_HEADER*, void*) { host().count_call(host_operation::element_list_install); }
void HOST_CALL initialize(ELEMENT_HEADER*) { host().count_call(host_operation::element_list_initialize); }
void HOST_CALL update(ELEMENT_HEADER*) { host().count_call(host_operation::element_list_update); }
void HOST_CALL generate(ELEMENT_HEADER*, uint32_t) { host().count_call(host_operation::element_list_generate); }
void HOST_CALL plot(ELEMENT_HEADER*) { host().count_call(host_operation::element_list_plot); }
void HOST_CALL erase(ELEMENT_HEADER*) { host().count_call(host_operation::element_list_erase); }
void HOST_CALL kill(ELEMENT_HEADER*) { host().count_call(host_operation::element_list_kill); }

uint32_t HOST_CALL trigger_key_event(uint32_t event_id, uint32_t value)
{
    return host().on_trigger_key_event(event_id, value);
}

void HOST_CALL lookup_var(MODULE_VAR* var) { host().on_lookup_var(var); }

constexpr size_t event_capacity = 1 << 16;  // reserved so that recording does not allocate mid-frame
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

VirtualHost::VirtualHost()
{
    if (current_ != nullptr) throw std::logic_error("only one VirtualHost may be live at a time");
    current_ = this;
    panels_.element_list_query = query;
    panels_.element_list_install = install;
    panels_.element_list_initialize = initialize;
    panels_.element_list_update = update;
    panels_.element_list_generate = generate;
    panels_.element_list_plot = plot;
    panels_.element_list_erase = erase;
    panels_.element_list_kill = kill;
    panels_.trigger_key_event = ::trigger_key_event;
    panels_.lookup_var = ::lookup_var;
    previous_panels_ = ImportTable.panels_entry.panels;
    ImportTable.panels_entry.panels = &panels_;
    events_.reserve(event_capacity);
}

VirtualHost::~VirtualHost()
{
    ImportTable.panels_entry.panels = previous_panels_;
    current_ = nullptr;
}

void VirtualHost::set_var(uint32_t token, double value)
{
    variables_[token] = value;
}

double VirtualHost::var(uint32_t token) const
{
    const auto found = variables_.find(token);
    return found == variables_.end() ? 0.0 : found->second;
}

void VirtualHost::connect()
{
    service(PANEL_SERVICE_CONNECT_TO_WINDOW);
}

void VirtualHost::frame(int count)
{
    for (int i = 0; i < count; ++i) {
        ++frames_;
        calls_.fill(0);
        in_frame_ = true;
        virtual_clock_advance();
        a_pilot_gauge_callback(nullptr, PANEL_SERVICE_PRE_UPDATE, 0);
        in_frame_ = false;
        last_frame_calls_ = calls_;
    }
}

void VirtualHost::service(int32_t service_id)
{
    a_pilot_gauge_callback(nullptr, service_id, 0);
}

std::vector<recorded_event> VirtualHost::last_frame_events() const
{
    std::vector<recorded_event> result;
    for (const recorded_event& event : events_)
        if (event.frame == frames_) result.push_back(event);
    return result;
}

void VirtualHost::on_lookup_var(MODULE_VAR* var)
{
    count_call(host_operation::lookup_var);
    var->value = this->var(var->token);
}

uint32_t VirtualHost::on_trigger_key_event(uint32_t event_id, uint32_t value)
{
    count_call(host_operation::trigger_key_event);
    events_.push_back({frames_, event_id, static_cast<int32_t>(value)});
    return 0;
}

void VirtualHost::count_call(host_operation operation)
{
    if (in_frame_) ++calls_[static_cast<int>(operation)];
}
