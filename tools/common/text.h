// Small text helpers the tools share.
#pragma once

#include <cctype>
#include <string>

// A section, key or name in lower case, as the profile functions compare them (ASCII letters).
inline std::string lower_case(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}
