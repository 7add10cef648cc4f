// The panel.cfg reader, panel-check and panel-install on arbitrary bytes (seeds: the package's
// example and a UTF-16 panel with a virtual cockpit): each input is refused as not text, or read,
// and every finding names a line of the file (or none); a file install changes, uninstall gives
// back byte for byte, and a second install leaves alone. Nothing crashes or hangs.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/gaugehost/panel/panel_check.h"
#include "tools/gaugehost/panel/panel_install.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::vector<module_gauge> gauges = {{"A_Pilot", 20, 20}, {"AP_Panel_1", 420, 250}, {"IN_4", 388, 139}};
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    try {
        const panel_layout panel = parse_panel_text(bytes);
        const long lines = static_cast<long>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;
        for (const panel_finding& f : check_panel(panel, "BRASK_TORVIK_V1_0", gauges, "A_Pilot"))
            if (f.line < 0 || f.line > lines) __builtin_trap();  // a line the file does not have
        const panel_edit installed = install_into_panel(bytes, "BRASK_TORVIK_V1_0", "A_Pilot");
        if (installed.result == panel_edit::outcome::changed) {
            if (uninstall_from_panel(installed.bytes, "BRASK_TORVIK_V1_0", "A_Pilot").bytes != bytes) __builtin_trap();
            if (install_into_panel(installed.bytes, "BRASK_TORVIK_V1_0", "A_Pilot").result != panel_edit::outcome::unchanged)
                __builtin_trap();
        }
    } catch (const panel_file_error&) {
    }
    return 0;
}
