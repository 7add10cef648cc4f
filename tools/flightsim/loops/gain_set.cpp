#include "tools/flightsim/loops/gain_set.h"

#include <charconv>
#include <cmath>
#include <fstream>

#include <unistd.h>

#include "config/number_text.h"
#include "tools/flightsim/loops/parallel_flights.h"
#include "platform/platform.h"
#include "platform/virtual_devices.h"

gain_values default_gains()
{
    gain_values gains{};
    for (int i = 0; i < gain_count; ++i) gains[i] = text_to_double(gain_keys[i].default_text);
    return gains;
}

gain_values read_gains(const std::string& path)
{
    gain_values gains{};
    for (int i = 0; i < gain_count; ++i) {
        char text[20] = {};  // the module's buffer: at most 19 characters of a value
        platform_get_profile_string(gain_keys[i].section, gain_keys[i].key, gain_keys[i].default_text, text, sizeof text,
                                    path.c_str());
        gains[i] = text_to_double(text);
    }
    return gains;
}

std::string gain_text(double value)
{
    char text[40];
    const auto result = std::to_chars(text, text + sizeof text, value);
    std::string s(text, result.ptr);
    if (s.find_first_of(".en") == std::string::npos) s += ".0";
    return s;
}

double four_digits(double value)
{
    if (value == 0.0 || !std::isfinite(value)) return value;
    char text[40];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, 3);
    double rounded = 0.0;
    std::from_chars(text, result.ptr, rounded);
    return rounded;
}

std::string flight_configuration(const gain_values& gains)
{
    std::string text;
    const auto line = [&text](const std::string& key, const std::string& value) { text += key + "=" + value + "\r\n"; };
    text += std::string("[") + config_key::gains + "]\r\n";
    for (int i = 0; i < gain_count; ++i) line(gain_keys[i].key, gain_text(gains[i]));
    text += std::string("[") + config_key::channels + "]\r\n";
    for (const configuration_key& channel : channel_keys) line(channel.key, channel.default_text);
    return text;
}

flight_folder::flight_folder(const std::string& kind, const gain_values& gains)
    : path(make_flight_folder(kind))
{
    std::filesystem::create_directories(path / "gauges");
    std::ofstream(path / "gauges" / "brask_torvik.cfg", std::ios::binary) << flight_configuration(gains);
    set_virtual_executable_path((path / "fs.exe").string());
}

flight_folder::~flight_folder()
{
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}
