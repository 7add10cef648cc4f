// A tuned configuration file: the pilot's file with the fifteen gains replaced, every other line
// (channel assignments, options, comments) kept as it was, and a comment at the top naming the
// aircraft and the date.
#pragma once

#include <string>
#include <vector>

#include "tools/flightsim/loops/gain_set.h"

// Comment lines this tool puts at the top of a file it writes; a file written before loses
// them when it is written again, also those an earlier version wrote under its own prefix.
constexpr const char* tuned_comment_prefix = "; brask_torvik: ";
constexpr const char* earlier_tuned_comment_prefix = "; flightsim tune: ";

// Writes the file at path: original's text (the sample configuration when the pilot gave none)
// with the comment lines (each prefixed with tuned_comment_prefix) at the top and the gains set
// in [a_pilot] as the module's profile writer sets a key (the first such key in the section,
// or a new line at the section's end); the sample's line saying its values are the defaults says
// they are tuned. The file is written whole under a temporary name beside path and then renamed:
// an interrupted or failed write leaves whatever was at path. Returns false when it cannot be written.
bool write_tuned_configuration(const std::string& path, const std::string& original, const gain_values& gains,
                               const std::vector<std::string>& comment);
