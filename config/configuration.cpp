#include "config/configuration.h"

#include <cstring>

#include "autopilot/autopilot_state.h"
#include "common/control_math.h"
#include "config/number_text.h"
#include "platform/platform.h"

configuration_state cfg;

namespace {
const char* const path_suffix = "\\gauges\\brask_torvik.cfg";
const char* const section_gains = "a_pilot";
const char* const section_channels = "joy_kanal";

// Reads one key's text into ini_buffer; the default text when the file, section or key is
// missing, or when the path cannot be composed.
void read_text(const char* section, const char* key, const char* default_text)
{
    const config_path path = config_file_path();
    if (!path.fits) {
        std::strncpy(cfg.ini_buffer, default_text, ini_buffer_size - 1);
        cfg.ini_buffer[ini_buffer_size - 1] = '\0';
        return;
    }
    platform_get_profile_string(section, key, default_text, cfg.ini_buffer, ini_buffer_size, path.text);
}

double read_gain(const char* key, const char* default_text)
{
    read_text(section_gains, key, default_text);
    return text_to_double(cfg.ini_buffer);
}

// Options are on only when exactly 1; any other whole number is kept as it is.
int32_t read_option(const char* key, const char* default_text)
{
    read_text(section_gains, key, default_text);
    return truncate_to_int32(text_to_double(cfg.ini_buffer));
}

// An assignment keeps the low 8 bits of the whole number, as a signed byte.
int8_t read_assignment(const char* key, const char* default_text)
{
    read_text(section_channels, key, default_text);
    const int32_t whole = truncate_to_int32(text_to_double(cfg.ini_buffer));
    return static_cast<int8_t>(static_cast<uint8_t>(static_cast<uint32_t>(whole) & 0xFFu));
}

// Written as a plain whole number, which reads back as the same value for every byte.
void write_assignment(const char* key, int8_t assignment)
{
    integer_to_text(assignment, cfg.ini_buffer, ini_buffer_size);
    const config_path path = config_file_path();
    if (!path.fits) return;
    platform_write_profile_string(section_channels, key, cfg.ini_buffer, path.text);
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

void read_configuration()
{
    ap.kurs_kp = read_gain("kurs_kp", "250.0");
    ap.kurs_kd = read_gain("kurs_kd", "20.0");
    ap.kurs_ki = read_gain("kurs_ki", "10.0");
    ap.kren_kp = read_gain("kren_kp", "800.0");
    ap.kren_kd = read_gain("kren_kd", "25.0");
    ap.kren_ki = read_gain("kren_ki", "2.0");
    ap.tang_kp = read_gain("tang_kp", "1001.0");  // the compiled-in value before a connect is 1000.0
    ap.tang_kd = read_gain("tang_kd", "55.0");
    ap.tang_ki = read_gain("tang_ki", "0.0");
    ap.vys_kp = read_gain("vys_kp", "40.0");
    ap.vys_kd = read_gain("vys_kd", "0.0");
    ap.vys_ki = read_gain("vys_ki", "20.0");
    ap.speed_kp = read_gain("speed_kp", "10.0");
    ap.speed_kd = read_gain("speed_kd", "10.0");
    ap.speed_ki = read_gain("speed_ki", "45.0");
    read_channel_assignments();
    ap.ap_trim_tang_on = read_option("ap_trim_tang_on", "0");
    ap.ap_trim_kurs_on = read_option("ap_trim_kurs_on", "0");
    ap.ap_kurs_otkl_on = read_option("ap_kurs_otkl_on", "0");
}

void read_channel_assignments()
{
    ap.ap_kren_kanal = read_assignment("ap_kren_kanal", "1");
    ap.ap_tang_kanal = read_assignment("ap_tang_kanal", "2");
    ap.ap_schag_kanal = read_assignment("ap_schag_kanal", "3");
    ap.ap_kurs_kanal = read_assignment("ap_kurs_kanal", "4");
}

void write_channel_assignments()
{
    write_assignment("ap_kren_kanal", ap.ap_kren_kanal);
    write_assignment("ap_tang_kanal", ap.ap_tang_kanal);
    write_assignment("ap_schag_kanal", ap.ap_schag_kanal);
    write_assignment("ap_kurs_kanal", ap.ap_kurs_kanal);
}
