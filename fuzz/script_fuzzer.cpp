// gaugehost's script parser, with the flight commands registered, on arbitrary text: a script is
// either accepted or refused with a line number inside the script and a short message of
// printable bytes, whatever words it quotes; nothing crashes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "tools/gaugehost/script/script.h"

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
        const char* message = error.what();
        if (std::strlen(message) > 300) __builtin_trap();
        for (const char* c = message; *c != '\0'; ++c)
            if (static_cast<unsigned char>(*c) < 0x20 || *c == 0x7F) __builtin_trap();
    }
    return 0;
}
