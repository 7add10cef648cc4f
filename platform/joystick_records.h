// The Windows multimedia joystick records the module fills. In the module file's build they come
// from the system headers; in the linked build (natively, and in the pilot's 64-bit Windows tools)
// they are declared here with the same layout.
#pragma once

#include <cstdint>

#ifdef BRASK_MODULE_FILE_BUILD
#include <windows.h>
#include <mmsystem.h>
#else
struct JOYCAPSA {
    uint16_t wMid;
    uint16_t wPid;
    char szPname[32];
    uint32_t wXmin, wXmax, wYmin, wYmax, wZmin, wZmax;
    uint32_t wNumButtons, wPeriodMin, wPeriodMax;
    uint32_t wRmin, wRmax, wUmin, wUmax, wVmin, wVmax;
    uint32_t wCaps, wMaxAxes, wNumAxes, wMaxButtons;
    char szRegKey[32];
    char szOEMVxD[260];
};

struct JOYINFOEX {
    uint32_t dwSize;
    uint32_t dwFlags;
    uint32_t dwXpos, dwYpos, dwZpos, dwRpos, dwUpos, dwVpos;
    uint32_t dwButtons;
    uint32_t dwButtonNumber;
    uint32_t dwPOV;
    uint32_t dwReserved1, dwReserved2;
};

constexpr uint32_t JOYCAPS_HASZ = 0x0001;
constexpr uint32_t JOYCAPS_HASR = 0x0002;
constexpr uint32_t JOY_RETURNALL = 0x00FF;
constexpr uint32_t JOYERR_UNPLUGGED = 167;
#endif

static_assert(sizeof(JOYCAPSA) == 404);
static_assert(sizeof(JOYINFOEX) == 52);
