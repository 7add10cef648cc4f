#include "tools/gaugehost/win32_imports.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <strings.h>

#include "config/number_text.h"
#include "platform/native/profile_file.h"
#include "platform/native/split_path.h"
#include "platform/virtual_devices.h"
#include "tools/gaugehost/x86_machine.h"

namespace {

constexpr size_t longest_text = 1 << 16;      // a string argument longer than this is a fault
constexpr size_t wsprintf_limit = 1024;        // wsprintfA writes at most this many bytes
constexpr uint32_t heap_alignment = 16;
constexpr uint32_t max_drive = 3, max_directory = 256, max_name = 256;  // _splitpath's buffer sizes
constexpr uint32_t error_insufficient_buffer = 122;
uint32_t last_error = 0;

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
    c.machine.write(address, text.data(), length);
    const char terminator = '\0';
    c.machine.write(address + static_cast<uint32_t>(length), &terminator, 1);
}

// kernel32

void query_performance_frequency(import_context& c)
{
    int64_t value = 0;
    virtual_query_performance_frequency(&value);
    c.machine.write(arg(c, 0), &value, sizeof value);
    c.machine.set_result(1u);
}

void query_performance_counter(import_context& c)
{
    int64_t value = 0;
    virtual_query_performance_counter(&value);
    c.machine.write(arg(c, 0), &value, sizeof value);
    c.machine.set_result(1u);
}

void get_module_file_name(import_context& c)
{
    const uint32_t module = arg(c, 0), buffer = arg(c, 1), size = arg(c, 2);
    if (module != 0 && module != c.module_base) {
        c.machine.set_result(0u);
        return;
    }
    std::vector<char> text(std::max<uint32_t>(size, 1));
    uint32_t length;
    if (module == 0) {
        length = virtual_module_file_name(text.data(), size);
    } else {
        put_text(c, buffer, size, c.module_path);
        length = static_cast<uint32_t>(std::min<size_t>(c.module_path.size(), size));
        c.machine.set_result(length);
        return;
    }
    if (size != 0) c.machine.write(buffer, text.data(), std::min<uint32_t>(size, length + 1));
    if (length == size) last_error = error_insufficient_buffer;
    c.machine.set_result(length);
}

