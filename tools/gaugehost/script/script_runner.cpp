#include "tools/gaugehost/script/script_runner.h"

#include "platform/virtual_devices.h"
#include "tools/gaugehost/host/json_output.h"
#include "tools/gaugehost/panel/panel_instances.h"
#include "tools/gaugehost/render/renderer.h"
#include "tools/gaugehost/script/script_commands.h"

namespace {

const char* kind_name(uint32_t kind)
{
    switch (kind) {
    case ELEMENT_TYPE_ICON: return "icon";
    case ELEMENT_TYPE_NEEDLE: return "needle";
    case ELEMENT_TYPE_SLIDER: return "slider";
    case ELEMENT_TYPE_SPRITE: return "sprite";
    case ELEMENT_TYPE_STRING: return "string";
    default: return "unknown";
    }
}

void set_joystick_key(virtual_joystick& stick, const std::string& key, uint32_t value)
{
    if (key == "x") stick.x = value;
    if (key == "y") stick.y = value;
    if (key == "z") stick.z = value;
    if (key == "r") stick.r = value;
    if (key == "buttons") stick.buttons = value;
    if (key == "flags") stick.flags = value;
}

// Prints the events recorded since the last call, and forgets them.
void print_events(GaugeHost& host, std::ostream& out)
{
    for (const recorded_event& event : host.events())
        out << "{\"frame\":" << event.frame << ",\"event\":" << event.id << ",\"value\":" << event.value << "}\n";
    host.clear_events();
}

void print_show(const std::string& gauge, const std::vector<element_values>& elements, std::ostream& out)
{
    for (const element_values& element : elements) {
        out << "{\"gauge\":" << json_string(gauge) << ",\"element\":" << element.place
            << ",\"kind\":\"" << kind_name(element.kind) << '"';
        if (element.value) out << ",\"value\":" << json_number(*element.value);
        if (element.x) out << ",\"x\":" << json_number(*element.x);
        if (element.y) out << ",\"y\":" << json_number(*element.y);
        if (element.rotation) out << ",\"rotation\":" << json_number(*element.rotation);
        if (element.text) out << ",\"text\":" << json_string(*element.text);
        if (element.overrun) out << ",\"overrun\":true";
        out << "}\n";
    }
}

void print_stats(const GaugeHost& host, std::ostream& out)
{
    out << "{\"stats\":{";
    const char* separator = "";
    for (host_operation operation : host.last_frame_operations()) {
        out << separator << '"' << host_operation_name(operation) << "\":" << host.calls_in_last_frame(operation);
        separator = ",";
    }
    out << "}}\n";
}

// Carries out one command; a command that cannot be carried out throws.
// The joystick commands: the scripted device as the module will find and poll it.
void run_joystick_command(const script_command& command)
{
    virtual_joystick& stick = virtual_devices.joysticks[command.first];
    switch (command.kind) {
    case command_kind::joystick_absent:
        stick.present = false;
        break;
    case command_kind::joystick_present:
        stick.present = true;
        stick.failing = false;
        stick.has_z = command.has_z;
        stick.has_r = command.has_r;
        break;
    case command_kind::joystick_fail:
        stick.failing = true;
        break;
    default:
        for (const auto& [key, value] : command.joystick_keys) set_joystick_key(stick, key, value);
        stick.failing = false;
        break;
    }
}

// A click, N times, each with the events it caused and its own line.
void run_click(const script_command& command, GaugeHost& host, std::ostream& out)
{
    for (int64_t i = 0; i < command.count; ++i) {
        const click_result hit =
            host.click(host.find_gauge(command.text), static_cast<int32_t>(command.first), static_cast<int32_t>(command.second));
        print_events(host, out);
        out << "{\"click\":" << json_string(command.text) << ",\"x\":" << command.first << ",\"y\":" << command.second;
        if (hit.rect == 0) out << ",\"rect\":null}\n";
        else out << ",\"rect\":" << hit.rect << ",\"result\":" << hit.result << "}\n";
    }
}

void run_command(const script_command& command, GaugeHost& host, std::ostream& out)
{
    switch (command.kind) {
    case command_kind::exe:
        virtual_devices.executable_path = command.text;
        break;
    case command_kind::var:
        for (const auto& [token, value] : command.vars) host.set_var(token, value);
        break;
    case command_kind::clock_rate:
        virtual_devices.frequency = command.first;
        virtual_devices.step = command.second;
        break;
    case command_kind::clock_at:
        virtual_devices.counter = command.first;
        break;
    case command_kind::joystick_absent:
    case command_kind::joystick_present:
    case command_kind::joystick_fail:
    case command_kind::joystick_set:
        run_joystick_command(command);
        break;
    case command_kind::open:
        host.open();
        break;
    case command_kind::frame:
        for (int64_t i = 0; i < command.first; ++i) {
            host.frame();
            print_events(host, out);
        }
        break;
    case command_kind::service:
        host.service(host.find_gauge(command.text), static_cast<int32_t>(command.first));
        break;
    case command_kind::click:
        run_click(command, host, out);
        break;
    case command_kind::show:
        print_show(command.text, host.show(host.find_gauge(command.text)), out);
        break;
    case command_kind::render:
        out << render_command(host, command.text, command.file, static_cast<int>(command.count)) << "\n";
        break;
    case command_kind::extension:
        find_script_command(command.words[0])->run(command.words, host, out);
        break;
    case command_kind::stats:
        print_stats(host, out);
        break;
    case command_kind::close:
        host.close();
        break;
    case command_kind::panel:
        place_panel(host, command.text, out);
        break;
    case command_kind::serve:
        host.set_serve_order(static_cast<serve_order>(command.first));
        host.serve_closed_windows(command.second == 1);
        host.set_ticks_between_instances(command.count);
        break;
    case command_kind::window:
        if (!(command.first == 1 ? host.open_window(command.text) : host.close_window(command.text)))
            throw std::runtime_error("the panel has no window " + quoted_word(command.text));
        break;
    case command_kind::reload:
        host.reload();
        break;
    }
    print_events(host, out);
}

}  // namespace

void run_script(const std::vector<script_command>& commands, GaugeHost& host, std::ostream& out)
{
    for (const script_command& command : commands) {
        try {
            run_command(command, host, out);
        } catch (const module_fault&) {
            throw;
        } catch (const std::exception& error) {
            throw script_error(command.line, error.what());
        }
    }
}
