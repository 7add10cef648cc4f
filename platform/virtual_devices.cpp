#include "platform/virtual_devices.h"

#include <cstring>

namespace {
constexpr uint32_t joystick_unplugged = 167;  // JOYERR_UNPLUGGED

virtual_joystick* joystick(uint32_t joystick_id)
{
    return joystick_id < 2 ? &virtual_devices.joysticks[joystick_id] : nullptr;
}
}  // namespace

#if defined(BRASK_MODULE_FILE_BUILD)
virtual_device_state virtual_devices;
#else
thread_local virtual_device_state virtual_devices;
#endif

void virtual_clock_advance()
{
    // Wraps like a hardware counter rather than overflowing.
    virtual_devices.counter = static_cast<int64_t>(static_cast<uint64_t>(virtual_devices.counter) +
                                                   static_cast<uint64_t>(virtual_devices.step));
}

void virtual_query_performance_frequency(int64_t* frequency)
{
    *frequency = virtual_devices.frequency;
}

void virtual_query_performance_counter(int64_t* counter)
{
    *counter = virtual_devices.counter;
}

uint32_t virtual_joy_get_dev_caps(uint32_t joystick_id, JOYCAPSA* caps, uint32_t caps_size)
{
    const virtual_joystick* stick = joystick(joystick_id);
    if (stick == nullptr || !stick->present || caps == nullptr || caps_size < sizeof(JOYCAPSA))
        return joystick_unplugged;
    std::memset(caps, 0, sizeof(JOYCAPSA));
    caps->wCaps = (stick->has_z ? 1u : 0u) | (stick->has_r ? 2u : 0u);
    caps->wNumButtons = 32;
    caps->wXmax = caps->wYmax = caps->wZmax = caps->wRmax = 65535;
    return 0;
}

uint32_t virtual_joy_get_pos_ex(uint32_t joystick_id, JOYINFOEX* info)
{
    const virtual_joystick* stick = joystick(joystick_id);
    if (stick == nullptr || !stick->present || stick->failing || info == nullptr) return joystick_unplugged;
    info->dwXpos = stick->x;
    info->dwYpos = stick->y;
    info->dwZpos = stick->z;
    info->dwRpos = stick->r;
    info->dwButtons = stick->buttons;
    info->dwFlags = stick->flags;
    return 0;
}

void set_virtual_executable_path(std::string_view path)
{
    const size_t kept = path.size() < virtual_path_capacity ? path.size() : virtual_path_capacity - 1;
    std::memcpy(virtual_devices.executable_path, path.data(), kept);
    virtual_devices.executable_path[kept] = '\0';
}

uint32_t virtual_module_file_name(char* buffer, uint32_t size)
{
    if (buffer == nullptr || size == 0) return 0;
    const std::string_view path = virtual_devices.executable_path;
    if (path.size() < size) {
        std::memcpy(buffer, path.data(), path.size());
        buffer[path.size()] = '\0';
        return static_cast<uint32_t>(path.size());
    }
    std::memcpy(buffer, path.data(), size - 1);
    buffer[size - 1] = '\0';
    return size;
}
