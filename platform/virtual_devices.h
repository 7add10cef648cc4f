// The virtual devices a test host offers the module in place of the operating system's:
// a scripted high-resolution counter, two scripted joysticks and the host executable's path.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/joystick_records.h"

struct virtual_joystick {
    bool present = false;     // answers the capability query and polls
    bool failing = false;     // polls fail while present
    bool has_z = false;
    bool has_r = false;
    uint32_t x = 0, y = 0, z = 0, r = 0;
    uint32_t buttons = 0;
    uint32_t flags = 255;     // what a poll reports in dwFlags
};

// The disk behind the files a module writes: real files (a Windows path's backslashes read as
// '/'), with the faults a script plants.
struct virtual_disk {
    int64_t bytes_left = -1;  // -1: no limit; a write that does not fit writes what does and fails
    bool read_only = false;   // creating a file fails
    bool vanished = false;    // the files already open can no longer be written
};

// The longest executable path the virtual devices hold, terminator included: Windows' own limit.
constexpr uint32_t virtual_path_capacity = 32768;

// A plain record, destroyed by nothing: mingw-w64's run-time (the pilot's Windows tools) frees a
// thread's thread_local storage before it runs their destructors.
struct virtual_device_state {
    int64_t frequency = 1000000;
    int64_t counter = 0;
    int64_t step = 55556;     // counter advance per frame
    virtual_joystick joysticks[2];
    char executable_path[virtual_path_capacity] = {};  // terminated
    virtual_disk disk;
};

// One per thread in the linked build (natively, and in the pilot's 64-bit Windows tools), as
// the linked module's records at the host's edge are (common/one_per_host.h), so that each
// flight on a thread of its own has its own devices.
#if defined(BRASK_MODULE_FILE_BUILD)
extern virtual_device_state virtual_devices;
#else
extern thread_local virtual_device_state virtual_devices;
#endif

// The host executable's path, cut to virtual_path_capacity − 1 characters.
void set_virtual_executable_path(std::string_view path);

// Advances the counter by one frame's step.
void virtual_clock_advance();

// What the operating system's calls answer with the virtual devices behind them.
void virtual_query_performance_frequency(int64_t* frequency);
void virtual_query_performance_counter(int64_t* counter);
uint32_t virtual_joy_get_dev_caps(uint32_t joystick_id, JOYCAPSA* caps, uint32_t caps_size);
uint32_t virtual_joy_get_pos_ex(uint32_t joystick_id, JOYINFOEX* info);

// As GetModuleFileNameA(NULL, ...): copies the executable path, cut to size − 1 characters and
// terminated; returns the characters copied, or size when the path was cut short.
uint32_t virtual_module_file_name(char* buffer, uint32_t size);

// As CreateFileA with CREATE_NEW, WriteFile, FlushFileBuffers and CloseHandle on the virtual disk:
// a handle from 1 up, or 0 with exists set when the file was there already. A host creates at
// most 256 files until virtual_close_all_files.
uint32_t virtual_create_new_file(const char* path, bool* exists);
// The bytes written (all, or what fitted before a fault); false on a fault.
bool virtual_write_file(uint32_t handle, const void* bytes, uint32_t size, uint32_t* written);
bool virtual_flush_file(uint32_t handle);
bool virtual_close_file(uint32_t handle);
// Closes every file still open (a host that ends without the module closing its files).
void virtual_close_all_files();
