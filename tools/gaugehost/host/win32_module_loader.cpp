#include "tools/gaugehost/host/win32_module_loader.h"

#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <cstring>

#include "platform/virtual_devices.h"

namespace {

// The replacements: the Win32 signatures, answering from the virtual devices.

BOOL WINAPI virtual_QueryPerformanceFrequency(LARGE_INTEGER* frequency)
{
    int64_t value = 0;
    virtual_query_performance_frequency(&value);
    frequency->QuadPart = value;
    return TRUE;
}

BOOL WINAPI virtual_QueryPerformanceCounter(LARGE_INTEGER* counter)
{
    int64_t value = 0;
    virtual_query_performance_counter(&value);
    counter->QuadPart = value;
    return TRUE;
}

DWORD WINAPI virtual_GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size)
{
    if (module != nullptr) return GetModuleFileNameA(module, buffer, size);
    return virtual_module_file_name(buffer, size);
}

MMRESULT WINAPI virtual_joyGetDevCapsA(UINT_PTR joystick_id, JOYCAPSA* caps, UINT caps_size)
{
    return virtual_joy_get_dev_caps(static_cast<uint32_t>(joystick_id), caps, caps_size);
}

MMRESULT WINAPI virtual_joyGetPosEx(UINT joystick_id, JOYINFOEX* info)
{
    return virtual_joy_get_pos_ex(joystick_id, info);
}

struct replacement {
    const char* dll;
    const char* function;
    void* address;
};

const replacement replacements[] = {
    {"kernel32.dll", "QueryPerformanceFrequency", reinterpret_cast<void*>(&virtual_QueryPerformanceFrequency)},
    {"kernel32.dll", "QueryPerformanceCounter", reinterpret_cast<void*>(&virtual_QueryPerformanceCounter)},
    {"kernel32.dll", "GetModuleFileNameA", reinterpret_cast<void*>(&virtual_GetModuleFileNameA)},
    {"winmm.dll", "joyGetDevCapsA", reinterpret_cast<void*>(&virtual_joyGetDevCapsA)},
    {"winmm.dll", "joyGetPosEx", reinterpret_cast<void*>(&virtual_joyGetPosEx)},
};

std::string last_error_text()
{
    return "Windows error " + std::to_string(GetLastError());
}

const void* replacement_for(const char* dll, const char* function)
{
    for (const replacement& r : replacements)
        if (lstrcmpiA(dll, r.dll) == 0 && std::strcmp(function, r.function) == 0) return r.address;
    return nullptr;
}

bool write_slot(IMAGE_THUNK_DATA32* slot, const void* address, std::string& error)
{
    DWORD old_protection = 0;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old_protection)) {
        error = "cannot make an import slot writable: " + last_error_text();
        return false;
    }
    slot->u1.Function = static_cast<DWORD>(reinterpret_cast<uintptr_t>(address));
    DWORD ignored = 0;
    VirtualProtect(slot, sizeof *slot, old_protection, &ignored);
    return true;
}

// Walks the import descriptors of the loaded image and writes each replacement into the
// import address table slot of the function it stands for.
bool replace_imports(HMODULE handle, std::string& error)
{
    auto* const base = reinterpret_cast<uint8_t*>(handle);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) {
        error = "not a PE image";
        return false;
    }
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE || nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
        error = "not a 32-bit PE image";
        return false;
    }
    if (nt->OptionalHeader.NumberOfRvaAndSizes <= IMAGE_DIRECTORY_ENTRY_IMPORT) return true;
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0 || directory.Size == 0) return true;

    for (auto* descriptor = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         descriptor->Name != 0; ++descriptor) {
        const char* dll = reinterpret_cast<const char*>(base + descriptor->Name);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA32*>(base + descriptor->FirstThunk);
        if (descriptor->OriginalFirstThunk != 0) {
            // The lookup table names each slot's function through its hint/name entry.
            const auto* lookup = reinterpret_cast<const IMAGE_THUNK_DATA32*>(base + descriptor->OriginalFirstThunk);
            for (size_t i = 0; lookup[i].u1.AddressOfData != 0; ++i) {
                if (IMAGE_SNAP_BY_ORDINAL32(lookup[i].u1.Ordinal)) continue;
                const auto* by_name = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + lookup[i].u1.AddressOfData);
                const void* address = replacement_for(dll, reinterpret_cast<const char*>(by_name->Name));
                if (address != nullptr && !write_slot(&slots[i], address, error)) return false;
            }
        } else {
            // No lookup table: the names were in the address table itself, which the system
            // loader has overwritten with the functions' addresses. Those addresses tell the
            // slots apart instead.
            const HMODULE exporter = GetModuleHandleA(dll);
            if (exporter == nullptr) continue;
            for (const replacement& r : replacements) {
                if (lstrcmpiA(dll, r.dll) != 0) continue;
                const FARPROC original = GetProcAddress(exporter, r.function);
                if (original == nullptr) continue;
                for (size_t i = 0; slots[i].u1.Function != 0; ++i)
                    if (slots[i].u1.Function == static_cast<DWORD>(reinterpret_cast<uintptr_t>(original)) &&
                        !write_slot(&slots[i], r.address, error))
                        return false;
            }
        }
    }
    return true;
}

}  // namespace

bool load_gauge_module(const char* path, loaded_module& module, std::string& error)
{
    HMODULE handle = LoadLibraryA(path);
    if (handle == nullptr) {
        error = std::string("cannot load module '") + path + "': " + last_error_text();
        return false;
    }
    auto* const import_table = reinterpret_cast<IMPORT_TABLE*>(GetProcAddress(handle, "ImportTable"));
    auto* const linkage = reinterpret_cast<LINKAGE*>(GetProcAddress(handle, "Linkage"));
    if (import_table == nullptr || linkage == nullptr) {
        error = std::string("module '") + path + "' does not export " + (import_table == nullptr ? "ImportTable" : "Linkage");
        FreeLibrary(handle);
        return false;
    }
    if (!replace_imports(handle, error)) {
        error = std::string("module '") + path + "': " + error;
        FreeLibrary(handle);
        return false;
    }
    module = {handle, linkage, import_table};
    return true;
}
