// Small text helpers the tools share.
#pragma once

#include <cctype>
#include <cstdio>
#include <string>

// A section, key or name in lower case, as the profile functions compare them (ASCII letters).
inline std::string lower_case(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The text without the blanks, tabs and carriage returns around it.
inline std::string trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// A window or gauge number as a panel.cfg writes it: "07".
inline std::string two_digits(int n)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02d", n);
    return text;
}
