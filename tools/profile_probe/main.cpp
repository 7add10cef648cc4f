// profile_probe: asks the platform's profile functions about an INI file, so that our own
// reader and writer (native build) can be compared with the Windows ones (Windows build, under
// Wine). Prints one line per answer: the count returned and the text, escaped.
//
//   profile_probe read FILE SIZE SECTION KEY [SECTION KEY ...]
//   profile_probe write FILE SECTION KEY VALUE
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace {
void print_escaped(const char* text, uint32_t count)
{
    for (uint32_t i = 0; i < count; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c >= 0x7F || c == '\\') std::printf("\\x%02x", c);
        else std::putchar(c);
    }
}

// "-" stands for an empty argument, which a shell cannot pass through Wine reliably.
const char* argument(const char* text)
{
    return std::string(text) == "-" ? "" : text;
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 6 && std::string(argv[1]) == "read" && argc % 2 == 0) {
        const uint32_t size = static_cast<uint32_t>(std::atoi(argv[3]));
        std::vector<char> buffer(size + 1, '\0');
        for (int i = 4; i + 1 < argc; i += 2) {
            const uint32_t count =
                platform_get_profile_string(argument(argv[i]), argument(argv[i + 1]), "<default>", buffer.data(), size, argv[2]);
            std::printf("[%s] %s = %u \"", argv[i], argv[i + 1], count);
            print_escaped(buffer.data(), count);
            std::printf("\"\n");
        }
        return 0;
    }
    if (argc == 6 && std::string(argv[1]) == "write") {
        const bool written = platform_write_profile_string(argument(argv[3]), argument(argv[4]), argument(argv[5]), argv[2]);
        std::printf("%s\n", written ? "written" : "not written");
        return 0;
    }
    std::fprintf(stderr, "usage: profile_probe read FILE SIZE SECTION KEY [SECTION KEY ...]\n"
                         "       profile_probe write FILE SECTION KEY VALUE\n");
    return 2;
}
