#include "platform/native/split_path.h"

#include <cstring>

namespace {
void copy_cut(const char* text, size_t length, char* out, uint32_t out_size)
{
    if (out == nullptr || out_size == 0) return;
    if (length > out_size - 1) length = out_size - 1;
    std::memcpy(out, text, length);
    out[length] = '\0';
}
}  // namespace

void split_drive_and_directory(const char* path, char* drive, uint32_t drive_size, char* directory,
                               uint32_t directory_size)
{
    if (path == nullptr) path = "";
    size_t drive_length = 0;
    if (path[0] != '\0' && path[1] == ':') drive_length = 2;
    copy_cut(path, drive_length, drive, drive_size);

    const char* rest = path + drive_length;
    size_t directory_length = 0;
    for (size_t i = 0; rest[i] != '\0'; ++i)
        if (rest[i] == '\\' || rest[i] == '/') directory_length = i + 1;
    copy_cut(rest, directory_length, directory, directory_size);
}
