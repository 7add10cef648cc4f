// Every key of the configuration file, with its section and the text a connect reads when the
// file lacks it: the one table the module reads with, the sample file's test checks and the
// flight simulator's gain set starts from.
#pragma once

struct configuration_key {
    const char* section;
    const char* key;
    const char* default_text;
};

namespace config_key {
inline constexpr const char* gains = "a_pilot";
inline constexpr const char* channels = "joy_kanal";

// [a_pilot]: heading, roll, pitch, height, speed; kp, kd, ki each.
inline constexpr configuration_key kurs_kp{gains, "kurs_kp", "250.0"};
inline constexpr configuration_key kurs_kd{gains, "kurs_kd", "20.0"};
inline constexpr configuration_key kurs_ki{gains, "kurs_ki", "10.0"};
inline constexpr configuration_key kren_kp{gains, "kren_kp", "800.0"};
inline constexpr configuration_key kren_kd{gains, "kren_kd", "25.0"};
inline constexpr configuration_key kren_ki{gains, "kren_ki", "2.0"};
inline constexpr configuration_key tang_kp{gains, "tang_kp", "1001.0"};  // the compiled-in value before a connect is 1000.0
inline constexpr configuration_key tang_kd{gains, "tang_kd", "55.0"};
inline constexpr configuration_key tang_ki{gains, "tang_ki", "0.0"};
inline constexpr configuration_key vys_kp{gains, "vys_kp", "40.0"};
inline constexpr configuration_key vys_kd{gains, "vys_kd", "0.0"};
inline constexpr configuration_key vys_ki{gains, "vys_ki", "20.0"};
inline constexpr configuration_key speed_kp{gains, "speed_kp", "10.0"};
inline constexpr configuration_key speed_kd{gains, "speed_kd", "10.0"};
inline constexpr configuration_key speed_ki{gains, "speed_ki", "45.0"};

// [a_pilot]: the button options, on only when exactly 1.
inline constexpr configuration_key ap_trim_tang_on{gains, "ap_trim_tang_on", "0"};
inline constexpr configuration_key ap_trim_kurs_on{gains, "ap_trim_kurs_on", "0"};
inline constexpr configuration_key ap_kurs_otkl_on{gains, "ap_kurs_otkl_on", "0"};

// [joy_kanal]: the axis-table slot of each channel's joystick reference.
inline constexpr configuration_key ap_kren_kanal{channels, "ap_kren_kanal", "1"};
inline constexpr configuration_key ap_tang_kanal{channels, "ap_tang_kanal", "2"};
inline constexpr configuration_key ap_schag_kanal{channels, "ap_schag_kanal", "3"};
inline constexpr configuration_key ap_kurs_kanal{channels, "ap_kurs_kanal", "4"};
}  // namespace config_key

// The fifteen gains in the file's order, and every key in the order a connect reads them.
inline constexpr configuration_key gain_keys[] = {
    config_key::kurs_kp, config_key::kurs_kd, config_key::kurs_ki, config_key::kren_kp,  config_key::kren_kd,
    config_key::kren_ki, config_key::tang_kp, config_key::tang_kd, config_key::tang_ki,  config_key::vys_kp,
    config_key::vys_kd,  config_key::vys_ki,  config_key::speed_kp, config_key::speed_kd, config_key::speed_ki,
};
inline constexpr configuration_key channel_keys[] = {config_key::ap_kren_kanal, config_key::ap_tang_kanal,
                                                     config_key::ap_schag_kanal, config_key::ap_kurs_kanal};
inline constexpr configuration_key option_keys[] = {config_key::ap_trim_tang_on, config_key::ap_trim_kurs_on,
                                                    config_key::ap_kurs_otkl_on};
