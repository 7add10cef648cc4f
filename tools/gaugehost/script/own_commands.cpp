// gaugehost's own script commands, each a parser that checks its line and gives what running it
// does. The module's events each command causes are printed after it (script_runner.cpp).
#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <utility>

#include "platform/virtual_devices.h"
#include "tools/gaugehost/host/gauge_host.h"
#include "tools/gaugehost/host/json_output.h"
#include "tools/gaugehost/panel/panel_instances.h"
#include "tools/gaugehost/render/renderer.h"
#include "tools/gaugehost/script/script_commands.h"
#include "tools/gaugehost/script/script_line.h"
#include "tools/gaugehost/script/script_runner.h"

namespace {

constexpr int64_t max_render_scale = 16;
constexpr int64_t int32_least = INT32_MIN, int32_most = INT32_MAX;

// The rest of the line after the blanks that follow the word, blanks included.
script_action parse_exe(const script_line& line)
{
    const std::string& text = line.text();
    const size_t start = text.find_first_not_of(" \t", text.find("exe") + 3);
    const std::string path = start == std::string::npos ? "" : text.substr(start);
    if (path.empty()) line.fail("'exe' takes a path");
    return [path](GaugeHost&, std::ostream&) { set_virtual_executable_path(path); };
}

script_action parse_var(const script_line& line)
{
    if (line.size() < 3 || line.size() % 2 == 0) line.fail("'var' takes pairs of TOKEN VALUE");
    std::vector<std::pair<uint32_t, double>> vars;
    for (size_t i = 1; i < line.size(); i += 2)
        vars.emplace_back(static_cast<uint32_t>(line.integer(i, "token", 0, UINT32_MAX)), line.value(i + 1));
    return [vars](GaugeHost& host, std::ostream&) {
        for (const auto& [token, value] : vars) host.set_var(token, value);
    };
}

script_action parse_clock(const script_line& line)
{
    line.expect_words(3, 3);
    if (line[1] == "at") {
        const int64_t counter = line.integer(2, "counter value");
        return [counter](GaugeHost&, std::ostream&) { virtual_devices.counter = counter; };
    }
    const int64_t frequency = line.integer(1, "frequency", 0);
    const int64_t step = line.integer(2, "step", 0);
    return [frequency, step](GaugeHost&, std::ostream&) {
        virtual_devices.frequency = frequency;
        virtual_devices.step = step;
    };
}

script_action joystick_present(const script_line& line, virtual_joystick& stick)
{
    line.expect_words(3, 5);
    bool has_z = false, has_r = false;
    for (size_t i = 3; i < line.size(); ++i) {
        if (line[i] == "z") has_z = true;
        else if (line[i] == "r") has_r = true;
        else line.fail("'present' takes only z and r, not " + quoted_word(line[i]));
    }
    return [&stick, has_z, has_r](GaugeHost&, std::ostream&) {
        stick.present = true;
        stick.failing = false;
        stick.has_z = has_z;
        stick.has_r = has_r;
    };
}

// joystick ID x=... y=... z=... r=... buttons=... flags=...: the device's next readings.
script_action joystick_settings(const script_line& line, virtual_joystick& stick)
{
    static const std::pair<const char*, uint32_t virtual_joystick::*> keys[] = {
        {"x", &virtual_joystick::x}, {"y", &virtual_joystick::y},           {"z", &virtual_joystick::z},
        {"r", &virtual_joystick::r}, {"buttons", &virtual_joystick::buttons}, {"flags", &virtual_joystick::flags}};
    std::vector<std::pair<uint32_t virtual_joystick::*, uint32_t>> settings;
    for (size_t i = 2; i < line.size(); ++i) {
        const size_t equals = line[i].find('=');
        const std::string key = line[i].substr(0, equals);
        uint32_t virtual_joystick::*field = nullptr;
        for (const auto& [name, member] : keys)
            if (key == name) field = member;
        if (equals == std::string::npos || field == nullptr) line.fail("bad joystick setting " + quoted_word(line[i]));
        uint32_t value = 0;
        if (!parse_whole_number(line[i].substr(equals + 1), value)) line.fail("bad joystick value " + quoted_word(line[i]));
        settings.emplace_back(field, value);
    }
    return [&stick, settings](GaugeHost&, std::ostream&) {
        for (const auto& [field, value] : settings) stick.*field = value;
        stick.failing = false;
    };
}

// The scripted device as the module will find and poll it.
script_action parse_joystick(const script_line& line)
{
    if (line.size() < 3) line.fail("'joystick' takes an id and a state or settings");
    const int64_t id = line.integer(1, "joystick id", 0);
    if (id > 1) line.fail("joystick id must be 0 or 1");
    virtual_joystick& stick = virtual_devices.joysticks[id];
    if (line[2] == "absent" || line[2] == "fail") {
        line.expect_words(3, 3);
        if (line[2] == "absent") return [&stick](GaugeHost&, std::ostream&) { stick.present = false; };
        return [&stick](GaugeHost&, std::ostream&) { stick.failing = true; };
    }
    if (line[2] == "present") return joystick_present(line, stick);
    return joystick_settings(line, stick);
}

// A command of no arguments that calls the host.
template <void (GaugeHost::*operation)()>
script_action host_operation_of(const script_line& line)
{
    line.expect_words(1, 1);
    return [](GaugeHost& host, std::ostream&) { (host.*operation)(); };
}

script_action parse_frame(const script_line& line)
{
    line.expect_words(1, 2);
    const int64_t frames = line.size() == 2 ? line.integer(1, "frame count", 0) : 1;
    return [frames](GaugeHost& host, std::ostream& out) {
        for (int64_t i = 0; i < frames; ++i) {
            host.frame();
            print_events(host, out);
        }
    };
}

script_action parse_service(const script_line& line)
{
    line.expect_words(3, 3);
    const std::string gauge = line.gauge(1);
    const auto id = static_cast<int32_t>(line.integer(2, "service id", int32_least, int32_most));
    return [gauge, id](GaugeHost& host, std::ostream&) { host.service(host.find_gauge(gauge), id); };
}

// A click, N times, each with the events it caused and its own line.
script_action parse_click(const script_line& line)
{
    line.expect_words(4, 5);
    const std::string gauge = line.gauge(1);
    const auto x = static_cast<int32_t>(line.integer(2, "x", int32_least, int32_most));
    const auto y = static_cast<int32_t>(line.integer(3, "y", int32_least, int32_most));
    const int64_t clicks = line.size() == 5 ? line.integer(4, "click count", 0) : 1;
    return [gauge, x, y, clicks](GaugeHost& host, std::ostream& out) {
        for (int64_t i = 0; i < clicks; ++i) {
            const click_result hit = host.click(host.find_gauge(gauge), x, y);
            print_events(host, out);
            out << "{\"click\":" << json_string(gauge) << ",\"x\":" << x << ",\"y\":" << y;
            if (hit.rect == 0) out << ",\"rect\":null}\n";
            else out << ",\"rect\":" << hit.rect << ",\"result\":" << hit.result << "}\n";
        }
    };
}

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

void print_show(const std::string& gauge, const std::vector<element_values>& elements, std::ostream& out)
{
    for (const element_values& element : elements) {
        out << "{\"gauge\":" << json_string(gauge) << ",\"element\":" << element.place << ",\"kind\":\""
            << kind_name(element.kind) << '"';
        if (element.value) out << ",\"value\":" << json_number(*element.value);
        if (element.x) out << ",\"x\":" << json_number(*element.x);
        if (element.y) out << ",\"y\":" << json_number(*element.y);
        if (element.rotation) out << ",\"rotation\":" << json_number(*element.rotation);
        if (element.text) out << ",\"text\":" << json_string(*element.text);
        if (element.overrun) out << ",\"overrun\":true";
        out << "}\n";
    }
}

script_action parse_show(const script_line& line)
{
    line.expect_words(2, 2);
    const std::string gauge = line.gauge(1);
    return [gauge](GaugeHost& host, std::ostream& out) { print_show(gauge, host.show(host.find_gauge(gauge)), out); };
}

script_action parse_render(const script_line& line)
{
    line.expect_words(3, 4);
    const std::string gauge = line.gauge(1);
    const std::string file = line[2];
    const int64_t scale = line.size() == 4 ? line.integer(3, "scale", 1) : 1;
    if (scale > max_render_scale) line.fail("scale must be 1 to " + std::to_string(max_render_scale));
    return [gauge, file, scale](GaugeHost& host, std::ostream& out) {
        out << render_command(host, gauge, file, static_cast<int>(scale)) << "\n";
    };
}

script_action parse_stats(const script_line& line)
{
    line.expect_words(1, 1);
    return [](GaugeHost& host, std::ostream& out) {
        out << "{\"stats\":{";
        const char* separator = "";
        for (host_operation operation : host.last_frame_operations()) {
            out << separator << '"' << host_operation_name(operation) << "\":" << host.calls_in_last_frame(operation);
            separator = ",";
        }
        out << "}}\n";
    };
}

script_action parse_panel(const script_line& line)
{
    line.expect_words(2, 2);
    const std::string file = line[1];
    return [file](GaugeHost& host, std::ostream& out) { place_panel(host, file, out); };
}

script_action parse_serve(const script_line& line)
{
    line.expect_words(2, 5);
    static const std::pair<const char*, serve_order> orders[] = {
        {"listed", serve_order::listed}, {"reversed", serve_order::reversed}, {"by-window", serve_order::by_window}};
    const auto* order = std::find_if(std::begin(orders), std::end(orders), [&](const auto& o) { return line[1] == o.first; });
    if (order == std::end(orders)) line.fail("'serve' takes listed, reversed or by-window, not " + quoted_word(line[1]));
    bool closed = false;
    int64_t apart = 0;
    for (size_t i = 2; i < line.size(); ++i) {
        if (line[i] == "closed" && !closed) closed = true;
        else if (line[i] == "apart" && i + 1 < line.size()) apart = line.integer(++i, "tick count", 0);
        else line.fail("'serve' ORDER takes 'closed' and 'apart TICKS' after it, not " + quoted_word(line[i]));
    }
    return [chosen = order->second, closed, apart](GaugeHost& host, std::ostream&) {
        host.set_serve_order(chosen);
        host.serve_closed_windows(closed);
        host.set_ticks_between_instances(apart);
    };
}

script_action parse_window(const script_line& line)
{
    line.expect_words(3, 3);
    if (line[2] != "open" && line[2] != "close") line.fail("'window' takes a window's name and open or close");
    const std::string window = line[1];
    const bool open = line[2] == "open";
    return [window, open](GaugeHost& host, std::ostream&) {
        if (!(open ? host.open_window(window) : host.close_window(window)))
            throw std::runtime_error("the panel has no window " + quoted_word(window));
    };
}

// The disk behind the module's own files, as the virtual devices offer it.
script_action parse_disk(const script_line& line)
{
    line.expect_words(2, 3);
    if (line[1] == "space" && line.size() == 3) {
        const int64_t bytes = line.integer(2, "byte count", 0);
        return [bytes](GaugeHost&, std::ostream&) { virtual_devices.disk.bytes_left = bytes; };
    }
    if (line.size() == 2 && (line[1] == "read-only" || line[1] == "vanish" || line[1] == "fine")) {
        const std::string fault = line[1];
        return [fault](GaugeHost&, std::ostream&) {
            virtual_disk& disk = virtual_devices.disk;
            if (fault == "fine") disk = virtual_disk{};
            if (fault == "read-only") disk.read_only = true;
            if (fault == "vanish") disk.vanished = true;
        };
    }
    line.fail("'disk' takes space BYTES, read-only, vanish or fine");
}

script_word own(std::string usage, std::string help, script_action (*parse)(const script_line&))
{
    return {std::move(usage), std::move(help), parse, true};
}

}  // namespace

