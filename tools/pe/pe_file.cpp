#include "tools/pe/pe_file.h"

#include <algorithm>
#include <cstring>
#include <sstream>

namespace {

constexpr uint16_t machine_i386 = 0x014C;
constexpr uint16_t machine_amd64 = 0x8664;
constexpr uint16_t file_is_dll = 0x2000;
constexpr uint16_t optional_magic_32 = 0x010B;
constexpr uint16_t optional_magic_64 = 0x020B;
constexpr uint32_t largest_image = 64u << 20;  // far more than any gauge module needs
constexpr uint32_t section_executes = 0x20000000, section_reads = 0x40000000, section_writes = 0x80000000;
constexpr int directory_export = 0, directory_import = 1, directory_resource = 2, directory_relocation = 5, directory_tls = 9;
constexpr uint32_t longest_resource_list = 1024;  // entries read of one resource directory
constexpr uint32_t resource_bitmap = 2, resource_subdirectory = 0x80000000, resource_named = 0x80000000;
constexpr uint16_t relocation_absolute = 0, relocation_highlow = 3;
constexpr uint32_t import_by_ordinal = 0x80000000;
constexpr uint32_t most_exports = 0x10000;  // ordinals are 16-bit

std::string hex(uint32_t value)
{
    std::ostringstream text;
    text << "0x" << std::hex << value;
    return text.str();
}

// Bounds-checked little-endian reads, from the file's bytes or from the image.
class reader {
public:
    reader(const std::vector<uint8_t>& bytes, const char* what) : file_(&bytes), size_(bytes.size()), what_(what) {}
    reader(const pe_image& image, const char* what) : image_(&image), size_(image.size()), what_(what) {}

    void need(uint64_t offset, uint64_t size) const
    {
        if (offset + size > size_)
            throw module_error(std::string(what_) + " ends before offset " + hex(static_cast<uint32_t>(offset + size)));
    }
    uint16_t u16(uint64_t offset) const
    {
        need(offset, 2);
        return static_cast<uint16_t>(byte(offset) | byte(offset + 1) << 8);
    }
    uint32_t u32(uint64_t offset) const
    {
        need(offset, 4);
        return uint32_t{u16(offset)} | uint32_t{u16(offset + 2)} << 16;
    }
    // Up to size bytes, ending at the first zero byte.
    std::string text_of_size(uint64_t offset, size_t size) const
    {
        need(offset, size);
        std::string text;
        for (uint64_t at = offset; at < offset + size && byte(at) != 0; ++at) text.push_back(static_cast<char>(byte(at)));
        return text;
    }
    // The image's bytes [offset, offset + size), after need(offset, size).
    std::vector<uint8_t> bytes(uint64_t offset, uint32_t size) const
    {
        need(offset, size);
        return image_->bytes(static_cast<uint32_t>(offset), size);
    }
    std::string text(uint64_t offset) const
    {
        need(offset, 1);
        std::string text;
        for (uint64_t at = offset;; ++at) {
            if (at == size_)
                throw module_error(std::string(what_) + ": a name at " + hex(static_cast<uint32_t>(offset)) + " runs off the end");
            const uint8_t c = byte(at);
            if (c == 0) return text;
            text.push_back(static_cast<char>(c));
        }
    }

private:
    uint8_t byte(uint64_t offset) const
    {
        return file_ != nullptr ? (*file_)[offset] : image_->at(static_cast<uint32_t>(offset));
    }

