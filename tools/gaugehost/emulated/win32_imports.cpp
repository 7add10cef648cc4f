#include "tools/gaugehost/emulated/win32_imports.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <strings.h>

#include "platform/native/profile_file.h"
#include "platform/native/split_path.h"
#include "platform/virtual_devices.h"
#include "tools/gaugehost/emulated/x86_machine.h"

namespace {

constexpr size_t longest_text = 1 << 16;      // a string argument longer than this is a fault
constexpr uint32_t longest_buffer = 1 << 16;  // a buffer the host fills is taken as at most this long
constexpr size_t wsprintf_limit = 1024;        // wsprintfA writes at most this many bytes
constexpr uint32_t max_drive = 3, max_directory = 256, max_name = 256;  // _splitpath's buffer sizes

uint32_t arg(import_context& c, int index)
{
    return c.machine.argument(index);
}

// A string argument: null stays null (held in storage).
const char* text_arg(import_context& c, int index, std::string& storage)
{
    const uint32_t address = arg(c, index);
    if (address == 0) return nullptr;
    storage = c.machine.read_text(address, longest_text);
    if (storage.size() == longest_text) throw std::runtime_error("argument " + std::to_string(index + 1) + " is not terminated");
    return storage.c_str();
}

void put_text(import_context& c, uint32_t address, uint32_t size, const std::string& text)
{
    if (address == 0 || size == 0) return;
    const size_t length = std::min<size_t>(text.size(), size - 1);
    if (length != 0) c.machine.write_for_module(address, text.data(), length);
    const char terminator = '\0';
    c.machine.write_for_module(address + static_cast<uint32_t>(length), &terminator, 1);
}

// kernel32

void query_performance_frequency(import_context& c)
{
    int64_t value = 0;
    virtual_query_performance_frequency(&value);
    c.machine.write_for_module(arg(c, 0), &value, sizeof value);
    c.machine.set_result(1u);
}

void query_performance_counter(import_context& c)
{
    int64_t value = 0;
    virtual_query_performance_counter(&value);
    c.machine.write_for_module(arg(c, 0), &value, sizeof value);
    c.machine.set_result(1u);
}

void get_module_file_name(import_context& c)
{
    const uint32_t module = arg(c, 0), buffer = arg(c, 1), size = arg(c, 2);
    if (module != 0 && module != c.module_base) {
        c.machine.set_result(0u);
        return;
    }
    const uint32_t kept = std::min(size, longest_buffer);
    std::vector<char> text(std::max<uint32_t>(kept, 1));
    uint32_t length;
    if (module == 0) {
        length = virtual_module_file_name(text.data(), kept);
    } else {
        put_text(c, buffer, size, c.module_path);
        length = static_cast<uint32_t>(std::min<size_t>(c.module_path.size(), size));
        c.machine.set_result(length);
        return;
    }
    if (kept != 0) c.machine.write_for_module(buffer, text.data(), std::min<uint32_t>(kept, length + 1));
    c.machine.set_result(length);
}

void get_private_profile_string(import_context& c)
{
    std::string section, key, default_text, path;
    const uint32_t buffer = arg(c, 3), size = std::min(arg(c, 4), longest_buffer);
    std::vector<char> text(std::max<uint32_t>(size, 1));
    const uint32_t length = profile_read_string(text_arg(c, 0, section), text_arg(c, 1, key), text_arg(c, 2, default_text),
                                                buffer != 0 ? text.data() : nullptr, size, text_arg(c, 5, path));
    if (buffer != 0 && size != 0) c.machine.write_for_module(buffer, text.data(), std::min<uint32_t>(size, length + 1));
    c.machine.set_result(length);
}

void write_private_profile_string(import_context& c)
{
    std::string section, key, value, path;
    c.machine.set_result(profile_write_string(text_arg(c, 0, section), text_arg(c, 1, key), text_arg(c, 2, value),
                                              text_arg(c, 3, path))
                             ? 1u
                             : 0u);
}

// kernel32's file functions, for a module that writes its own file: CreateFileA only to make a
// new file for writing (CREATE_NEW), on the virtual disk; the handles are the disk's, moved up.

constexpr uint32_t invalid_handle = 0xFFFFFFFF;
constexpr uint32_t handle_base = 0x1000;  // a handle the module sees is the disk's plus this
constexpr uint32_t generic_write = 0x40000000, create_new = 1;
constexpr uint32_t error_access_denied = 5, error_invalid_handle = 6, error_file_exists = 80, error_disk_full = 112;
thread_local uint32_t last_error = 0;

uint32_t disk_handle(uint32_t handle)
{
    return handle > handle_base ? handle - handle_base : 0;
}

void create_file(import_context& c)
{
    std::string path;
    if (text_arg(c, 0, path) == nullptr) throw std::runtime_error("null path");
    if (arg(c, 1) != generic_write || arg(c, 4) != create_new || arg(c, 6) != 0)
        throw std::runtime_error("CreateFileA is served only to make a new file for writing (GENERIC_WRITE, CREATE_NEW)");
    bool exists = false;
    const uint32_t handle = virtual_create_new_file(path.c_str(), &exists);
    last_error = handle != 0 ? 0 : exists ? error_file_exists : error_access_denied;
    c.machine.set_result(handle != 0 ? handle + handle_base : invalid_handle);
}

void write_file(import_context& c)
{
    const uint32_t buffer = arg(c, 1), size = arg(c, 2), written_address = arg(c, 3);
    if (arg(c, 4) != 0) throw std::runtime_error("WriteFile is not served overlapped");
    if (size > longest_buffer) throw std::runtime_error("writes more than 64 KB at once");
    uint32_t written = 0;
    const bool done = virtual_write_file(disk_handle(arg(c, 0)), size != 0 ? c.machine.pointer(buffer, size) : nullptr,
                                         size, &written);
    if (written_address != 0) c.machine.write_for_module(written_address, &written, sizeof written);
    last_error = done ? 0 : virtual_devices.disk.bytes_left == 0 ? error_disk_full : error_invalid_handle;
    c.machine.set_result(done ? 1u : 0u);
}

void flush_file_buffers(import_context& c)
{
    const bool done = virtual_flush_file(disk_handle(arg(c, 0)));
    last_error = done ? 0 : error_invalid_handle;
    c.machine.set_result(done ? 1u : 0u);
}

void close_handle(import_context& c)
{
    const bool done = virtual_close_file(disk_handle(arg(c, 0)));
    last_error = done ? 0 : error_invalid_handle;
    c.machine.set_result(done ? 1u : 0u);
}

void get_last_error(import_context& c)
{
    c.machine.set_result(last_error);
}

// winmm: the records have no pointers, so their layouts are the same on both sides.

void joy_get_dev_caps(import_context& c)
{
    const uint32_t id = arg(c, 0), address = arg(c, 1), size = arg(c, 2);
    JOYCAPSA caps{};
    const uint32_t copied = std::min<uint32_t>(size, sizeof caps);
    if (address != 0) c.machine.read(address, &caps, copied);
    const uint32_t result = virtual_joy_get_dev_caps(id, address != 0 ? &caps : nullptr, size);
    if (address != 0) c.machine.write_for_module(address, &caps, copied);
    c.machine.set_result(result);
}

void joy_get_pos_ex(import_context& c)
{
    const uint32_t id = arg(c, 0), address = arg(c, 1);
    JOYINFOEX info{};
    if (address != 0) c.machine.read(address, &info, sizeof info);
    const uint32_t result = virtual_joy_get_pos_ex(id, address != 0 ? &info : nullptr);
    if (address != 0) c.machine.write_for_module(address, &info, sizeof info);
    c.machine.set_result(result);
}

// user32: wsprintfA's conversions (no floating point), as far as a format asks for them.
// One conversion of a wsprintf format: its flags, width and precision as read after the '%'.
struct conversion_format {
    bool left = false, zero = false, hash = false, has_precision = false;
    size_t width = 0, precision = 0;
};

// Reads the flags, width, precision and size prefix after a '%'; p is left on the conversion letter.
conversion_format read_conversion(const char*& p)
{
    conversion_format conversion;
    for (;; ++p) {
        if (*p == '-') conversion.left = true;
        else if (*p == '0') conversion.zero = true;
        else if (*p == '#') conversion.hash = true;
        else break;
    }
    while (*p >= '0' && *p <= '9') conversion.width = conversion.width * 10 + static_cast<size_t>(*p++ - '0');
    if (*p == '.') {
        conversion.has_precision = true;
        ++p;
        while (*p >= '0' && *p <= '9') conversion.precision = conversion.precision * 10 + static_cast<size_t>(*p++ - '0');
    }
    if (*p == 'l' || *p == 'h') ++p;
    return conversion;
}

// The conversion's text, padded to its width, from the next argument.
std::string converted_field(import_context& c, char letter, const conversion_format& conversion, int& next)
{
    std::string field;
    bool numeric = true;
    switch (letter) {
    case 'd':
    case 'i': {
        const auto value = static_cast<int32_t>(arg(c, next++));
        field = std::to_string(value < 0 ? -int64_t{value} : int64_t{value});
        if (conversion.has_precision && field.size() < conversion.precision) field.insert(0, conversion.precision - field.size(), '0');
        if (value < 0) field.insert(0, 1, '-');
        break;
    }
    case 'u': field = std::to_string(arg(c, next++)); break;
    case 'x':
    case 'X': {
        char digits[16];
        std::snprintf(digits, sizeof digits, letter == 'x' ? "%x" : "%X", arg(c, next++));
        field = (conversion.hash ? (letter == 'x' ? "0x" : "0X") : "") + std::string(digits);
        break;
    }
    case 'c': field = std::string(1, static_cast<char>(arg(c, next++))); numeric = false; break;
    case 's': {
        const uint32_t address = arg(c, next++);
        field = address == 0 ? "(null)" : c.machine.read_text(address, longest_text);
        if (conversion.has_precision && field.size() > conversion.precision) field.resize(conversion.precision);
        numeric = false;
        break;
    }
    case '%': field = "%"; numeric = false; break;
    default: throw std::runtime_error(std::string("the conversion '%") + letter + "' is not served");
    }
    if (field.size() < conversion.width) {
        const size_t pad = conversion.width - field.size();
        if (conversion.left) field.append(pad, ' ');
        else if (conversion.zero && numeric) field.insert(field[0] == '-' ? 1 : 0, pad, '0');
        else field.insert(0, pad, ' ');
    }
    return field;
}

void wsprintf(import_context& c)
{
    std::string format_storage;
    const char* format = text_arg(c, 1, format_storage);
    if (format == nullptr) throw std::runtime_error("null format");
    std::string out;
    int next = 2;
    for (const char* p = format; *p != '\0'; ++p) {
        if (*p != '%') {
            out.push_back(*p);
            continue;
        }
        ++p;
        const conversion_format conversion = read_conversion(p);
        out += converted_field(c, *p, conversion, next);
        if (*p == '\0') break;
    }
    if (out.size() >= wsprintf_limit) out.resize(wsprintf_limit - 1);
    put_text(c, arg(c, 0), static_cast<uint32_t>(out.size() + 1), out);
    c.machine.set_result(static_cast<uint32_t>(out.size()));
}

// msvcrt

void split_path(import_context& c)
{
    std::string path_storage;
    const char* path = text_arg(c, 0, path_storage);
    if (path == nullptr) throw std::runtime_error("null path");
    char drive[max_drive], directory[max_directory];
    split_drive_and_directory(path, drive, sizeof drive, directory, sizeof directory);
    put_text(c, arg(c, 1), sizeof drive, drive);
    put_text(c, arg(c, 2), sizeof directory, directory);
    const std::string whole = path;
    const size_t name_start = whole.find_last_of("\\/:") == std::string::npos ? 0 : whole.find_last_of("\\/:") + 1;
    const std::string name = whole.substr(name_start);
    const size_t dot = name.rfind('.');
    put_text(c, arg(c, 3), max_name, name.substr(0, dot));
    put_text(c, arg(c, 4), max_name, dot == std::string::npos ? std::string() : name.substr(dot));
}

void copy_memory(import_context& c)
{
    const uint32_t destination = arg(c, 0), source = arg(c, 1), size = arg(c, 2);
    if (size != 0) std::memmove(c.machine.module_writable(destination, size), c.machine.pointer(source, size), size);
    c.machine.set_result(destination);
}

void set_memory(import_context& c)
{
    const uint32_t destination = arg(c, 0), size = arg(c, 2);
    if (size != 0) std::memset(c.machine.module_writable(destination, size), static_cast<int>(arg(c, 1) & 0xFF), size);
    c.machine.set_result(destination);
}

void string_length(import_context& c)
{
    std::string text;
    if (text_arg(c, 0, text) == nullptr) throw std::runtime_error("null string");
    c.machine.set_result(static_cast<uint32_t>(text.size()));
}

void string_copy_n(import_context& c)
{
    const uint32_t destination = arg(c, 0), size = arg(c, 2);
    std::string source;
    if (text_arg(c, 1, source) == nullptr) throw std::runtime_error("null string");
    if (size != 0) {
        uint8_t* out = c.machine.module_writable(destination, size);
        const size_t copied = std::min<size_t>(source.size(), size);
        std::memcpy(out, source.data(), copied);
        std::memset(out + copied, 0, size - copied);
    }
    c.machine.set_result(destination);
}

const std::vector<served_import> table = {
    {"kernel32.dll", "QueryPerformanceFrequency", true, 4, query_performance_frequency},
    {"kernel32.dll", "QueryPerformanceCounter", true, 4, query_performance_counter},
    {"kernel32.dll", "GetModuleFileNameA", true, 12, get_module_file_name},
    {"kernel32.dll", "GetPrivateProfileStringA", true, 24, get_private_profile_string},
    {"kernel32.dll", "WritePrivateProfileStringA", true, 16, write_private_profile_string},
    {"kernel32.dll", "CreateFileA", true, 28, create_file},
    {"kernel32.dll", "WriteFile", true, 20, write_file},
    {"kernel32.dll", "FlushFileBuffers", true, 4, flush_file_buffers},
    {"kernel32.dll", "CloseHandle", true, 4, close_handle},
    {"kernel32.dll", "GetLastError", true, 0, get_last_error},
    {"winmm.dll", "joyGetDevCapsA", true, 12, joy_get_dev_caps},
    {"winmm.dll", "joyGetPosEx", true, 8, joy_get_pos_ex},
    {"user32.dll", "wsprintfA", false, 0, wsprintf},
    {"msvcrt.dll", "_splitpath", false, 0, split_path},
    {"msvcrt.dll", "memcpy", false, 0, copy_memory},
    {"msvcrt.dll", "memmove", false, 0, copy_memory},
    {"msvcrt.dll", "memset", false, 0, set_memory},
    {"msvcrt.dll", "strlen", false, 0, string_length},
    {"msvcrt.dll", "strncpy", false, 0, string_copy_n},
};

}  // namespace

const std::vector<served_import>& served_imports()
{
    return table;
}

const served_import* find_served_import(const std::string& dll, const std::string& function)
{
    for (const served_import& served : table)
        if (strcasecmp(served.dll, dll.c_str()) == 0 && function == served.function) return &served;
    return nullptr;
}
