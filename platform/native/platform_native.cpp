// Native build: the module's operating-system calls are answered by the virtual devices.
#include "platform/platform.h"
#include "platform/virtual_devices.h"

void platform_query_performance_frequency(int64_t* frequency)
{
    virtual_query_performance_frequency(frequency);
}

void platform_query_performance_counter(int64_t* counter)
{
    virtual_query_performance_counter(counter);
}

uint32_t platform_joy_get_dev_caps(uint32_t joystick_id, JOYCAPSA* caps, uint32_t caps_size)
{
    return virtual_joy_get_dev_caps(joystick_id, caps, caps_size);
}

uint32_t platform_joy_get_pos_ex(uint32_t joystick_id, JOYINFOEX* info)
{
    return virtual_joy_get_pos_ex(joystick_id, info);
}
