// Windows: the module's files through kernel32, which every Windows since 95 and NT 3.1 has.
// Only a module file that writes files links this.
#include <windows.h>

#include "platform/platform.h"

int32_t platform_create_new_file(const char* path, platform_file* file)
{
    const HANDLE handle = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        *file = platform_no_file;
        return GetLastError() == ERROR_FILE_EXISTS ? platform_file_exists : platform_file_failed;
    }
    *file = reinterpret_cast<platform_file>(handle);
    return platform_file_created;
}

int32_t platform_write_file(platform_file file, const char* bytes, uint32_t size)
{
    DWORD written = 0;
    if (WriteFile(reinterpret_cast<HANDLE>(file), bytes, size, &written, nullptr) != 0 && written == size)
        return platform_write_done;
    const DWORD error = GetLastError();
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ? platform_write_disk_full : platform_write_failed;
}

bool platform_flush_file(platform_file file)
{
    return FlushFileBuffers(reinterpret_cast<HANDLE>(file)) != 0;
}

void platform_close_file(platform_file file)
{
    CloseHandle(reinterpret_cast<HANDLE>(file));
}
