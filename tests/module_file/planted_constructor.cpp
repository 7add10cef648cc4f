// A module file with a static constructor planted: a record whose initialiser the compiler cannot
// work out at compile time (here it reads a volatile) is initialised at start-up, which a module
// file linked without start-up code never runs.
#include <cstdint>

#include <windows.h>

namespace {
volatile uint32_t seed = 7;
}

struct planted_record {
    uint32_t value;
};

planted_record planted = {seed * 3};

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return planted.value != 0 ? TRUE : FALSE;
}
