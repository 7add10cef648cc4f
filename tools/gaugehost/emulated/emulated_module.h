// A gauge module file (the real 32-bit .gau) loaded into an emulated 32-bit x86 machine, so that
// a native host can run it on any machine: the image mapped with its sections' protections,
// relocated, its imports resolved to the Windows functions the host serves (those on the import
// allowlist; any other import is an error when called), its TLS callbacks and library entry point
// run, and its records presented to the host core (emulated_records.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tools/gaugehost/host/gauge_host.h"

class x86_machine;
class emulated_records;

// How the host runs the module: the x87 control word it calls every function with (x86_machine.h),
// every instruction counted (for measuring), the stack below each call filled with a pattern; or
// only loaded, its records read, none of its code run (neither its TLS callbacks nor its entry
// point; the loader's fuzzer, for which no emulator starts).
struct emulated_options {
    uint16_t host_control_word = 0x027F;
    bool count_instructions = false;
    int stack_poison = -1;  // 0 to 255: the pattern; -1: the stack as the calls left it
    uint64_t budget = 0;    // blocks a call may run; 0: x86_machine's default
    bool load_only = false;
    // The allowlist's text (module/*.allowlist) the imports are checked against; null: the
    // autopilot's.
    const char* import_allowlist = nullptr;
};

class emulated_module {
public:
    // Throws module_error (pe_file.h) for a file the loader cannot use and emulation_fault
    // (x86_machine.h) for a fault of the module's own code; both say what is wrong.
    explicit emulated_module(const std::string& path, const emulated_options& options = {});
    // The same from the file's bytes; path only names it (to the module, and in errors).
    emulated_module(const std::string& path, const std::vector<uint8_t>& file_bytes, const emulated_options& options = {});
    ~emulated_module();

    module_records records();
    x86_machine& machine() { return *machine_; }

private:
    std::string path_;
    std::unique_ptr<x86_machine> machine_;
    std::unique_ptr<struct import_context> imports_;
    std::unique_ptr<emulated_records> records_;
};

// The allowlists of the two module files, built into the program: module/imports.allowlist and
// module/recorder_imports.allowlist.
const char* autopilot_import_allowlist();
const char* recorder_import_allowlist();
// Whether the allowlist's text ("dll function ..." lines, '#' comments) permits the import.
bool import_allowed(const char* allowlist, const std::string& dll, const std::string& function);
