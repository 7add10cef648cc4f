// The descriptor-level file operations of the linked build's platform, on both systems it is built
// for: Linux natively, and 64-bit Windows in the pilot's tools. On Windows files are opened in
// binary mode (no line-end translation) and not inherited, a descriptor is synced with _commit,
// and a folder has no descriptor to sync (its rename is journaled by the file system).
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#ifdef _WIN32
#include <io.h>

// Opens a regular file to read it.
constexpr int open_to_read_flags = O_RDONLY | O_BINARY | O_NOINHERIT;
// Creates a new file to write it; fails (EEXIST) when the file is there already.
constexpr int create_new_flags = O_WRONLY | O_CREAT | O_EXCL | O_BINARY | O_NOINHERIT;

inline int sync_descriptor(int fd)
{
    return _commit(fd);
}

inline void sync_folder(const char*) {}

inline void set_permission_bits(int, unsigned) {}
#else
// The open never waits (O_NONBLOCK), should the path have become a FIFO or a device.
constexpr int open_to_read_flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
constexpr int create_new_flags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;

inline int sync_descriptor(int fd)
{
    return fsync(fd);
}

// Makes a rename into the folder durable; a failure here no longer matters for a file's contents.
inline void sync_folder(const char* folder)
{
    const int folder_fd = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_fd >= 0) {
        (void)fsync(folder_fd);
        close(folder_fd);
    }
}

// Best effort: a failure here does not lose data.
inline void set_permission_bits(int fd, unsigned mode)
{
    (void)fchmod(fd, static_cast<mode_t>(mode & 07777));
}
#endif
