// Windows: the platform seam is the Win32 calls themselves, imported by name so that a host
// can see and replace them.
#include "platform/platform.h"

#include <stdlib.h>

namespace {
constexpr uint16_t module_control_word = 0x027F;  // 53-bit precision, round to nearest, all masked
}

uint16_t platform_enter_module_precision()
{
    uint16_t host_word = 0;
    __asm__ volatile("fnstcw %0" : "=m"(host_word) : : "memory");
    __asm__ volatile("fldcw %0" : : "m"(module_control_word) : "memory");
    return host_word;
}

void platform_leave_module_precision(uint16_t host_word)
{
    __asm__ volatile("fldcw %0" : : "m"(host_word) : "memory");
}

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

uint32_t platform_module_file_name(char* buffer, uint32_t size)
{
    return GetModuleFileNameA(nullptr, buffer, size);
}

void platform_split_path(const char* path, char* drive, char* directory)
{
    _splitpath(path, drive, directory, nullptr, nullptr);
}

uint32_t platform_get_profile_string(const char* section, const char* key, const char* default_text,
                                     char* buffer, uint32_t buffer_size, const char* path)
{
    return GetPrivateProfileStringA(section, key, default_text, buffer, buffer_size, path);
}

bool platform_write_profile_string(const char* section, const char* key, const char* value, const char* path)
{
    return WritePrivateProfileStringA(section, key, value, path) != 0;
}

void platform_format_integer(char* buffer, int32_t value)
{
    wsprintfA(buffer, "%1d", static_cast<int>(value));
}
