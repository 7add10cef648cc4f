// The quantities the autopilot holds, as the flight's expectations, statistics and reports name them.
#pragma once

enum held_quantity : int { held_bank, held_pitch, held_heading, held_height, held_speed, held_count };

inline const char* held_name(held_quantity quantity)
{
    static const char* const names[held_count] = {"bank", "pitch", "heading", "height", "speed"};
    return names[quantity];
}

inline const char* held_unit(held_quantity quantity)
{
    static const char* const units[held_count] = {"deg", "deg", "deg", "m", "km/h"};
    return units[quantity];
}
