// What in a module file would only ever run through start-up code, which a module file linked
// without the C run-time's start-up code never has: static constructors and destructors (mingw's
// linker lists their addresses in .text, each list opened by the word -1 and closed by 0), the
// sections other linkers keep them in (.ctors, .dtors, .init_array, .fini_array, .CRT$X*), and TLS
// callbacks. A constructor there never runs, and what it should have initialised stays zero.
#pragma once

#include <string>
#include <vector>

#include "tools/pe/pe_file.h"

// One line for each thing found, naming it and its address (the image at its preferred base).
std::vector<std::string> startup_code(const pe_file& file);
