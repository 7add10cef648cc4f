// Every entry point the host calls runs its body at the module's own x87 precision, whatever
// word the host left in the unit (a Direct3D device created without FPU preservation leaves 24-bit
// precision), and gives the host its word back on return.
#pragma once

#include <cstdint>
#include <type_traits>

#include "platform/platform.h"

template <typename Body>
auto at_module_precision(Body body)
{
    const uint16_t host_word = platform_enter_module_precision();
    if constexpr (std::is_void_v<decltype(body())>) {
        body();
        platform_leave_module_precision(host_word);
    } else {
        auto result = body();
        // The result is finished, and rounded to its type in memory, before the host's word is back.
        __asm__ volatile("" : "+m"(result));
        platform_leave_module_precision(host_word);
        return result;
    }
}
