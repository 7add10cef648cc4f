// The thin seam to the operating system. On Windows these are the Win32 calls themselves;
// natively they answer from the virtual devices of the test host.
#pragma once

#include <cstdint>

#include "platform/joystick_records.h"

// The x87 control word the module computes with: 53-bit precision, round to nearest, every
// exception masked, so that each double operation rounds as the native build's SSE2 does. Entering
// sets it and returns the host's word; leaving gives the host its word back. Natively (SSE2
// arithmetic, no x87 state to guard) both do nothing.
uint16_t platform_enter_module_precision();
void platform_leave_module_precision(uint16_t host_word);

// High-resolution counter. Results are not examined by the module.
void platform_query_performance_frequency(int64_t* frequency);
void platform_query_performance_counter(int64_t* counter);

// Joystick queries: 0 for success, as joyGetDevCapsA and joyGetPosEx answer.
uint32_t platform_joy_get_dev_caps(uint32_t joystick_id, JOYCAPSA* caps, uint32_t caps_size);
uint32_t platform_joy_get_pos_ex(uint32_t joystick_id, JOYINFOEX* info);

// The host executable's full path, as GetModuleFileNameA(NULL, ...) gives it: the number of
// characters copied, or size when the path was cut short.
uint32_t platform_module_file_name(char* buffer, uint32_t size);

// Drive and directory of a path, as _splitpath gives them: the directory keeps its trailing
// separator. drive holds platform_drive_size bytes, directory platform_directory_size.
constexpr uint32_t platform_drive_size = 3;
constexpr uint32_t platform_directory_size = 256;
void platform_split_path(const char* path, char* drive, char* directory);

// Profile (INI) file access, as GetPrivateProfileStringA and WritePrivateProfileStringA do it.
uint32_t platform_get_profile_string(const char* section, const char* key, const char* default_text,
                                     char* buffer, uint32_t buffer_size, const char* path);
bool platform_write_profile_string(const char* section, const char* key, const char* value, const char* path);

// "%1d" formatting as wsprintfA does it, into a buffer of at least platform_integer_text_size bytes.
constexpr uint32_t platform_integer_text_size = 16;
void platform_format_integer(char* buffer, int32_t value);

// A file of the module's own, written in blocks (platform/*/platform_files_*.cpp, linked only
// into what writes files). Creating never opens a file that exists.
using platform_file = uintptr_t;
constexpr platform_file platform_no_file = 0;
enum platform_create_result : int32_t { platform_file_created, platform_file_exists, platform_file_failed };
int32_t platform_create_new_file(const char* path, platform_file* file);
enum platform_write_result : int32_t { platform_write_done, platform_write_disk_full, platform_write_failed };
// Every byte written, or why not (what fitted of a write the disk could not hold is written).
int32_t platform_write_file(platform_file file, const char* bytes, uint32_t size);
bool platform_flush_file(platform_file file);
void platform_close_file(platform_file file);
