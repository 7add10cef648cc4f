// The Windows functions the emulated host serves a module, by DLL and name, each with its
// calling convention: the kernel32, winmm and user32 functions pop their arguments (stdcall),
// except the variadic wsprintfA; every msvcrt function leaves them to the caller (cdecl). The
// clock, joysticks and executable path are the virtual devices, the profile functions the native
// build's own, so the emulated module sees what the linked one sees.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class x86_machine;

// The module's heap (malloc and its kin): blocks in an emulated memory area, kept track of on the
// host's side where the module cannot overwrite the bookkeeping.
class emulated_heap {
public:
    emulated_heap(uint32_t base, uint32_t size);
    uint32_t allocate(uint32_t size);  // 0 when there is no room
    // Throws std::runtime_error for an address the heap did not hand out.
    void release(uint32_t address);
    uint32_t size_of(uint32_t address) const;

private:
    std::map<uint32_t, uint32_t> free_;  // address, size
    std::map<uint32_t, uint32_t> used_;
};

struct import_context {
    x86_machine& machine;
    emulated_heap& heap;
    uint32_t module_base;
    std::string module_path;
};

struct served_import {
    const char* dll;
    const char* function;
    bool stdcall;
    uint16_t argument_bytes;  // stdcall: what the function pops
    bool returns_double;      // in ST(0)
    void (*serve)(import_context& context);
};

const std::vector<served_import>& served_imports();
// The served function of that name, or null; DLL names compare without regard to case.
const served_import* find_served_import(const std::string& dll, const std::string& function);
