#include "tools/pe/pe_image.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {
uint32_t le32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

uint16_t le16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

constexpr uint16_t optional_header_pe32 = 0x10B;
constexpr uint32_t directory_export = 0;
constexpr uint32_t directory_import = 1;
constexpr uint32_t directory_relocations = 5;
constexpr uint16_t relocation_absolute = 0;  // padding
constexpr uint16_t relocation_highlow = 3;   // a 32-bit address
constexpr uint32_t import_by_ordinal = 0x80000000;
}  // namespace

PeImage::PeImage(const uint8_t* bytes, size_t size, layout how) : bytes_(bytes), size_(size), layout_(how)
{
    read_headers();
}

bool PeImage::fail(const std::string& what)
{
    if (error_.empty()) error_ = what;
    return false;
}

const PeImage::section* PeImage::section_of(uint32_t rva) const
{
    for (const section& s : sections_) {
        const uint32_t extent = s.virtual_size != 0 ? s.virtual_size : s.file_size;
        if (rva >= s.rva && rva - s.rva < extent) return &s;
    }
    return nullptr;
}

// The bytes at an RVA: directly in a mapped image, through the section table in a file.
const uint8_t* PeImage::at(uint32_t rva, size_t length) const
{
    size_t offset = rva;
    if (layout_ == layout::file) {
        const section* s = section_of(rva);
        if (s == nullptr || rva - s->rva + length > s->file_size) return nullptr;
        offset = s->file_offset + (rva - s->rva);
    }
    if (offset > size_ || length > size_ - offset) return nullptr;
    return bytes_ + offset;
}

std::string PeImage::text_at(uint32_t rva) const
{
    std::string text;
    for (const uint8_t* c = at(rva, 1); c != nullptr && *c != 0; c = at(++rva, 1)) text += static_cast<char>(*c);
    return text;
}

uint32_t PeImage::u32(uint32_t rva) const
{
    const uint8_t* p = at(rva, 4);
    return p != nullptr ? le32(p) : 0;
}

uint16_t PeImage::u16(uint32_t rva) const
{
    const uint8_t* p = at(rva, 2);
    return p != nullptr ? le16(p) : 0;
}

bool PeImage::read_headers()
{
    // Headers lie at the same offsets in a file and in a mapped image.
    if (size_ < 0x40 || bytes_[0] != 'M' || bytes_[1] != 'Z') return fail("no MZ header");
    const uint32_t pe = le32(bytes_ + 0x3C);
    if (pe > size_ || size_ - pe < 24 || std::memcmp(bytes_ + pe, "PE\0\0", 4) != 0) return fail("no PE signature");
    const uint8_t* coff = bytes_ + pe + 4;
    machine_ = le16(coff + 0);
    const uint16_t section_count = le16(coff + 2);
    const uint16_t optional_size = le16(coff + 16);
    file_characteristics_ = le16(coff + 18);
    const uint8_t* optional = coff + 20;
    if (static_cast<size_t>(optional - bytes_) + optional_size > size_ || optional_size < 96)
        return fail("optional header cut short");
    if (le16(optional) != optional_header_pe32) return fail("not a PE32 (32-bit) image");
    entry_point_rva_ = le32(optional + 16);
    image_base_ = le32(optional + 28);
    image_size_ = le32(optional + 56);
    headers_size_ = le32(optional + 60);
    const uint32_t directory_count = le32(optional + 92);
    for (uint32_t index = 0; index < directory_count && 96 + 8 * (index + 1) <= optional_size; ++index) {
        directories_.push_back(le32(optional + 96 + 8 * index));
        directories_.push_back(le32(optional + 96 + 8 * index + 4));
    }
    auto directory = [&](uint32_t index, uint32_t& rva, uint32_t& size) {
        rva = directory_rva(index);
        size = directory_size(index);
    };

    const uint8_t* table = optional + optional_size;
    if (static_cast<size_t>(table - bytes_) + 40u * section_count > size_) return fail("section table cut short");
    for (uint16_t i = 0; i < section_count; ++i) {
        const uint8_t* s = table + 40 * i;
        section entry;
        entry.name.assign(reinterpret_cast<const char*>(s), strnlen(reinterpret_cast<const char*>(s), 8));
        entry.virtual_size = le32(s + 8);
        entry.rva = le32(s + 12);
        entry.file_size = le32(s + 16);
        entry.file_offset = le32(s + 20);
        entry.characteristics = le32(s + 36);
        sections_.push_back(entry);
    }

    uint32_t rva = 0, size = 0;
    directory(directory_export, rva, size);
    if (rva != 0 && !read_exports(rva, size)) return false;
    directory(directory_import, rva, size);
    if (rva != 0 && !read_imports(rva)) return false;
    directory(directory_relocations, rva, size);
    if (rva != 0 && !read_relocations(rva, size)) return false;
    return true;
}

