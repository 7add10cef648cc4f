// Native build: the module's files on the virtual disk.
#include "platform/platform.h"
#include "platform/virtual_devices.h"

int32_t platform_create_new_file(const char* path, platform_file* file)
{
    bool exists = false;
    *file = virtual_create_new_file(path, &exists);
    if (*file != platform_no_file) return platform_file_created;
    return exists ? platform_file_exists : platform_file_failed;
}

int32_t platform_write_file(platform_file file, const char* bytes, uint32_t size)
{
    uint32_t written = 0;
    if (virtual_write_file(static_cast<uint32_t>(file), bytes, size, &written)) return platform_write_done;
    return virtual_devices.disk.bytes_left == 0 ? platform_write_disk_full : platform_write_failed;
}

bool platform_flush_file(platform_file file)
{
    return virtual_flush_file(static_cast<uint32_t>(file));
}

void platform_close_file(platform_file file)
{
    virtual_close_file(static_cast<uint32_t>(file));
}
