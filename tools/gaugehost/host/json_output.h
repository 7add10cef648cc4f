// gaugehost's output: one JSON object per line.
#pragma once

#include <string>

// The shortest text that reads back as the same double; "nan", "inf" and "-inf" as strings.
std::string json_number(double value);

// A quoted JSON string; bytes outside printable ASCII are escaped as \u00XX.
std::string json_string(const std::string& text);
