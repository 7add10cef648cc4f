#include "tools/gaugehost/panel/panel_instances.h"

#include <ostream>
#include <stdexcept>

#include "tools/gaugehost/host/json_output.h"
#include "tools/gaugehost/panel/panel_check.h"

std::vector<instance_place> panel_places(const GaugeHost& host, const panel_layout& panel)
{
    std::vector<instance_place> places;
    for (const panel_window& w : panel.windows) {
        if (!w.created) continue;
        for (const panel_gauge& g : w.gauges) {
            if (!g.problem.empty()) continue;
            GAUGEHDR* gauge = host.find_gauge(g.gauge);
            if (gauge != nullptr && g.module == host.module_name(gauge)) places.push_back({gauge, w.section, w.visible});
        }
    }
    return places;
}

void place_panel(GaugeHost& host, const std::string& path, std::ostream& out)
{
    panel_layout panel;
    try {
        panel = read_panel_file(path);
    } catch (const panel_file_error& error) {
        throw std::runtime_error(error.what());
    }
    for (const panel_finding& f : check_panel(panel, host.module_name(), module_gauges(host), "A_Pilot"))
        out << "{\"panel\":" << json_string(path) << ",\"line\":" << f.line << ",\"finding\":" << json_string(f.text) << (f.note ? ",\"note\":true" : "") << "}\n";
    const std::vector<instance_place> places = panel_places(host, panel);
    if (places.size() > most_panel_instances)
        throw std::runtime_error(path + " places " + std::to_string(places.size()) + " instances of the module's gauges; the host serves at most " +
                                 std::to_string(most_panel_instances));
    host.place(places);
    for (const gauge_instance& instance : host.instances())
        out << "{\"instance\":" << json_string(instance.gauge->gauge_name) << ",\"window\":" << json_string(host.windows()[instance.window].name)
            << ",\"open\":" << (host.windows()[instance.window].open ? "true" : "false") << "}\n";
}
