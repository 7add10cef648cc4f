// Windows: loads a gauge module file as the simulator does, and puts the virtual devices
// behind the Windows functions through which the module reads its clock, its joysticks and
// the host executable's path.
#pragma once

#include <string>

#include "module/gauge_header.h"
#include "module/host_abi.h"

struct loaded_module {
    void* handle;                // the module's HMODULE, also its resource handle
    LINKAGE* linkage;            // the export "Linkage"
    IMPORT_TABLE* import_table;  // the export "ImportTable"
};

// Loads the module with LoadLibraryA, finds the exports ImportTable and Linkage by name, and
// replaces the module's imports of QueryPerformanceFrequency, QueryPerformanceCounter,
// GetModuleFileNameA (kernel32) and joyGetDevCapsA, joyGetPosEx (winmm) with functions that
// answer from the virtual devices (platform/virtual_devices.h). GetModuleFileNameA answers
// from the virtual executable path only for the process's own file (a null module handle);
// for any other module it asks Windows. An import the module does not have is left alone;
// all other imports stay Windows' own.
//
// On failure returns false with a message, and the module is not left loaded.
bool load_gauge_module(const char* path, loaded_module& module, std::string& error);
