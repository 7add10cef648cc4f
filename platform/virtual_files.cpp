// The virtual disk: the files a module creates, as real files of this machine, with the faults a
// script plants (a full disk, a read-only folder, files that vanish).
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/virtual_devices.h"

namespace {
// The descriptors of the open files, by handle − 1; −1 for a closed one.
thread_local std::vector<int> open_files;

std::string native_path(const char* path)
{
    std::string result;
    for (const char* p = path; *p != '\0'; ++p) result += *p == '\\' ? '/' : *p;
    return result;
}

int descriptor(uint32_t handle)
{
    return handle >= 1 && handle <= open_files.size() ? open_files[handle - 1] : -1;
}
}  // namespace

uint32_t virtual_create_new_file(const char* path, bool* exists)
{
    *exists = false;
    if (virtual_devices.disk.read_only) return 0;
    const int fd = ::open(native_path(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        *exists = errno == EEXIST;
        return 0;
    }
    open_files.push_back(fd);
    return static_cast<uint32_t>(open_files.size());
}

bool virtual_write_file(uint32_t handle, const void* bytes, uint32_t size, uint32_t* written)
{
    *written = 0;
    const int fd = descriptor(handle);
    if (fd < 0 || virtual_devices.disk.vanished) return false;
    virtual_disk& disk = virtual_devices.disk;
    const uint32_t fits = disk.bytes_left >= 0 && disk.bytes_left < size ? static_cast<uint32_t>(disk.bytes_left) : size;
    const auto* data = static_cast<const char*>(bytes);
    while (*written < fits) {
        const ssize_t done = ::write(fd, data + *written, fits - *written);
        if (done <= 0) return false;
        *written += static_cast<uint32_t>(done);
    }
    if (disk.bytes_left >= 0) disk.bytes_left -= fits;
    return fits == size;
}

bool virtual_flush_file(uint32_t handle)
{
    const int fd = descriptor(handle);
    return fd >= 0 && !virtual_devices.disk.vanished && ::fsync(fd) == 0;
}

bool virtual_close_file(uint32_t handle)
{
    const int fd = descriptor(handle);
    if (fd < 0) return false;
    open_files[handle - 1] = -1;
    return ::close(fd) == 0;
}

void virtual_close_all_files()
{
    for (uint32_t handle = 1; handle <= open_files.size(); ++handle) virtual_close_file(handle);
    open_files.clear();
}
