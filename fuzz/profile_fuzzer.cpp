// The native profile reader and writer on arbitrary file contents, names and values: nothing
// may crash or read or write out of bounds, a read never overruns its buffer, and a value that
// was written reads back as written.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/native/profile_file.h"

namespace {
const std::filesystem::path& folder()
{
    static const std::filesystem::path path = [] {
        // In memory where the machine offers it (tmpfs): a save's fsync then costs nothing, and the
        // target runs thousands of inputs a second rather than a few hundred.
        const std::filesystem::path memory = "/dev/shm";
        const std::filesystem::path base = std::filesystem::is_directory(memory) ? memory : std::filesystem::temp_directory_path();
        auto p = base / ("brask_profile_fuzz_" + std::to_string(::getpid()));
        std::filesystem::create_directories(p);
        return p;
    }();
    return path;
}

bool plain(const std::string& text)
{
    return text.find_first_of("\r\n") == std::string::npos && text.find('\0') == std::string::npos;
}

std::string trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(24);
    const std::string key = input.ConsumeRandomLengthString(24);
    const std::string value = input.ConsumeRandomLengthString(40);
    const uint32_t buffer_size = input.ConsumeIntegralInRange<uint32_t>(0, 64);
    const std::string contents = input.ConsumeRemainingBytesAsString();

    const std::string path = (folder() / "fuzz.cfg").string();
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(contents.data(), static_cast<std::streamsize>(contents.size()));

    // Guard bytes after the buffer reveal an overrun.
    char buffer[64 + 8];
    std::memset(buffer, 0x5A, sizeof buffer);
    const uint32_t copied = profile_read_string(section.c_str(), key.c_str(), "default", buffer, buffer_size, path.c_str());
    for (size_t i = buffer_size; i < sizeof buffer; ++i)
        if (buffer[i] != 0x5A) __builtin_trap();
    if (buffer_size > 0 && (copied >= buffer_size || buffer[copied] != '\0')) __builtin_trap();

    if (profile_write_string(section.c_str(), key.c_str(), value.c_str(), path.c_str())) {
        char back[256];
        profile_read_string(section.c_str(), key.c_str(), "\x01missing", back, sizeof back, path.c_str());
        // What the reader trims and unquotes cannot come back byte for byte; plain values must.
        const std::string expected = trimmed(value);
        const bool quoted = expected.size() >= 2 && (expected.front() == '"' || expected.front() == '\'') &&
                            expected.back() == expected.front();
        if (plain(section) && plain(key) && plain(value) && !quoted && trimmed(key) == key && !key.empty() &&
            expected != back)
            __builtin_trap();
    }
    return 0;
}
