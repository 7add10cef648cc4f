// gaugehost's script parser on arbitrary text: a script is either accepted or refused with a
// line number inside the script; nothing crashes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/gaugehost/script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    size_t lines = 1;
    for (char c : text) lines += c == '\n';
    try {
        const auto commands = parse_script(text, [](const std::string& name) { return name == "A_Pilot" || name == "IN_4"; });
        for (const script_command& command : commands)
            if (command.line < 1 || static_cast<size_t>(command.line) > lines) __builtin_trap();
    } catch (const script_error& error) {
        if (error.line < 1 || static_cast<size_t>(error.line) > lines) __builtin_trap();
    }
    return 0;
}
