// The virtual disk: the files a module creates, as real files of this machine, with the faults a
// script plants (a full disk, a read-only folder, files that vanish).
#include <cerrno>
#include <string>

#include "platform/file_descriptors.h"
#include "platform/virtual_devices.h"

namespace {
// The most files one host creates (a flight records one file).
constexpr uint32_t most_files = 256;

// The descriptors of the files created, by handle − 1; −1 for a closed one. Plain records, which
// nothing destroys: mingw-w64's run-time frees a thread's thread_local storage before it runs
// their destructors.
struct open_file_table {
    int descriptors[most_files];
    uint32_t count;
};
thread_local open_file_table open_files{};

std::string native_path(const char* path)
{
    std::string result;
    for (const char* p = path; *p != '\0'; ++p) result += *p == '\\' ? '/' : *p;
    return result;
}

int descriptor(uint32_t handle)
{
    return handle >= 1 && handle <= open_files.count ? open_files.descriptors[handle - 1] : -1;
}
}  // namespace

uint32_t virtual_create_new_file(const char* path, bool* exists)
{
    *exists = false;
    if (virtual_devices.disk.read_only || open_files.count == most_files) return 0;
    const int fd = ::open(native_path(path).c_str(), create_new_flags, 0666);
    if (fd < 0) {
        *exists = errno == EEXIST;
        return 0;
    }
    open_files.descriptors[open_files.count] = fd;
    return ++open_files.count;
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
    return fd >= 0 && !virtual_devices.disk.vanished && sync_descriptor(fd) == 0;
}

bool virtual_close_file(uint32_t handle)
{
    const int fd = descriptor(handle);
    if (fd < 0) return false;
    open_files.descriptors[handle - 1] = -1;
    return ::close(fd) == 0;
}

void virtual_close_all_files()
{
    for (uint32_t handle = 1; handle <= open_files.count; ++handle) virtual_close_file(handle);
    open_files.count = 0;
}
