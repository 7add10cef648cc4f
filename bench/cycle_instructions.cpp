// Runs N update cycles of an engaged helicopter in level flight, for valgrind's instruction
// count: the count of a run with N cycles less that of a run with none, divided by N, is the
// instructions per cycle.
#include <cstdlib>

#include "bench/flight_setup.h"
#include "gauges/a_pilot.h"
#include "tools/gaugehost/host/linked_module.h"

int main(int argc, char** argv)
{
    const int cycles = argc > 1 ? std::atoi(argv[1]) : 0;
    GaugeHost host(linked_module());
    engaged_level_flight(host);
    for (int frame = 1; frame <= cycles; ++frame) {
        next_sample(host, frame);
        a_pilot_gauge_callback(nullptr, PANEL_SERVICE_PRE_UPDATE, 0);
        if (host.events().size() > 60000) host.clear_events();
    }
    return 0;
}