void get_private_profile_string(import_context& c)
{
    std::string section, key, default_text, path;
    const uint32_t buffer = arg(c, 3), size = arg(c, 4);
    std::vector<char> text(std::max<uint32_t>(size, 1));
    const uint32_t length = profile_read_string(text_arg(c, 0, section), text_arg(c, 1, key), text_arg(c, 2, default_text),
                                                buffer != 0 ? text.data() : nullptr, size, text_arg(c, 5, path));
    if (buffer != 0 && size != 0) c.machine.write(buffer, text.data(), std::min<uint32_t>(size, length + 1));
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

void get_last_error(import_context& c)
{
    c.machine.set_result(last_error);
}

void set_last_error(import_context& c)
{
    last_error = arg(c, 0);
}

// winmm: the records have no pointers, so their layouts are the same on both sides.

void joy_get_dev_caps(import_context& c)
{
    const uint32_t id = arg(c, 0), address = arg(c, 1), size = arg(c, 2);
    JOYCAPSA caps{};
    const uint32_t copied = std::min<uint32_t>(size, sizeof caps);
    if (address != 0) c.machine.read(address, &caps, copied);
    const uint32_t result = virtual_joy_get_dev_caps(id, address != 0 ? &caps : nullptr, size);
    if (address != 0) c.machine.write(address, &caps, copied);
    c.machine.set_result(result);
}

void joy_get_pos_ex(import_context& c)
{
    const uint32_t id = arg(c, 0), address = arg(c, 1);
    JOYINFOEX info{};
    if (address != 0) c.machine.read(address, &info, sizeof info);
    const uint32_t result = virtual_joy_get_pos_ex(id, address != 0 ? &info : nullptr);
    if (address != 0) c.machine.write(address, &info, sizeof info);
    c.machine.set_result(result);
}

// user32: wsprintfA's conversions (no floating point), as far as a format asks for them.
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
        bool left = false, zero = false, hash = false;
        for (;; ++p) {
            if (*p == '-') left = true;
            else if (*p == '0') zero = true;
            else if (*p == '#') hash = true;
            else break;
        }
        size_t width = 0, precision = 0;
        bool has_precision = false;
        while (*p >= '0' && *p <= '9') width = width * 10 + static_cast<size_t>(*p++ - '0');
        if (*p == '.') {
            has_precision = true;
            ++p;
            while (*p >= '0' && *p <= '9') precision = precision * 10 + static_cast<size_t>(*p++ - '0');
        }
        if (*p == 'l' || *p == 'h') ++p;
        std::string field;
        bool numeric = true;
        switch (*p) {
        case 'd':
        case 'i': {
            const auto value = static_cast<int32_t>(arg(c, next++));
            field = std::to_string(value < 0 ? -int64_t{value} : int64_t{value});
            if (has_precision && field.size() < precision) field.insert(0, precision - field.size(), '0');
            if (value < 0) field.insert(0, 1, '-');
            break;
        }
        case 'u': field = std::to_string(arg(c, next++)); break;
        case 'x':
        case 'X': {
            char digits[16];
            std::snprintf(digits, sizeof digits, *p == 'x' ? "%x" : "%X", arg(c, next++));
            field = (hash ? (*p == 'x' ? "0x" : "0X") : "") + std::string(digits);
            break;
        }
        case 'c': field = std::string(1, static_cast<char>(arg(c, next++))); numeric = false; break;
        case 's': {
            const uint32_t address = arg(c, next++);
            field = address == 0 ? "(null)" : c.machine.read_text(address, longest_text);
            if (has_precision && field.size() > precision) field.resize(precision);
            numeric = false;
            break;
        }
        case '%': field = "%"; numeric = false; break;
        default: throw std::runtime_error(std::string("the conversion '%") + *p + "' is not served");
        }
        if (field.size() < width) {
            const size_t pad = width - field.size();
            if (left) field.append(pad, ' ');
            else if (zero && numeric) field.insert(field[0] == '-' ? 1 : 0, pad, '0');
            else field.insert(0, pad, ' ');
        }
        out += field;
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

void ascii_to_double(import_context& c)
{
    std::string text;
    const char* storage = text_arg(c, 0, text);
    c.machine.set_double_result(storage != nullptr ? text_to_double(storage) : 0.0);
}

void copy_memory(import_context& c)
{
    const uint32_t destination = arg(c, 0), source = arg(c, 1), size = arg(c, 2);
    if (size != 0) std::memmove(c.machine.pointer(destination, size), c.machine.pointer(source, size), size);
    c.machine.set_result(destination);
}

void set_memory(import_context& c)
{
    const uint32_t destination = arg(c, 0), size = arg(c, 2);
    if (size != 0) std::memset(c.machine.pointer(destination, size), static_cast<int>(arg(c, 1) & 0xFF), size);
    c.machine.set_result(destination);
}

void string_length(import_context& c)
{
    std::string text;
    if (text_arg(c, 0, text) == nullptr) throw std::runtime_error("null string");
    c.machine.set_result(static_cast<uint32_t>(text.size()));
}

void string_compare(import_context& c)
{
    std::string a, b;
    if (text_arg(c, 0, a) == nullptr || text_arg(c, 1, b) == nullptr) throw std::runtime_error("null string");
    const int order = std::strcmp(a.c_str(), b.c_str());
    c.machine.set_result(static_cast<uint32_t>(order < 0 ? -1 : order > 0 ? 1 : 0));
}

void string_copy_n(import_context& c)
{
    const uint32_t destination = arg(c, 0), size = arg(c, 2);
    std::string source;
    if (text_arg(c, 1, source) == nullptr) throw std::runtime_error("null string");
    std::vector<char> bytes(size, '\0');
    std::memcpy(bytes.data(), source.data(), std::min<size_t>(source.size(), size));
    if (size != 0) c.machine.write(destination, bytes.data(), size);
    c.machine.set_result(destination);
}

void allocate(import_context& c)
{
    c.machine.set_result(c.heap.allocate(arg(c, 0)));
}

void allocate_zeroed(import_context& c)
{
    const uint64_t size = uint64_t{arg(c, 0)} * arg(c, 1);
    const uint32_t address = size > 0xFFFFFFFF ? 0 : c.heap.allocate(static_cast<uint32_t>(size));
    if (address != 0 && size != 0) std::memset(c.machine.pointer(address, size), 0, size);
    c.machine.set_result(address);
}

void release(import_context& c)
{
    if (arg(c, 0) != 0) c.heap.release(arg(c, 0));
}

void reallocate(import_context& c)
{
    const uint32_t old = arg(c, 0), size = arg(c, 1);
    if (old == 0) return allocate(c);
    const uint32_t fresh = c.heap.allocate(size);
    if (fresh != 0) {
        const uint32_t kept = std::min(size, c.heap.size_of(old));
        if (kept != 0) std::memcpy(c.machine.pointer(fresh, kept), c.machine.pointer(old, kept), kept);
        c.heap.release(old);
    }
    c.machine.set_result(fresh);
}

void abort_module(import_context& c)
{
    c.machine.fail("calls abort (returning to " + hex32(c.machine.return_address()) + ")");
}

const std::vector<served_import> table = {
    {"kernel32.dll", "QueryPerformanceFrequency", true, 4, false, query_performance_frequency},
    {"kernel32.dll", "QueryPerformanceCounter", true, 4, false, query_performance_counter},
    {"kernel32.dll", "GetModuleFileNameA", true, 12, false, get_module_file_name},
    {"kernel32.dll", "GetPrivateProfileStringA", true, 24, false, get_private_profile_string},
    {"kernel32.dll", "WritePrivateProfileStringA", true, 16, false, write_private_profile_string},
    {"kernel32.dll", "GetLastError", true, 0, false, get_last_error},
    {"kernel32.dll", "SetLastError", true, 4, false, set_last_error},
    {"winmm.dll", "joyGetDevCapsA", true, 12, false, joy_get_dev_caps},
    {"winmm.dll", "joyGetPosEx", true, 8, false, joy_get_pos_ex},
    {"user32.dll", "wsprintfA", false, 0, false, wsprintf},
    {"msvcrt.dll", "_splitpath", false, 0, false, split_path},
    {"msvcrt.dll", "atof", false, 0, true, ascii_to_double},
    {"msvcrt.dll", "memcpy", false, 0, false, copy_memory},
    {"msvcrt.dll", "memmove", false, 0, false, copy_memory},
    {"msvcrt.dll", "memset", false, 0, false, set_memory},
    {"msvcrt.dll", "strlen", false, 0, false, string_length},
    {"msvcrt.dll", "strcmp", false, 0, false, string_compare},
    {"msvcrt.dll", "strncpy", false, 0, false, string_copy_n},
    {"msvcrt.dll", "malloc", false, 0, false, allocate},
    {"msvcrt.dll", "calloc", false, 0, false, allocate_zeroed},
    {"msvcrt.dll", "realloc", false, 0, false, reallocate},
    {"msvcrt.dll", "free", false, 0, false, release},
    {"msvcrt.dll", "abort", false, 0, false, abort_module},
};

}  // namespace

