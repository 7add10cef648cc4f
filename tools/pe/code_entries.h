// Where a module file's code can be entered: its entry point and every address the file holds a
// pointer to inside a code section (callbacks in its records, function tables, jump tables), each
// found through the relocation that lets a loader move it.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/pe/pe_file.h"

// The entries as RVAs, in no particular order.
std::vector<uint32_t> code_entries(const pe_file& file);
