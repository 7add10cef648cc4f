// The module file as the simulator's loader sees it on disk: a 32-bit DLL whose export directory
// carries the internal name and the two data records and nothing else, and whose imports come
// from Windows system DLLs only, with the functions a host replaces imported by name.
#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/windows/pe_image.h"

namespace {

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

class ModuleFile : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::ifstream file(BRASK_GAUGE_MODULE, std::ios::binary);
        bytes_ = std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    void SetUp() override
    {
        ASSERT_FALSE(bytes_.empty()) << "cannot read " << BRASK_GAUGE_MODULE;
        image_ = std::make_unique<PeImage>(bytes_.data(), bytes_.size(), PeImage::layout::file);
        ASSERT_TRUE(image_->ok()) << image_->error();
    }

    const PeImage& image() const { return *image_; }

    static std::vector<uint8_t> bytes_;
    std::unique_ptr<PeImage> image_;
};

std::vector<uint8_t> ModuleFile::bytes_;

TEST_F(ModuleFile, IsA32BitX86Dll)
{
    EXPECT_EQ(image().machine(), 0x14C);                       // i386
    EXPECT_NE(image().file_characteristics() & 0x2000, 0);    // a DLL
    EXPECT_NE(image().file_characteristics() & 0x0100, 0);    // 32-bit words
}

TEST_F(ModuleFile, ExportDirectoryNamesTheModuleAndExportsTwoDataRecordsByNameAndOrdinal)
{
    EXPECT_EQ(image().export_name(), "BRASK_TORVIK_V1_0.gau");
    EXPECT_EQ(image().export_function_count(), 2u);
    ASSERT_EQ(image().exports().size(), 2u);

    struct expected_export {
        const char* name;
        uint32_t ordinal;
    } expected[] = {{"ImportTable", 1}, {"Linkage", 2}};
    for (const expected_export& e : expected) {
        SCOPED_TRACE(e.name);
        const auto found = std::find_if(image().exports().begin(), image().exports().end(),
                                        [&](const PeImage::exported& x) { return x.name == e.name; });
        ASSERT_NE(found, image().exports().end());
        EXPECT_EQ(found->ordinal, e.ordinal);

        // Data, not code, and not a forwarder into the export directory itself.
        const bool forwarder = found->rva >= image().export_directory_rva() &&
                               found->rva < image().export_directory_rva() + image().export_directory_size();
        EXPECT_FALSE(forwarder);
        const PeImage::section* section = image().section_of(found->rva);
        ASSERT_NE(section, nullptr) << "export outside every section";
        EXPECT_EQ(section->characteristics & PeImage::section_executes, 0u) << section->name;
        EXPECT_EQ(section->characteristics & PeImage::section_code, 0u) << section->name;
        EXPECT_NE(section->characteristics & PeImage::section_writes, 0u) << section->name << ": the host writes ImportTable";
    }
    // The two records do not overlap: ImportTable is 16 bytes, Linkage 52.
    const uint32_t import_table = image().exports()[0].name == "ImportTable" ? image().exports()[0].rva : image().exports()[1].rva;
    const uint32_t linkage = image().exports()[0].name == "Linkage" ? image().exports()[0].rva : image().exports()[1].rva;
    EXPECT_TRUE(import_table + 16 <= linkage || linkage + 52 <= import_table);
}

TEST_F(ModuleFile, ImportsOnlyFromWindowsSystemDlls)
{
    const std::set<std::string> allowed = {"kernel32.dll", "user32.dll", "winmm.dll", "msvcrt.dll"};
    ASSERT_FALSE(image().imports().empty());
    std::set<std::string> dlls;
    for (const PeImage::imported& i : image().imports()) dlls.insert(lower(i.dll));
    for (const std::string& dll : dlls) EXPECT_TRUE(allowed.count(dll)) << "imports from " << dll;
}

TEST_F(ModuleFile, ImportsTheFunctionsAHostReplacesByName)
{
    struct expected_import {
        const char* dll;
        const char* function;
    } expected[] = {
        {"kernel32.dll", "QueryPerformanceFrequency"},
        {"kernel32.dll", "QueryPerformanceCounter"},
        {"kernel32.dll", "GetModuleFileNameA"},
        {"winmm.dll", "joyGetDevCapsA"},
        {"winmm.dll", "joyGetPosEx"},
        // Not replaced, but the configuration file goes through them.
        {"kernel32.dll", "GetPrivateProfileStringA"},
        {"kernel32.dll", "WritePrivateProfileStringA"},
    };
    for (const expected_import& e : expected) {
        const auto found = std::find_if(image().imports().begin(), image().imports().end(), [&](const PeImage::imported& i) {
            return lower(i.dll) == e.dll && i.function == e.function;
        });
        EXPECT_NE(found, image().imports().end()) << e.dll << " " << e.function;
    }
}

}  // namespace
