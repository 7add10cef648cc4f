#include "config/configuration.h"

#include <cstring>

#include "state/autopilot_state.h"
#include "common/control_math.h"
#include "config/configuration_keys.h"
#include "config/number_text.h"
#include "platform/platform.h"

namespace {
const char* const path_suffix = "\\gauges\\brask_torvik.cfg";

// Reads one key's text into ini_buffer; the default text when the file, section or key is
// missing, or when the path cannot be composed.
void read_text(configuration_state& io, const configuration_key& key)
{
    const config_path path = config_file_path();
    if (!path.fits) {
        std::strncpy(io.ini_buffer, key.default_text, ini_buffer_size - 1);
        io.ini_buffer[ini_buffer_size - 1] = '\0';
        return;
    }
    platform_get_profile_string(key.section, key.key, key.default_text, io.ini_buffer, ini_buffer_size, path.text);
}

double read_gain(configuration_state& io, const configuration_key& key)
{
    read_text(io, key);
    return text_to_double(io.ini_buffer);
}

// Options are on only when exactly 1; any other whole number is kept as it is.
int32_t read_option(configuration_state& io, const configuration_key& key)
{
    read_text(io, key);
    return truncate_to_int32(text_to_double(io.ini_buffer));
}

// An assignment keeps the low 8 bits of the whole number, as a signed byte.
int8_t read_assignment(configuration_state& io, const configuration_key& key)
{
    read_text(io, key);
    const int32_t whole = truncate_to_int32(text_to_double(io.ini_buffer));
    return static_cast<int8_t>(static_cast<uint8_t>(static_cast<uint32_t>(whole) & 0xFFu));
}

// Written as a plain whole number, which reads back as the same value for every byte.
void write_assignment(configuration_state& io, const configuration_key& key, int8_t assignment)
{
    integer_to_text(assignment, io.ini_buffer, ini_buffer_size);
    const config_path path = config_file_path();
    if (!path.fits) return;
    platform_write_profile_string(key.section, key.key, io.ini_buffer, path.text);
}
}  // namespace

config_path config_file_path()
{
    config_path path{};
    char executable[config_path_size];
    const uint32_t length = platform_module_file_name(executable, config_path_size);
    if (length == 0 || length >= config_path_size) return path;  // no path, or cut short
    executable[length] = '\0';

    char drive[platform_drive_size];
    char directory[platform_directory_size];
    platform_split_path(executable, drive, directory);

    const size_t total = std::strlen(drive) + std::strlen(directory) + std::strlen(path_suffix);
    if (total + 1 > config_path_size) return path;
    std::strcpy(path.text, drive);
    std::strcat(path.text, directory);
    std::strcat(path.text, path_suffix);
    path.fits = true;
    return path;
}

void read_configuration(configuration_state& io, autopilot_settings& settings)
{
    settings.kurs_kp = read_gain(io, config_key::kurs_kp);
    settings.kurs_kd = read_gain(io, config_key::kurs_kd);
    settings.kurs_ki = read_gain(io, config_key::kurs_ki);
    settings.kren_kp = read_gain(io, config_key::kren_kp);
    settings.kren_kd = read_gain(io, config_key::kren_kd);
    settings.kren_ki = read_gain(io, config_key::kren_ki);
    settings.tang_kp = read_gain(io, config_key::tang_kp);
    settings.tang_kd = read_gain(io, config_key::tang_kd);
    settings.tang_ki = read_gain(io, config_key::tang_ki);
    settings.vys_kp = read_gain(io, config_key::vys_kp);
    settings.vys_kd = read_gain(io, config_key::vys_kd);
    settings.vys_ki = read_gain(io, config_key::vys_ki);
    settings.speed_kp = read_gain(io, config_key::speed_kp);
    settings.speed_kd = read_gain(io, config_key::speed_kd);
    settings.speed_ki = read_gain(io, config_key::speed_ki);
    read_channel_assignments(io, settings);
    settings.ap_trim_tang_on = read_option(io, config_key::ap_trim_tang_on);
    settings.ap_trim_kurs_on = read_option(io, config_key::ap_trim_kurs_on);
    settings.ap_kurs_otkl_on = read_option(io, config_key::ap_kurs_otkl_on);
}

void read_channel_assignments(configuration_state& io, autopilot_settings& settings)
{
    settings.ap_kren_kanal = read_assignment(io, config_key::ap_kren_kanal);
    settings.ap_tang_kanal = read_assignment(io, config_key::ap_tang_kanal);
    settings.ap_schag_kanal = read_assignment(io, config_key::ap_schag_kanal);
    settings.ap_kurs_kanal = read_assignment(io, config_key::ap_kurs_kanal);
}

void write_channel_assignments(configuration_state& io, const autopilot_settings& settings)
{
    write_assignment(io, config_key::ap_kren_kanal, settings.ap_kren_kanal);
    write_assignment(io, config_key::ap_tang_kanal, settings.ap_tang_kanal);
    write_assignment(io, config_key::ap_schag_kanal, settings.ap_schag_kanal);
    write_assignment(io, config_key::ap_kurs_kanal, settings.ap_kurs_kanal);
}
