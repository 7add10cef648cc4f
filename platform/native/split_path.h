// The drive and directory of a path, split as the Windows runtime's _splitpath splits them,
// with '\' and '/' both taken as separators.
#pragma once

#include <cstdint>

// drive receives "X:" when the path starts with a letter and a colon, else empty text; directory
// receives everything up to and including the last separator, else empty text. Each result is
// cut to its buffer's size less one and terminated.
void split_drive_and_directory(const char* path, char* drive, uint32_t drive_size, char* directory,
                               uint32_t directory_size);