    const std::vector<uint8_t>* file_ = nullptr;
    const pe_image* image_ = nullptr;
    uint64_t size_;
    const char* what_;
};

struct directory {
    uint32_t rva = 0, size = 0;
};

void read_sections(const reader& file, size_t file_size, uint32_t table, uint16_t count, pe_file& pe)
{
    for (uint16_t i = 0; i < count; ++i) {
        const uint32_t at = table + i * 40u;
        file.need(at, 40);
        pe_section section;
        section.name = file.text_of_size(at, 8);
        const uint32_t virtual_size = file.u32(at + 8);
        section.rva = file.u32(at + 12);
        section.raw_size = file.u32(at + 16);
        section.raw_offset = file.u32(at + 20);
        const uint32_t characteristics = file.u32(at + 36);
        section.virtual_size = virtual_size != 0 ? virtual_size : section.raw_size;
        section.raw_size = std::min(section.raw_size, section.virtual_size);
        section.executes = (characteristics & section_executes) != 0;
        section.reads = (characteristics & section_reads) != 0;
        section.writes = (characteristics & section_writes) != 0;
        if (section.raw_size != 0 && uint64_t{section.raw_offset} + section.raw_size > file_size)
            throw module_error("section " + section.name + " is truncated: its data ends at " +
                               hex(section.raw_offset + section.raw_size) + ", the file at " + hex(static_cast<uint32_t>(file_size)));
        if (section.rva < pe.header_size || uint64_t{section.rva} + section.virtual_size > pe.image_size)
            throw module_error("section " + section.name + " lies outside the image");
        for (const pe_section& other : pe.sections)
            if (section.rva < other.rva + other.virtual_size && other.rva < section.rva + section.virtual_size)
                throw module_error("sections " + other.name + " and " + section.name + " overlap");
        pe.sections.push_back(section);
    }
}

void read_relocations(const reader& image, directory relocations, pe_file& pe)
{
    uint32_t at = relocations.rva;
    const uint64_t end = uint64_t{relocations.rva} + relocations.size;
    while (at + 8 <= end) {
        const uint32_t page = image.u32(at);
        const uint32_t block_size = image.u32(at + 4);
        if (block_size < 8 || uint64_t{at} + block_size > end) throw module_error("a base relocation block at " + hex(at) + " is malformed");
        image.need(at, block_size);
        const std::vector<uint8_t> entries = image.bytes(at + 8, block_size - 8);
        for (size_t entry = 0; entry + 2 <= entries.size(); entry += 2) {
            const uint16_t word = static_cast<uint16_t>(entries[entry] | entries[entry + 1] << 8);
            const uint16_t type = word >> 12;
            const uint32_t rva = page + (word & 0x0FFF);
            if (type == relocation_absolute) continue;
            if (type != relocation_highlow)
                throw module_error("a base relocation of type " + std::to_string(type) + " at " + hex(rva) + " is not supported");
            if (uint64_t{rva} + 4 > pe.image_size) throw module_error("a base relocation at " + hex(rva) + " lies outside the image");
            pe.relocations.push_back(rva);
        }
        at += block_size;
    }
}

void read_imports(const reader& image, directory imports, pe_file& pe)
{
    for (uint32_t at = imports.rva;; at += 20) {
        const uint32_t lookup_rva = image.u32(at);
        const uint32_t name_rva = image.u32(at + 12);
        const uint32_t slots_rva = image.u32(at + 16);
        if (name_rva == 0 && slots_rva == 0) break;
        const std::string dll = image.text(name_rva);
        const uint32_t lookup = lookup_rva != 0 ? lookup_rva : slots_rva;
        for (uint32_t i = 0;; ++i) {
            const uint32_t entry = image.u32(lookup + 4 * i);
            if (entry == 0) break;
            if (entry & import_by_ordinal)
                throw module_error("imports " + dll + " ordinal " + std::to_string(entry & 0xFFFF) +
                                   "; only imports by name are served");
            image.need(slots_rva + 4 * i, 4);
            pe.imports.push_back({dll, image.text(entry + 2), slots_rva + 4 * i});
        }
    }
}

void read_exports(const reader& image, directory exports, pe_file& pe)
{
    pe.export_rva = exports.rva;
    pe.export_size = exports.size;
    pe.export_name = image.text(image.u32(exports.rva + 12));
    const uint32_t ordinal_base = image.u32(exports.rva + 16);
    const uint32_t function_count = image.u32(exports.rva + 20);
    if (function_count > most_exports) throw module_error("the export directory claims " + std::to_string(function_count) + " functions");
    pe.export_function_count = function_count;
    const uint32_t name_count = image.u32(exports.rva + 24);
    if (name_count > most_exports) throw module_error("the export directory claims " + std::to_string(name_count) + " names");
    const uint32_t functions = image.u32(exports.rva + 28);
    const uint32_t names = image.u32(exports.rva + 32);
    const uint32_t ordinals = image.u32(exports.rva + 36);
    for (uint32_t i = 0; i < name_count; ++i) {
        const uint16_t index = image.u16(ordinals + 2 * i);
        if (index >= function_count) throw module_error("export " + std::to_string(i) + " names no function");
        pe.exports.push_back({image.text(image.u32(names + 4 * i)), ordinal_base + index, image.u32(functions + 4 * index)});
    }
}

// The resource tree: types, then ids, then languages, each level a directory of 8-byte entries
// after a 16-byte header; offsets count from the tree's start, data entries give RVAs.
void read_bitmaps(const reader& image, directory resources, pe_file& pe)
{
    auto entries = [&](uint32_t at, auto visit) {
        const uint32_t count = std::min<uint32_t>(uint32_t{image.u16(at + 12)} + image.u16(at + 14), longest_resource_list);
        for (uint32_t i = 0; i < count; ++i) visit(image.u32(at + 16 + 8 * i), image.u32(at + 20 + 8 * i));
    };
    try {
        entries(resources.rva, [&](uint32_t type, uint32_t offset) {
            if (type != resource_bitmap || !(offset & resource_subdirectory)) return;
            entries(resources.rva + (offset & ~resource_subdirectory), [&](uint32_t id, uint32_t by_language) {
                if ((id & resource_named) || !(by_language & resource_subdirectory)) return;
                const uint32_t languages = resources.rva + (by_language & ~resource_subdirectory);
                if (image.u16(languages + 12) + image.u16(languages + 14) == 0) return;
                const uint32_t data = image.u32(languages + 20);
                if (data & resource_subdirectory) return;
                const uint32_t rva = image.u32(resources.rva + data), size = image.u32(resources.rva + data + 4);
                if (uint64_t{rva} + size <= pe.image_size) pe.bitmaps.emplace(id, std::make_pair(rva, size));
            });
        });
    } catch (const module_error&) {
        // A tree that runs off the image keeps the bitmaps found so far.
    }
}

}  // namespace

