// Native build: the module's operating-system calls are answered by the virtual devices.
#include "platform/platform.h"

#include <cstdio>
#include "platform/native/profile_file.h"
#include "platform/native/split_path.h"
#include "platform/virtual_devices.h"

uint16_t platform_enter_module_precision()
{
    return 0;
}

void platform_leave_module_precision(uint16_t) {}

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

uint32_t platform_module_file_name(char* buffer, uint32_t size)
{
    return virtual_module_file_name(buffer, size);
}

void platform_split_path(const char* path, char* drive, char* directory)
{
    split_drive_and_directory(path, drive, platform_drive_size, directory, platform_directory_size);
}

uint32_t platform_get_profile_string(const char* section, const char* key, const char* default_text,
                                     char* buffer, uint32_t buffer_size, const char* path)
{
    return profile_read_string(section, key, default_text, buffer, buffer_size, path);
}

bool platform_write_profile_string(const char* section, const char* key, const char* value, const char* path)
{
    return profile_write_string(section, key, value, path);
}

void platform_format_integer(char* buffer, int32_t value)
{
    std::snprintf(buffer, platform_integer_text_size, "%1d", static_cast<int>(value));
}
