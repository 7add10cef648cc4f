// The configuration file on the native build, read and written the way the Windows profile
// functions do it. See profile_file.h for the file format.
//
// Choices where Windows leaves room:
// - Only the first section with a given name counts. A later section of the same name is
//   neither read nor written; a key that is only in the later one is read as missing, and
//   writing it adds it to the first one.
// - A section header runs from '[' to the first ']'; anything after the ']' is ignored, so
//   "[Brask] ; autopilot" is the section "Brask". A line starting with '[' but without ']' is no
//   header. Keys above the first header form the section with the empty name, which the writer
//   does not write to.
// - Names match without regard to ASCII case; other bytes must be equal.
// - A line that is neither a header nor a comment and has no '=' is a key without a value: it
//   reads as missing (and hides a later line of the same key), and a save rewrites it.
// - A file longer than profile_file_size_limit: only the whole lines within the limit are read,
//   and a save leaves the file as it is rather than cut it short.
#include "platform/native/profile_file.h"

#include "platform/native/profile_encoding.h"

#include "platform/file_descriptors.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

namespace {

constexpr size_t none = std::string_view::npos;

bool is_blank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view text)
{
    while (!text.empty() && is_blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back()))
        text.remove_suffix(1);
    return text;
}

char ascii_lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool same_name(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return ascii_lower(x) == ascii_lower(y); });
}

// A value enclosed in a matching pair of quotes loses them.
std::string_view unquote(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

enum class line_kind { other, section, key };

struct parsed_line {
    line_kind kind = line_kind::other;
    std::string_view name;  // section or key name, trimmed
    std::string_view value; // key lines: the value, trimmed, quotes still on
    bool has_value = false; // key lines: false when the line has no '='
};

// One line of the file without its line ending.
parsed_line parse_line(std::string_view text)
{
    parsed_line line;
    const std::string_view body = trim(text);
    if (body.empty() || body.front() == ';')
        return line;
    if (body.front() == '[') {
        // Without a closing ']' the line is no header, and the keys below stay where they were.
        const size_t close = body.find(']', 1);
        if (close == none)
            return line;
        line.kind = line_kind::section;
        line.name = trim(body.substr(1, close - 1));
        return line;
    }
    // A line without '=' names a key that has no value: it reads as missing, but it is the
    // entry a save of that key rewrites.
    const size_t equals = body.find('=');
    line.kind = line_kind::key;
    line.has_value = equals != none;
    line.name = trim(body.substr(0, equals));
    line.value = line.has_value ? trim(body.substr(equals + 1)) : std::string_view();
    return line;
}

// Callers write Windows-style paths such as "sim\\gauges\\brask.cfg": a backslash counts as
// '/', and a run of separators counts as one.
std::string native_path(const char* path)
{
    std::string result;
    for (const char* p = path; *p != '\0'; ++p) {
        const char c = *p == '\\' ? '/' : *p;
        if (c == '/' && !result.empty() && result.back() == '/')
            continue;
        result += c;
    }
    return result;
}

bool has_line_break(std::string_view text)
{
    return text.find_first_of("\r\n") != none;
}

// --- Lines --------------------------------------------------------------------------------

struct raw_line {
    size_t begin;    // offset of the line in the text
    size_t text_end; // end of its text, before its line ending
    size_t end;      // end of the line including its ending
};

// The line starting at `begin`. As Windows reads them, lines end at LF, at CR LF, or at a CR on
// its own (files from old Macs).
raw_line line_at(std::string_view text, size_t begin)
{
    size_t text_end = begin;
    while (text_end < text.size() && text[text_end] != '\n' && text[text_end] != '\r')
        ++text_end;
    if (text_end == text.size())
        return {begin, text.size(), text.size()};
    size_t end = text_end + 1;
    if (text[text_end] == '\r' && end < text.size() && text[end] == '\n')
        ++end;
    return {begin, text_end, end};
}

std::string_view text_of(std::string_view text, const raw_line& line)
{
    return text.substr(line.begin, line.text_end - line.begin);
}

// --- Loading --------------------------------------------------------------------------------

enum class load_result { ok, missing, failed, too_large };

// Only a regular file is read: a FIFO, a device or a folder in its place is refused before it
// is opened, and the open itself never waits (O_NONBLOCK), should the path change in between.
// At most profile_file_size_limit bytes are read; a longer file gives too_large with its first
// profile_file_size_limit bytes in `raw`.
load_result load_file(const std::string& path, std::string& raw, struct stat& info)
{
    if (stat(path.c_str(), &info) != 0)
        return errno == ENOENT ? load_result::missing : load_result::failed;
    if (!S_ISREG(info.st_mode))
        return load_result::failed;
    const int fd = open(path.c_str(), open_to_read_flags);
    if (fd < 0)
        return errno == ENOENT ? load_result::missing : load_result::failed;
    load_result result = load_result::ok;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        result = load_result::failed;
    } else {
        // One byte beyond the limit tells a file at the limit from a longer one.
        const size_t most = size_t{profile_file_size_limit} + 1;
        raw.clear();
        raw.reserve(std::min<size_t>(static_cast<size_t>(std::max<off_t>(info.st_size, 0)) + 1, most));
        char chunk[65536];
        while (raw.size() < most) {
            const ssize_t got = read(fd, chunk, std::min(sizeof chunk, most - raw.size()));
            if (got > 0) {
                raw.append(chunk, static_cast<size_t>(got));
            } else if (got == 0) {
                break;
            } else if (errno != EINTR) {
                result = load_result::failed;
                break;
            }
        }
        if (result == load_result::ok && raw.size() > profile_file_size_limit) {
            result = load_result::too_large;
            raw.resize(profile_file_size_limit);
        }
    }
    close(fd);
    return result;
}