pe_file parse_pe_file(const std::vector<uint8_t>& bytes, pe_expected expected)
{
    const reader file(bytes, "the file");
    if (bytes.size() < 64 || bytes[0] != 'M' || bytes[1] != 'Z') throw module_error("not a Windows DLL (no MZ header)");
    const uint32_t nt = file.u32(0x3C);
    if (uint64_t{nt} + 24 > bytes.size() || file.u32(nt) != 0x00004550) throw module_error("not a Windows DLL (no PE header)");
    const uint16_t machine = file.u16(nt + 4);
    if (machine == machine_amd64) throw module_error("a 64-bit DLL; the simulator loads only 32-bit x86 modules");
    if (machine != machine_i386) throw module_error("not a 32-bit x86 image (machine " + hex(machine) + ")");
    const uint16_t section_count = file.u16(nt + 6);
    const uint16_t optional_size = file.u16(nt + 20);
    if ((file.u16(nt + 22) & file_is_dll) == 0 && expected == pe_expected::dll)
        throw module_error("not a DLL (an executable image)");
    const uint32_t optional = nt + 24;
    const uint16_t magic = file.u16(optional);
    if (magic == optional_magic_64) throw module_error("a 64-bit DLL; the simulator loads only 32-bit x86 modules");
    if (magic != optional_magic_32) throw module_error("not a 32-bit PE image (optional header " + hex(magic) + ")");
    if (optional_size < 96) throw module_error("the optional header is too short");

    pe_file pe{};
    pe.entry_rva = file.u32(optional + 16);
    pe.image_base = file.u32(optional + 28);
    pe.image_size = file.u32(optional + 56);
    pe.header_size = file.u32(optional + 60);
    if (pe.image_size == 0 || pe.image_size > largest_image) throw module_error("image size " + hex(pe.image_size) + " is not plausible");
    if (pe.header_size > pe.image_size || pe.header_size > bytes.size()) throw module_error("the headers are truncated");
    const uint32_t directory_count = std::min<uint32_t>(file.u32(optional + 92), (optional_size - 96) / 8);
    directory directories[16];
    for (uint32_t i = 0; i < std::min<uint32_t>(directory_count, 16); ++i)
        directories[i] = {file.u32(optional + 96 + 8 * i), file.u32(optional + 100 + 8 * i)};

    read_sections(file, bytes.size(), optional + optional_size, section_count, pe);
    if (pe.entry_rva != 0 && pe.entry_rva >= pe.image_size) throw module_error("the entry point lies outside the image");

    // Only what the file fills is stored: a large zero tail (uninitialised data) costs nothing.
    pe.image = pe_image(pe.image_size);
    pe.image.write(0, bytes.data(), pe.header_size);
    for (const pe_section& section : pe.sections)
        if (section.raw_size != 0) pe.image.write(section.rva, bytes.data() + section.raw_offset, section.raw_size);

    const reader image(pe.image, "the image");
    pe.has_relocations = directories[directory_relocation].rva != 0 && directories[directory_relocation].size != 0;
    if (pe.has_relocations) read_relocations(image, directories[directory_relocation], pe);
    if (directories[directory_import].rva != 0) read_imports(image, directories[directory_import], pe);
    if (directories[directory_export].rva != 0) read_exports(image, directories[directory_export], pe);
    if (directories[directory_resource].rva != 0) read_bitmaps(image, directories[directory_resource], pe);
    pe.tls_rva = directories[directory_tls].rva;
    pe.tls_size = directories[directory_tls].size;
    return pe;
}

uint32_t pe_export(const pe_file& file, const std::string& name)
{
    for (const pe_export_entry& entry : file.exports)
        if (entry.name == name) return entry.rva;
    throw module_error("does not export " + name);
}

pe_image relocated_image(const pe_file& file, uint32_t base)
{
    pe_image image = file.image;
    const uint32_t delta = base - file.image_base;
    for (uint32_t rva : file.relocations) image.add32(rva, delta);
    return image;
}
