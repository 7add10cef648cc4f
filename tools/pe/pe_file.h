// A 32-bit Windows DLL file as a loader sees it: the headers checked, the sections, the base
// relocations, the imports by name, the export directory and the bitmap resources, read from the
// file's bytes with every offset checked against the file. Anything a loader cannot use is a
// module_error that says what is wrong. The emulated host loads the module file with it; the
// tests check the built file with it.
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/pe/pe_image.h"

struct module_error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct pe_section {
    std::string name;
    uint32_t rva;
    uint32_t virtual_size;  // the size in memory (at least the raw size)
    uint32_t raw_offset;
    uint32_t raw_size;      // bytes taken from the file; the rest of the section is zero
    bool executes, reads, writes;
};

struct pe_import {
    std::string dll;       // as the file spells it
    std::string function;
    uint32_t slot_rva;     // the function's slot in the import address table
};

struct pe_export_entry {
    std::string name;
    uint32_t ordinal;  // the export's ordinal: the directory's base plus its index
    uint32_t rva;
};

struct pe_file {
    uint32_t image_base;  // the preferred base
    uint32_t image_size;
    uint32_t header_size;
    uint32_t entry_rva;   // 0: no entry point
    std::vector<pe_section> sections;
    std::vector<uint32_t> relocations;  // RVAs of the 32-bit words that hold absolute addresses
    bool has_relocations;
    std::vector<pe_import> imports;
    std::string export_name;          // the DLL's internal name in its export directory
    uint32_t export_rva, export_size;  // the export directory, 0 when none
    uint32_t export_function_count;    // entries of the export address table
    std::vector<pe_export_entry> exports;  // the exports by name
    uint32_t tls_rva, tls_size;  // the TLS directory, 0 when none
    // The bitmap resources by integer id: RVA and size of each one's data (its first language).
    // Entries the resource directory does not describe soundly are left out, as Windows loads such
    // a file and only fails to find those bitmaps.
    std::map<uint32_t, std::pair<uint32_t, uint32_t>> bitmaps;
    // The headers and sections as mapped, unrelocated: image_size bytes, zero where the file
    // fills nothing.
    pe_image image;
};

// What a file must be: a DLL (a module the host loads), or a program as well.
enum class pe_expected { dll, dll_or_program };

// Parses a file's bytes; throws module_error when it is not a 32-bit x86 DLL (or program) the
// loader can map.
pe_file parse_pe_file(const std::vector<uint8_t>& bytes, pe_expected expected = pe_expected::dll);

// The RVA of an export by name; throws module_error naming it when the file lacks it.
uint32_t pe_export(const pe_file& file, const std::string& name);

// The image as a loader maps it at base: every relocated word moved by base - image_base.
pe_image relocated_image(const pe_file& file, uint32_t base);
