// A mouse callback's body: the click's action at the module's precision, then the click
// reported taken.
#pragma once

#include <cstdint>

#include "platform/module_precision.h"

inline constexpr int32_t click_taken = 1;  // what a mouse callback returns for a click it handled

template <typename Action>
int32_t handle_click(Action action)
{
    return at_module_precision([&] {
        action();
        return click_taken;
    });
}