std::vector<std::pair<std::string, script_word>> own_script_words()
{
    return {
        {"exe", own("exe PATH", "the path the module finds as the simulator's own", parse_exe)},
        {"var", own("var TOKEN VALUE ...", "the host variables' next values", parse_var)},
        {"clock", own("clock F STEP | clock at C", "the performance counter: its frequency and step a read, or its value",
                      parse_clock)},
        {"joystick", own("joystick ID absent | present [z] [r] | fail | KEY=VALUE ...",
                         "the joystick's state, or its next readings (x y z r buttons flags)", parse_joystick)},
        {"open", own("open", "the host connects the module and installs its gauges", host_operation_of<&GaugeHost::open>)},
        {"frame", own("frame [N]", "N frames (1): every gauge updated and drawn", parse_frame)},
        {"service", own("service GAUGE ID", "the gauge's callback called with the service ID", parse_service)},
        {"click", own("click GAUGE X Y [N]", "a click at X Y, N times", parse_click)},
        {"show", own("show GAUGE", "the gauge's elements and their values", parse_show)},
        {"render", own("render GAUGE FILE.png [SCALE]", "the gauge as the host draws it, SCALE times enlarged",
                       parse_render)},
        {"panel", own("panel FILE",
                      "before open: one instance of a gauge for every line of the aircraft's\n"
                      "panel.cfg that names it, in its window (visible=0: the window starts closed);\n"
                      "the checker's findings are printed first",
                      parse_panel)},
        {"serve", own("serve listed|reversed|by-window [closed] [apart TICKS]",
                      "the order of the instances within a frame (the simulator's is not\n"
                      "documented): as the panel lists them, the reverse, or window by window each\n"
                      "updated and drawn; closed: a closed window's instances still get updated;\n"
                      "apart: the counter ticks that pass from one instance's update to the next",
                      parse_serve)},
        {"window", own("window NAME open|close", "the pilot opens or closes a window (Window01, VCockpit01...)",
                       parse_window)},
        {"disk", own("disk space BYTES | disk read-only | disk vanish | disk fine",
                     "the disk behind a module's own files: room for BYTES more, no new file\n"
                     "made, the open files gone; fine: none of these",
                     parse_disk)},
        {"reload", own("reload", "the panel is loaded again: every instance killed, then installed again",
                       host_operation_of<&GaugeHost::reload>)},
        {"stats", own("stats", "the host calls of the last frame, by operation", parse_stats)},
        {"close", own("close", "the host kills the gauges and disconnects the module", host_operation_of<&GaugeHost::close>)},
    };
}
