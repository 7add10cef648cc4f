#include "tools/gaugehost/script/script_runner.h"

void print_events(GaugeHost& host, std::ostream& out)
{
    for (const recorded_event& event : host.events())
        out << "{\"frame\":" << event.frame << ",\"event\":" << event.id << ",\"value\":" << event.value << "}\n";
    host.clear_events();
}

void run_script(const std::vector<script_command>& commands, GaugeHost& host, std::ostream& out)
{
    for (const script_command& command : commands) {
        try {
            command.run(host, out);
            print_events(host, out);
        } catch (const module_fault&) {
            throw;
        } catch (const std::exception& error) {
            throw script_error(command.line, error.what());
        }
    }
}
