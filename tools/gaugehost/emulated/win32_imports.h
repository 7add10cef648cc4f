// The Windows functions the emulated host serves a module, by DLL and name, each with its
// calling convention: the kernel32, winmm and user32 functions pop their arguments (stdcall),
// except the variadic wsprintfA; every msvcrt function leaves them to the caller (cdecl). The
// clock, joysticks and executable path are the virtual devices, the profile functions the native
// build's own, so the emulated module sees what the linked one sees.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class x86_machine;

struct import_context {
    x86_machine& machine;
    uint32_t module_base;
    std::string module_path;
};

struct served_import {
    const char* dll;
    const char* function;
    bool stdcall;
    uint16_t argument_bytes;  // stdcall: what the function pops
    void (*serve)(import_context& context);
};

const std::vector<served_import>& served_imports();
// The served function of that name, or null; DLL names compare without regard to case.
const served_import* find_served_import(const std::string& dll, const std::string& function);
