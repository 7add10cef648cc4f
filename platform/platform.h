// The thin seam to the operating system. On Windows these are the Win32 calls themselves;
// natively they answer from the virtual devices of the test host.
#pragma once

#include <cstdint>

#include "platform/joystick_records.h"

// High-resolution counter. Results are not examined by the module.
void platform_query_performance_frequency(int64_t* frequency);
void platform_query_performance_counter(int64_t* counter);

// Joystick queries: 0 for success, as joyGetDevCapsA and joyGetPosEx answer.
uint32_t platform_joy_get_dev_caps(uint32_t joystick_id, JOYCAPSA* caps, uint32_t caps_size);
uint32_t platform_joy_get_pos_ex(uint32_t joystick_id, JOYINFOEX* info);