// --- Reading -------------------------------------------------------------------------------

// The value of the first key named `key` in the first section named `section`, if any.
bool find_value(std::string_view text, std::string_view section, std::string_view key, std::string& value)
{
    // Keys above the first header belong to the section with the empty name.
    bool in_section = section.empty();
    for (size_t begin = 0; begin < text.size();) {
        const raw_line line = line_at(text, begin);
        begin = line.end;
        const parsed_line parsed = parse_line(text_of(text, line));
        if (parsed.kind == line_kind::section) {
            if (in_section)
                return false;
            in_section = same_name(parsed.name, section);
        } else if (parsed.kind == line_kind::key && in_section && same_name(parsed.name, key)) {
            value = unquote(parsed.value);
            return parsed.has_value;
        }
    }
    return false;
}

uint32_t copy_out(std::string_view text, char* buffer, uint32_t buffer_size)
{
    text = text.substr(0, text.find('\0'));
    const size_t count = std::min<size_t>(text.size(), buffer_size - 1);
    if (count > 0) std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return static_cast<uint32_t>(count);
}

// --- Writing -------------------------------------------------------------------------------

// New lines follow the file's own style: the ending of its first line, LF for a file without one.
std::string_view line_ending_of(std::string_view text)
{
    const raw_line first = line_at(text, 0);
    return first.end > first.text_end ? text.substr(first.text_end, first.end - first.text_end) : "\n";
}

// The text with `key` in `section` set to `value`; every other byte stays as it was.
std::string updated_content(std::string_view old, std::string_view section, std::string_view key,
                            std::string_view value)
{
    const std::string_view eol = line_ending_of(old);

    bool in_section = false;
    bool found = false;
    raw_line after{};  // the section's last key line, or its header when it has no keys
    for (size_t begin = 0; begin < old.size();) {
        const raw_line line = line_at(old, begin);
        begin = line.end;
        const parsed_line parsed = parse_line(text_of(old, line));
        if (parsed.kind == line_kind::section) {
            if (in_section)
                break;
            in_section = same_name(parsed.name, section);
            if (in_section) {
                found = true;
                after = line;
            }
        } else if (parsed.kind == line_kind::key && in_section) {
            if (same_name(parsed.name, key)) {
                // Rewrite this line as key=value, keeping the key's spelling and the line's ending.
                std::string result(old.substr(0, line.begin));
                result.append(parsed.name).append("=").append(value);
                result.append(old.substr(line.text_end));
                return result;
            }
            after = line;
        }
    }

    std::string new_line(key);
    new_line.append("=").append(value);

    if (!found) {
        // No such section: add it at the end.
        std::string result(old);
        if (!old.empty() && old.back() != '\n' && old.back() != '\r')
            result.append(eol);
        result.append("[").append(section).append("]").append(eol);
        result.append(new_line).append(eol);
        return result;
    }

    // Add the key after the section's last key line (so ahead of any blank lines or comments
    // that close the section), or right after the header when it has no keys.
    std::string result;
    if (after.end > after.text_end) {
        result.append(old.substr(0, after.end)).append(new_line).append(eol);
        result.append(old.substr(after.end));
    } else {
        // The last line of a file without a final newline: the new line becomes the last one,
        // still without a newline.
        result.append(old.substr(0, after.text_end)).append(eol).append(new_line);
    }
    return result;
}

