// Windows: the platform seam is the Win32 calls themselves, imported by name so that a host
// can see and replace them.
#include "platform/platform.h"

void platform_query_performance_frequency(int64_t* frequency)
{
    LARGE_INTEGER value;
    value.QuadPart = *frequency;
    QueryPerformanceFrequency(&value);
    *frequency = value.QuadPart;
}

void platform_query_performance_counter(int64_t* counter)
{
    LARGE_INTEGER value;
    value.QuadPart = *counter;
    QueryPerformanceCounter(&value);
    *counter = value.QuadPart;
}

uint32_t platform_joy_get_dev_caps(uint32_t joystick_id, JOYCAPSA* caps, uint32_t caps_size)
{
    return joyGetDevCapsA(joystick_id, caps, caps_size);
}

uint32_t platform_joy_get_pos_ex(uint32_t joystick_id, JOYINFOEX* info)
{
    return joyGetPosEx(joystick_id, info);
}
