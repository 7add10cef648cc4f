// A small reader of 32-bit PE images, by hand from the format's byte offsets: the headers, the
// section table, the export directory, the import descriptors and the base relocations. It reads
// a file's bytes as stored on disk, or an image as the system loader mapped it, and maps a file's
// image at any base as a loader would (sections at their addresses, relocations applied).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class PeImage {
public:
    enum class layout { file, mapped };

    struct section {
        std::string name;
        uint32_t rva;
        uint32_t virtual_size;
        uint32_t file_offset;
        uint32_t file_size;
        uint32_t characteristics;
    };

    struct exported {
        std::string name;  // empty for an export by ordinal only
        uint32_t ordinal;
        uint32_t rva;
    };

    struct imported {
        std::string dll;
        std::string function;  // empty for an import by ordinal
        uint32_t slot_rva;     // the function's slot in the import address table
    };

    static constexpr uint32_t section_executes = 0x20000000;
    static constexpr uint32_t section_reads = 0x40000000;
    static constexpr uint32_t section_writes = 0x80000000;
    static constexpr uint32_t section_code = 0x00000020;
    static constexpr uint32_t section_initialized_data = 0x00000040;

    static constexpr uint32_t directory_tls = 9;

    // Parses the image; error() says what was wrong when parsing failed.
    PeImage(const uint8_t* bytes, size_t size, layout how);

    const std::string& error() const { return error_; }
    bool ok() const { return error_.empty(); }

    uint16_t machine() const { return machine_; }
    uint16_t file_characteristics() const { return file_characteristics_; }
    const std::vector<section>& sections() const { return sections_; }
    const section* section_of(uint32_t rva) const;

    const std::string& export_name() const { return export_name_; }
    uint32_t export_function_count() const { return export_function_count_; }
    uint32_t export_directory_rva() const { return export_rva_; }
    uint32_t export_directory_size() const { return export_size_; }
    const std::vector<exported>& exports() const { return exports_; }
    const std::vector<imported>& imports() const { return imports_; }

    uint32_t image_base() const { return image_base_; }
    uint32_t image_size() const { return image_size_; }
    uint32_t entry_point_rva() const { return entry_point_rva_; }
    // A data directory's address and size; both 0 when the image has none.
    uint32_t directory_rva(uint32_t index) const;
    uint32_t directory_size(uint32_t index) const;
    // The RVAs of the 32-bit words the base relocations patch (type HIGHLOW; others are refused).
    const std::vector<uint32_t>& relocations() const { return relocations_; }

    // The image as a loader maps it at base: image_size() bytes, the headers and each section's
    // file bytes at their addresses, the rest zero, every relocated word moved by
    // base - image_base(). Imports are left unresolved. Empty for a mapped layout or a bad image.
    std::vector<uint8_t> map_at(uint32_t base) const;

private:
    const uint8_t* at(uint32_t rva, size_t length) const;
    std::string text_at(uint32_t rva) const;
    uint32_t u32(uint32_t rva) const;
    uint16_t u16(uint32_t rva) const;
    bool fail(const std::string& what);
    bool read_headers();
    bool read_exports(uint32_t rva, uint32_t size);
    bool read_imports(uint32_t rva);
    bool read_relocations(uint32_t rva, uint32_t size);

    const uint8_t* bytes_;
    size_t size_;
    layout layout_;
    std::string error_;
    uint16_t machine_ = 0;
    uint16_t file_characteristics_ = 0;
    std::vector<section> sections_;
    std::string export_name_;
    uint32_t export_function_count_ = 0;
    uint32_t export_rva_ = 0;
    uint32_t export_size_ = 0;
    std::vector<exported> exports_;
    std::vector<imported> imports_;
    uint32_t image_base_ = 0;
    uint32_t image_size_ = 0;
    uint32_t headers_size_ = 0;
    uint32_t entry_point_rva_ = 0;
    std::vector<uint32_t> directories_;  // address and size of each data directory, in turn
    std::vector<uint32_t> relocations_;
};