uint32_t PeImage::directory_rva(uint32_t index) const
{
    return 2 * index < directories_.size() ? directories_[2 * index] : 0;
}

uint32_t PeImage::directory_size(uint32_t index) const
{
    return 2 * index + 1 < directories_.size() ? directories_[2 * index + 1] : 0;
}

// Blocks of a page address, the block's size, and 16-bit entries: type in the top four bits,
// offset in the page below.
bool PeImage::read_relocations(uint32_t rva, uint32_t size)
{
    for (uint32_t block = rva; block + 8 <= rva + size;) {
        if (at(block, 8) == nullptr) return fail("relocation block outside the image");
        const uint32_t page = u32(block);
        const uint32_t block_size = u32(block + 4);
        if (block_size < 8 || block_size > rva + size - block) return fail("relocation block of a wrong size");
        for (uint32_t entry = block + 8; entry + 2 <= block + block_size; entry += 2) {
            const uint16_t value = u16(entry);
            const uint16_t type = static_cast<uint16_t>(value >> 12);
            if (type == relocation_absolute) continue;
            if (type != relocation_highlow) return fail("relocation of type " + std::to_string(type));
            relocations_.push_back(page + (value & 0x0FFFu));
        }
        block += block_size;
    }
    return true;
}

std::vector<uint8_t> PeImage::map_at(uint32_t base) const
{
    if (!ok() || layout_ != layout::file || image_size_ == 0) return {};
    std::vector<uint8_t> image(image_size_, 0);
    std::memcpy(image.data(), bytes_, std::min<size_t>({headers_size_, size_, image.size()}));
    for (const section& s : sections_) {
        if (s.rva >= image.size() || s.file_offset > size_) return {};
        const size_t length = std::min<size_t>({s.file_size, s.virtual_size != 0 ? s.virtual_size : s.file_size,
                                                size_ - s.file_offset, image.size() - s.rva});
        std::memcpy(image.data() + s.rva, bytes_ + s.file_offset, length);
    }
    const uint32_t delta = base - image_base_;
    for (uint32_t rva : relocations_) {
        if (rva > image.size() - 4) return {};
        const uint32_t moved = le32(image.data() + rva) + delta;
        for (int i = 0; i < 4; ++i) image[rva + i] = static_cast<uint8_t>(moved >> (8 * i));
    }
    return image;
}

bool PeImage::read_exports(uint32_t rva, uint32_t size)
{
    if (at(rva, 40) == nullptr) return fail("export directory outside the image");
    export_rva_ = rva;
    export_size_ = size;
    export_name_ = text_at(u32(rva + 12));
    const uint32_t base = u32(rva + 16);
    export_function_count_ = u32(rva + 20);
    const uint32_t name_count = u32(rva + 24);
    const uint32_t functions = u32(rva + 28);
    const uint32_t names = u32(rva + 32);
    const uint32_t ordinals = u32(rva + 36);
    std::vector<bool> named(export_function_count_, false);
    for (uint32_t i = 0; i < name_count; ++i) {
        const uint16_t index = u16(ordinals + 2 * i);
        if (index >= export_function_count_) return fail("export name points past the address table");
        named[index] = true;
        exports_.push_back({text_at(u32(names + 4 * i)), base + index, u32(functions + 4 * index)});
    }
    for (uint32_t index = 0; index < export_function_count_; ++index)
        if (!named[index] && u32(functions + 4 * index) != 0) exports_.push_back({"", base + index, u32(functions + 4 * index)});
    return true;
}

bool PeImage::read_imports(uint32_t rva)
{
    for (uint32_t descriptor = rva;; descriptor += 20) {
        if (at(descriptor, 20) == nullptr) return fail("import descriptor outside the image");
        const uint32_t lookup = u32(descriptor + 0);
        const uint32_t name = u32(descriptor + 12);
        const uint32_t slots = u32(descriptor + 16);
        if (name == 0) break;
        const std::string dll = text_at(name);
        // The lookup table names the functions; without one, the address table does (in a file).
        const uint32_t names = lookup != 0 ? lookup : slots;
        for (uint32_t i = 0;; ++i) {
            const uint32_t entry = u32(names + 4 * i);
            if (entry == 0) break;
            const std::string function = (entry & import_by_ordinal) != 0 ? std::string() : text_at(entry + 2);
            imports_.push_back({dll, function, slots + 4 * i});
        }
    }
    return true;
}
