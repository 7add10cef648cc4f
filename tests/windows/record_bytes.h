// Reading and writing the host-interface records byte by byte, at their documented offsets:
// 32-bit little-endian fields and 32-bit pointers. The tests use these rather than the module's
// own declarations, so that a wrong declaration cannot hide a wrong layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

inline uint32_t u32_at(const void* record, size_t offset)
{
    uint32_t value;
    std::memcpy(&value, static_cast<const uint8_t*>(record) + offset, sizeof value);
    return value;
}

inline int32_t i32_at(const void* record, size_t offset)
{
    return static_cast<int32_t>(u32_at(record, offset));
}

inline void* pointer_at(const void* record, size_t offset)
{
    return reinterpret_cast<void*>(static_cast<uintptr_t>(u32_at(record, offset)));
}

inline void put_u32(void* record, size_t offset, uint32_t value)
{
    std::memcpy(static_cast<uint8_t*>(record) + offset, &value, sizeof value);
}

inline void put_pointer(void* record, size_t offset, const void* pointer)
{
    put_u32(record, offset, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pointer)));
}

static_assert(sizeof(void*) == 4, "the Windows test programs are 32-bit, like the module");
