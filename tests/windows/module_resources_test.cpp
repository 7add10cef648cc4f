// The bitmaps inside the module file, found as the host finds them: bitmap resources by id in
// the Russian language (1049), each a device-independent bitmap of the gauge's size.
#include <windows.h>

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "tests/windows/panel_host.h"
#include "tests/windows/record_bytes.h"

namespace {

constexpr WORD russian = MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT);  // 1049
constexpr uint32_t info_header_size = 40;                           // BITMAPINFOHEADER

struct bitmap_facts {
    uint16_t id;
    int32_t width;
    int32_t height;
    uint16_t bits_per_pixel;
};

const bitmap_facts bitmaps[] = {
    {4096, 20, 20, 8},     {4720, 420, 250, 8}, {4725, 420, 250, 8}, {4736, 37, 37, 8},   {4741, 256, 256, 8},
    {4742, 140, 140, 24},  {4688, 158, 159, 8}, {4693, 5, 5, 8},     {4864, 16, 34, 8},   {4880, 16, 34, 8},
    {4881, 16, 34, 8},     {4882, 16, 34, 8},   {4896, 16, 34, 8},   {4897, 16, 34, 8},   {4898, 16, 34, 8},
    {4912, 97, 52, 8},     {4917, 97, 52, 8},   {4944, 388, 139, 8}, {4949, 388, 139, 8}, {4960, 9, 41, 8},
    {4965, 67, 9, 8},      {4976, 38, 9, 8},
};

class ModuleResources : public testing::Test {
protected:
    static void SetUpTestSuite() { module_ = load_gauge_module_file(); }
    void SetUp() override { ASSERT_NE(module_.handle, nullptr) << "cannot load " << BRASK_GAUGE_MODULE; }
    static gauge_module module_;
};

gauge_module ModuleResources::module_;

TEST_F(ModuleResources, EachBitmapIsFoundInRussianWithItsSizeAndDepthUncompressed)
{
    for (const bitmap_facts& b : bitmaps) {
        SCOPED_TRACE(b.id);
        const HRSRC resource = FindResourceExA(module_.handle, MAKEINTRESOURCEA(2), MAKEINTRESOURCEA(b.id), russian);
        ASSERT_NE(resource, nullptr) << "no bitmap " << b.id << " in language 1049";
        const DWORD size = SizeofResource(module_.handle, resource);
        const HGLOBAL loaded = LoadResource(module_.handle, resource);
        ASSERT_NE(loaded, nullptr);
        const void* info = LockResource(loaded);
        ASSERT_NE(info, nullptr);
        ASSERT_GE(size, info_header_size);

        EXPECT_EQ(u32_at(info, 0), info_header_size) << "BITMAPINFOHEADER";
        EXPECT_EQ(i32_at(info, 4), b.width);
        EXPECT_EQ(i32_at(info, 8), b.height) << "bottom-up, as the height is positive";
        EXPECT_EQ(u32_at(info, 12) & 0xFFFF, 1u) << "planes";
        EXPECT_EQ(u32_at(info, 12) >> 16, b.bits_per_pixel);
        EXPECT_EQ(u32_at(info, 16), 0u) << "BI_RGB, no compression";

        // The colour table and every row of pixels are there.
        const uint32_t colours_used = u32_at(info, 32);
        const uint32_t palette = b.bits_per_pixel <= 8 ? (colours_used != 0 ? colours_used : 1u << b.bits_per_pixel) : colours_used;
        EXPECT_LE(palette, b.bits_per_pixel <= 8 ? 1u << b.bits_per_pixel : 0u);
        const uint32_t stride = (static_cast<uint32_t>(b.width) * b.bits_per_pixel + 31) / 32 * 4;
        EXPECT_GE(size, info_header_size + 4 * palette + stride * static_cast<uint32_t>(b.height));
    }
}

BOOL CALLBACK collect_language(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR languages)
{
    reinterpret_cast<std::vector<WORD>*>(languages)->push_back(language);
    return TRUE;
}

TEST_F(ModuleResources, EachBitmapExistsInRussianOnly)
{
    for (const bitmap_facts& b : bitmaps) {
        std::vector<WORD> languages;
        EnumResourceLanguagesA(module_.handle, MAKEINTRESOURCEA(2), MAKEINTRESOURCEA(b.id), collect_language,
                               reinterpret_cast<LONG_PTR>(&languages));
        EXPECT_EQ(languages, std::vector<WORD>{russian}) << b.id;
    }
}

}  // namespace