bool write_all(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t put = write(fd, data.data(), data.size());
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(static_cast<size_t>(put));
    }
    return true;
}

// Replaces the file with `content` through a temporary file in the same folder, so the file is
// always either the old one or the new one. `mode` is the old file's permission bits, if any.
bool replace_file(const std::filesystem::path& file, std::string_view content, const mode_t* mode)
{
    const std::filesystem::path folder = file.parent_path();
    std::string temp;
    int fd = -1;
    static std::atomic<unsigned> counter = 0;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        // Built up piece by piece: GCC 12 at -O3 misreads a chain of + here as an overlapping copy.
        std::string name = ".";
        name += file.filename().string();
        name += '.';
        name += std::to_string(getpid());
        name += '.';
        name += std::to_string(++counter);
        name += ".tmp";
        temp = (folder / name).string();
        // New files get the usual 0666 less the umask; replaced files keep their bits below.
        fd = open(temp.c_str(), create_new_flags, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;

    if (mode != nullptr)
        set_permission_bits(fd, *mode);
    bool ok = write_all(fd, content) && sync_descriptor(fd) == 0;
    ok = close(fd) == 0 && ok;
    // Replaces the old file on Windows too, where the C library's rename would refuse.
    std::error_code renamed;
    if (ok) std::filesystem::rename(temp, file, renamed);
    ok = ok && !renamed;
    if (!ok) {
        unlink(temp.c_str());
        return false;
    }

    sync_folder(folder.empty() ? "." : folder.string().c_str());
    return true;
}

} // namespace

uint32_t profile_read_string(const char* section, const char* key, const char* default_text,
                             char* buffer, uint32_t buffer_size, const char* path)
{
    if (buffer == nullptr || buffer_size == 0)
        return 0;
    if (section == nullptr || key == nullptr || path == nullptr)
        return copy_out({}, buffer, buffer_size);

    std::string raw;
    struct stat info {};
    const load_result loaded = load_file(native_path(path), raw, info);
    if (loaded == load_result::ok || loaded == load_result::too_large) {
        profile_text file = decode_profile(raw);
        // Of a file beyond the size limit only the whole lines within it count.
        if (loaded == load_result::too_large) {
            const size_t last_break = file.text.find_last_of("\r\n");
            file.text.resize(last_break == none ? 0 : last_break + 1);
        }
        std::string value;
        if (find_value(file.text, trim(section), trim(key), value))
            return copy_out(value, buffer, buffer_size);
    }

    // Windows drops trailing blanks of the default text.
    std::string_view fallback = default_text != nullptr ? default_text : "";
    while (!fallback.empty() && is_blank(fallback.back()))
        fallback.remove_suffix(1);
    return copy_out(fallback, buffer, buffer_size);
}

bool profile_write_string(const char* section, const char* key, const char* value, const char* path)
{
    if (section == nullptr || key == nullptr || value == nullptr || path == nullptr)
        return false;
    const std::string_view section_name = trim(section);
    const std::string_view key_name = trim(key);
    // Refuse what would not read back as written: line breaks would split the line, and the
    // rest would end the key or the section name early or turn the key line into something else.
    if (has_line_break(section_name) || has_line_break(key_name) || has_line_break(value) ||
        section_name.empty() || section_name.find(']') != none || key_name.find('=') != none ||
        key_name.starts_with(';') || key_name.starts_with('['))
        return false;

    std::filesystem::path file = native_path(path);
    if (file.empty() || !file.has_filename())
        return false;

    std::string old;
    struct stat info {};
    const load_result loaded = load_file(file.string(), old, info);
    // A file beyond the size limit is left alone rather than cut short.
    if (loaded == load_result::failed || loaded == load_result::too_large)
        return false;
    if (loaded == load_result::ok) {
        // A file without any write permission bit is read-only for everyone, the superuser
        // included, as Windows treats its read-only attribute.
        if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || access(file.string().c_str(), W_OK) != 0)
            return false;
        // Through a symbolic link, replace the file it points to and keep the link.
        std::error_code error;
        file = std::filesystem::canonical(file, error);
        if (error)
            return false;
    }

    const profile_text before = decode_profile(old);
    if (!fits_encoding(before.encoding, section_name) || !fits_encoding(before.encoding, key_name) ||
        !fits_encoding(before.encoding, value))
        return false;
    const std::string after = updated_content(before.text, section_name, key_name, value);
    if (loaded == load_result::ok && after == before.text)
        return true;
    std::string content;
    if (!encode_profile(before.encoding, after, content))
        return false;
    return replace_file(file, content, loaded == load_result::ok ? &info.st_mode : nullptr);
}