emulated_heap::emulated_heap(uint32_t base, uint32_t size)
{
    free_[base] = size;
}

uint32_t emulated_heap::allocate(uint32_t size)
{
    const uint32_t rounded = std::max<uint32_t>((size + heap_alignment - 1) / heap_alignment * heap_alignment, heap_alignment);
    for (auto block = free_.begin(); block != free_.end(); ++block) {
        if (block->second < rounded) continue;
        const uint32_t address = block->first, left = block->second - rounded;
        free_.erase(block);
        if (left != 0) free_[address + rounded] = left;
        used_[address] = rounded;
        return address;
    }
    return 0;
}

void emulated_heap::release(uint32_t address)
{
    const auto block = used_.find(address);
    if (block == used_.end()) throw std::runtime_error("frees " + hex32(address) + ", which the heap did not hand out");
    uint32_t start = block->first, size = block->second;
    used_.erase(block);
    auto next = free_.lower_bound(start);
    if (next != free_.end() && next->first == start + size) {
        size += next->second;
        next = free_.erase(next);
    }
    if (next != free_.begin()) {
        const auto previous = std::prev(next);
        if (previous->first + previous->second == start) {
            start = previous->first;
            size += previous->second;
            free_.erase(previous);
        }
    }
    free_[start] = size;
}

uint32_t emulated_heap::size_of(uint32_t address) const
{
    const auto block = used_.find(address);
    if (block == used_.end()) throw std::runtime_error("resizes " + hex32(address) + ", which the heap did not hand out");
    return block->second;
}

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
