// The built module file read as a file, on any machine: a 32-bit DLL that imports only its
// allowlist, carries no TLS, keeps its code and data within 64 KB, exports the two records and
// nothing else, and holds every host-facing record byte for byte once a loader has mapped it at
// a base of its choosing and applied the relocations. Offsets and values are the host's, written
// out here rather than taken from the module's declarations.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tools/pe/code_entries.h"
#include "tools/pe/instruction_set.h"
#include "tools/pe/pe_file.h"
#include "tools/pe/startup_code.h"

namespace {

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Where a loader other than the preferred base would put the module, so relocations must be right.
constexpr uint32_t load_base = 0x10000000;

class ModuleFile : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const char* path = std::getenv("BRASK_MODULE_FILE");
        if (path == nullptr) return;
        std::ifstream file(path, std::ios::binary);
        bytes_ = std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    void SetUp() override
    {
        ASSERT_FALSE(bytes_.empty()) << "cannot read the module file named by BRASK_MODULE_FILE";
        try {
            image_ = std::make_unique<pe_file>(parse_pe_file(bytes_));
        } catch (const module_error& e) {
            FAIL() << e.what();
        }
        const pe_image relocated = relocated_image(*image_, load_base);
        mapped_ = relocated.bytes(0, relocated.size());
    }

    const pe_file& image() const { return *image_; }
    static std::string file_name()
    {
        const std::string path = std::getenv("BRASK_MODULE_FILE");
        return path.substr(path.find_last_of('/') + 1);
    }

    // The mapped image seen through addresses as the module's own pointers hold them.
    const uint8_t* at(uint32_t address, uint32_t length = 1) const
    {
        const uint32_t rva = address - load_base;
        if (address < load_base || rva > mapped_.size() || length > mapped_.size() - rva) return nullptr;
        return mapped_.data() + rva;
    }
    uint32_t u32(uint32_t record, uint32_t offset) const
    {
        const uint8_t* p = at(record + offset, 4);
        EXPECT_NE(p, nullptr) << "record at " << std::hex << record << " outside the image";
        uint32_t value = 0;
        if (p != nullptr) std::memcpy(&value, p, 4);
        return value;
    }
    std::string text(uint32_t address) const
    {
        std::string result;
        for (const uint8_t* c = at(address); c != nullptr && *c != 0; c = at(++address)) result += static_cast<char>(*c);
        return result;
    }
    bool zero_bytes(uint32_t record, uint32_t from, uint32_t to) const
    {
        const uint8_t* p = at(record + from, to - from);
        return p != nullptr && std::all_of(p, p + (to - from), [](uint8_t b) { return b == 0; });
    }
    const pe_section* section_of(uint32_t rva) const
    {
        for (const pe_section& s : image().sections)
            if (rva >= s.rva && rva - s.rva < s.virtual_size) return &s;
        return nullptr;
    }
    bool in_code(uint32_t address) const
    {
        const pe_section* s = section_of(address - load_base);
        return address >= load_base && s != nullptr && s->executes;
    }
    uint32_t export_address(const std::string& name) const
    {
        for (const pe_export_entry& e : image().exports)
            if (e.name == name) return load_base + e.rva;
        ADD_FAILURE() << "no export " << name;
        return 0;
    }
    uint32_t header(int i) const { return u32(export_address("Linkage"), 24 + 4 * static_cast<uint32_t>(i)); }
    uint32_t root_element(uint32_t gauge_header) const { return u32(u32(gauge_header, 8), 0); }

    static std::vector<uint8_t> bytes_;
    std::unique_ptr<pe_file> image_;
    std::vector<uint8_t> mapped_;
};

std::vector<uint8_t> ModuleFile::bytes_;

struct gauge_facts {
    const char* name;
    uint32_t size_mm;
    uint32_t bitmap;
    uint32_t image_flags;
};

const gauge_facts gauges[] = {
    {"A_Pilot", 20, 4096, 0x7},  {"AP_Panel_1", 200, 4720, 0x3}, {"AP_YoySet", 150, 4688, 0x3},
    {"V_Contrl_key", 12, 4864, 0x3}, {"V_Lamp", 50, 4912, 0x3},  {"IN_4", 150, 4944, 0x3},
};

TEST_F(ModuleFile, IsA32BitX86DllEnteredInItsCode)
{
    // The reader refuses anything but a 32-bit x86 DLL; here it must also be entered in its code.
    EXPECT_TRUE(in_code(load_base + image().entry_rva));
}

TEST_F(ModuleFile, ExportDirectoryNamesTheModuleAndExportsTwoDataRecordsByNameAndOrdinal)
{
    // The name the file was built with is the name it is shipped under (the recorder's as well).
    EXPECT_EQ(image().export_name, file_name());
    EXPECT_EQ(image().export_function_count, 2u);
    ASSERT_EQ(image().exports.size(), 2u);
    struct expected_export {
        const char* name;
        uint32_t ordinal;
    } expected[] = {{"ImportTable", 1}, {"Linkage", 2}};
    for (const expected_export& e : expected) {
        SCOPED_TRACE(e.name);
        const auto found = std::find_if(image().exports.begin(), image().exports.end(),
                                        [&](const pe_export_entry& x) { return x.name == e.name; });
        ASSERT_NE(found, image().exports.end());
        EXPECT_EQ(found->ordinal, e.ordinal);
        // Writable data (the host writes ImportTable), not code, not a forwarder.
        EXPECT_FALSE(found->rva >= image().export_rva && found->rva < image().export_rva + image().export_size);
        const pe_section* section = section_of(found->rva);
        ASSERT_NE(section, nullptr);
        EXPECT_FALSE(section->executes) << section->name;
        EXPECT_TRUE(section->writes) << section->name;
    }
    // ImportTable is 16 bytes, Linkage 52: they do not overlap.
    const uint32_t import_table = export_address("ImportTable"), linkage = export_address("Linkage");
    EXPECT_TRUE(import_table + 16 <= linkage || linkage + 52 <= import_table);
}

// An allowlist's lines: "dll function since [why...]", comments and blank lines skipped; the
// module's list gives a reason for each.
std::set<std::string> allowlist(const std::string& path = BRASK_SOURCE_DIR "/module/imports.allowlist", bool with_reasons = true)
{
    std::ifstream file(path);
    std::set<std::string> allowed;
    for (std::string line; std::getline(file, line);) {
        std::istringstream words(line);
        std::string dll, function, since;
        if (!(words >> dll >> function >> since) || dll[0] == '#') continue;
        std::string why;
        std::getline(words, why);
        if (with_reasons) {
            EXPECT_NE(why.find_first_not_of(' '), std::string::npos) << function << " has no reason";
        }
        EXPECT_TRUE(since == "95" || since == "NT4" || since == "2000" || since == "XP*" || since == "CRT")
            << function << " since " << since;
        allowed.insert(lower(dll) + "!" + function);
    }
    return allowed;
}

TEST_F(ModuleFile, ImportsOnlyTheAllowlistByNameAndNoMoreThanThirtyFunctions)
{
    const bool recorder = file_name() == "BRASK_TORVIK_REC.gau";
    const std::set<std::string> allowed =
        recorder ? allowlist(BRASK_SOURCE_DIR "/module/recorder_imports.allowlist") : allowlist();
    ASSERT_FALSE(allowed.empty()) << "cannot read the module's allowlist";
    EXPECT_LE(allowed.size(), 30u);
    for (const pe_import& i : image().imports) {
        EXPECT_TRUE(allowed.count(lower(i.dll) + "!" + i.function)) << i.dll << " " << i.function << " is not allowed";
    }
    // A host replaces these by name; the configuration file goes through the profile functions.
    for (const char* needed : {"kernel32.dll!QueryPerformanceFrequency", "kernel32.dll!QueryPerformanceCounter",
                               "kernel32.dll!GetModuleFileNameA", "winmm.dll!joyGetDevCapsA", "winmm.dll!joyGetPosEx",
                               "kernel32.dll!GetPrivateProfileStringA", "kernel32.dll!WritePrivateProfileStringA"}) {
        EXPECT_TRUE(std::any_of(image().imports.begin(), image().imports.end(), [&](const pe_import& i) {
            return lower(i.dll) + "!" + i.function == needed;
        })) << needed;
    }
}

// The pilots' gaugehost.exe (panel checker, installer, renderer) runs where the module runs: it
// imports nothing that Windows 2000 lacks.
TEST(WindowsTools, GaugehostImportsNothingNewerThanWindows2000)
{
    const char* path = BRASK_WINDOWS_GAUGEHOST;
    std::ifstream file(path, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    ASSERT_FALSE(bytes.empty()) << "cannot read " << path;
    const pe_file program = parse_pe_file(bytes, pe_expected::dll_or_program);
    const std::set<std::string> allowed = allowlist(BRASK_SOURCE_DIR "/tools/gaugehost/windows_imports.allowlist", false);
    ASSERT_GT(allowed.size(), 50u) << "cannot read tools/gaugehost/windows_imports.allowlist";
    EXPECT_GT(program.imports.size(), 50u);
    for (const pe_import& i : program.imports)
        EXPECT_TRUE(allowed.count(lower(i.dll) + "!" + i.function))
            << i.dll << " " << i.function << ": not in tools/gaugehost/windows_imports.allowlist; list it only if Windows 2000 has it";
}

// The simulator's era ran on Pentium II and III and Athlon processors: i686 code, x87 arithmetic,
// no MMX, SSE or later instruction anywhere in the file's code, read linearly or followed from
// its entries (where a jump over a byte would hide one from the linear read).
TEST_F(ModuleFile, EveryInstructionRunsOnAPentiumPro)
{
    std::vector<uint32_t> entries;
    for (uint32_t rva : code_entries(image())) entries.push_back(image().image_base + rva);
    EXPECT_GE(entries.size(), 10u);  // the entry point and the records' callbacks at least
    int code_sections = 0;
    for (const pe_section& s : image().sections) {
        if (!s.executes) continue;
        ++code_sections;
        const std::vector<uint8_t> code = image().image.bytes(s.rva, std::min(s.raw_size, s.virtual_size));
        for (const foreign_instruction& f : instructions_after_pentium_pro(code, image().image_base + s.rva, entries)) {
            char address[16];
            std::snprintf(address, sizeof address, "0x%08x", f.address);
            ADD_FAILURE() << s.name << " " << address << ": " << f.text << " (" << f.why << ")";
        }
    }
    EXPECT_GE(code_sections, 1);
}

// The checker itself, on instructions of the SSE2 build the file once was and of the x87 one.
TEST(InstructionSet, SseMmxAndLaterAreFoundWhileI686AndX87Pass)
{
    struct Case {
        std::vector<uint8_t> bytes;
        const char* why;  // nullptr: runs on a Pentium Pro
        bool mmx_registers = false;  // leaves the x87 registers holding MMX data
    } cases[] = {
        {{0xF2, 0x0F, 0x10, 0x00}, "SSE2"},        // movsd xmm0, [eax]
        {{0xF2, 0x0F, 0x59, 0xC1}, "SSE2"},        // mulsd xmm0, xmm1
        {{0x66, 0x0F, 0x2F, 0xC1}, "SSE2"},        // comisd xmm0, xmm1
        {{0xF2, 0x0F, 0x2C, 0xC0}, "SSE2"},        // cvttsd2si eax, xmm0
        {{0x66, 0x0F, 0xEF, 0xC0}, "SSE2"},        // pxor xmm0, xmm0
        {{0x0F, 0x28, 0xC1}, "SSE"},               // movaps xmm0, xmm1
        {{0x0F, 0xEF, 0xC0}, "MMX", true},         // pxor mm0, mm0
        {{0x0F, 0x6E, 0xC8}, "MMX", true},         // movd mm1, eax
        {{0x66, 0x0F, 0x6E, 0xC8}, "SSE2"},        // movd xmm1, eax
        {{0x0F, 0x77}, "MMX"},                     // emms
        {{0xDD, 0x08}, "SSE3"},                    // fisttp qword [eax]
        {{0xF3, 0x0F, 0xB8, 0xC1}, "POPCNT"},      // popcnt eax, ecx
        {{0xD9, 0xE8}, nullptr},                   // fld1
        {{0xDE, 0xC9}, nullptr},                   // fmulp
        {{0xDB, 0xF1}, nullptr},                   // fcomi st(1)
        {{0x0F, 0x45, 0xC1}, nullptr},             // cmovne eax, ecx
        {{0xD9, 0x6C, 0x24, 0x1C}, nullptr},       // fldcw [esp + 0x1c]
        {{0x66, 0x90}, nullptr},                   // xchg ax, ax (padding)
        {{0x8D, 0xB4, 0x26, 0, 0, 0, 0}, nullptr},  // lea esi, [esi] (padding)
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> code = {0x90};  // an instruction before, to see the address counted
        code.insert(code.end(), c.bytes.begin(), c.bytes.end());
        code.push_back(0xC3);
        const std::vector<foreign_instruction> found = instructions_after_pentium_pro(code, 0x1000);
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        EXPECT_EQ(mmx_instructions(code, 0x1000).size(), c.mmx_registers ? 1u : 0u);
        if (c.why == nullptr) {
            EXPECT_TRUE(found.empty()) << found.front().text;
        } else {
            ASSERT_EQ(found.size(), 1u);
            EXPECT_EQ(found[0].address, 0x1001u);
            EXPECT_EQ(found[0].why, c.why) << found[0].text;
        }
    }
}

// Code that jumps over a byte which a linear read takes for the start of a longer instruction: the
// sweep reads mov eax, imm32 where the processor runs movd mm0, eax; following the code finds it,
// whether reached by a jump or by a branch and a call.
TEST(InstructionSet, FollowingTheCodeFindsMmxBehindAByteJumpedOver)
{
    const std::vector<std::vector<uint8_t>> cases = {
        {0xEB, 0x01, 0xB8, 0x0F, 0x6E, 0xC0, 0xC3},              // jmp +1; db B8; movd mm0, eax; ret
        {0x74, 0x01, 0xB8, 0x0F, 0x6E, 0xC0, 0xC3},              // je +1; the same
        {0xE8, 0x01, 0, 0, 0, 0xB8, 0x0F, 0x6E, 0xC0, 0xC3},     // call +1; the same
    };
    for (const std::vector<uint8_t>& code : cases) {
        SCOPED_TRACE(testing::PrintToString(code));
        EXPECT_TRUE(mmx_instructions(code, 0x1000).empty());
        const std::vector<foreign_instruction> found = mmx_instructions(code, 0x1000, {0x1000});
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found[0].text, "movd mm0, eax");
        EXPECT_EQ(instructions_after_pentium_pro(code, 0x1000, {0x1000}).size(), 1u);
    }
}

// The file runs no start-up code, so a static constructor would never run: none may be there. The
// file built beside it with one planted (planted_constructor.cpp) shows the check finds one.
TEST_F(ModuleFile, HasNoStaticConstructorsOrOtherStartUpCode)
{
    for (const std::string& found : startup_code(image())) ADD_FAILURE() << found;

    const std::string module_path = std::getenv("BRASK_MODULE_FILE");
    const std::string planted_path = module_path.substr(0, module_path.find_last_of('/') + 1) + "planted_constructor.gau";
    std::ifstream planted_file(planted_path, std::ios::binary);
    ASSERT_TRUE(planted_file) << planted_path;
    const pe_file planted = parse_pe_file({std::istreambuf_iterator<char>(planted_file), {}});
    const std::vector<std::string> found = startup_code(planted);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].find("a static constructor or destructor at 0x"), 0u) << found[0];
}

TEST_F(ModuleFile, HasNoTlsAndAtMost64KilobytesBesideTheBitmaps)
{
    EXPECT_EQ(image().tls_rva, 0u);
    uint32_t total = 0;
    for (const pe_section& s : image().sections) {
        EXPECT_NE(s.name, ".tls");
        if (s.name != ".rsrc") total += s.virtual_size;
    }
    EXPECT_LE(total, 65536u);
    EXPECT_FALSE(image().relocations.empty()) << "a DLL the loader can move";
}

TEST_F(ModuleFile, ImportTableHoldsThePanelsEntryWithANullPointerThenTheEnd)
{
    const uint32_t table = export_address("ImportTable");
    EXPECT_EQ(u32(table, 0), 0x0Fu);
    EXPECT_EQ(u32(table, 4), 0u);
    EXPECT_EQ(u32(table, 8), 0u);
    EXPECT_EQ(u32(table, 12), 0u);
}

TEST_F(ModuleFile, LinkageNamesOneInitAndDeinitRoutineAndListsTheSixHeadersInOrder)
{
    const uint32_t linkage = export_address("Linkage");
    EXPECT_EQ(u32(linkage, 0), 0x13u);
    EXPECT_TRUE(in_code(u32(linkage, 4)));
    EXPECT_EQ(u32(linkage, 4), u32(linkage, 8)) << "init and deinit are one routine";
    EXPECT_EQ(u32(linkage, 12), 0u);     // flags
    EXPECT_EQ(u32(linkage, 16), 0u);     // priority
    EXPECT_EQ(u32(linkage, 20), 0x800u);  // module version
    std::set<uint32_t> headers;
    for (int i = 0; i < 6; ++i) {
        headers.insert(header(i));
        EXPECT_EQ(text(u32(header(i), 4)), gauges[i].name);
    }
    EXPECT_EQ(headers.size(), 6u);
    EXPECT_EQ(u32(linkage, 48), 0u) << "the list ends with a null pointer";
}

TEST_F(ModuleFile, EachGaugeHeaderHoldsItsNameSizeRootCallbacksAndTheSharedRoutines)
{
    std::set<uint32_t> routines;
    for (uint32_t offset = 12; offset <= 36; offset += 4) {
        EXPECT_TRUE(in_code(u32(header(0), offset))) << "routine at " << offset;
        routines.insert(u32(header(0), offset));
    }
    EXPECT_EQ(routines.size(), 7u) << "seven different routines";
    for (int i = 0; i < 6; ++i) {
        const gauge_facts& facts = gauges[i];
        SCOPED_TRACE(facts.name);
        const uint32_t h = header(i);
        EXPECT_EQ(u32(h, 0), 800u);
        const uint32_t list = u32(h, 8);
        EXPECT_NE(u32(list, 0), 0u) << "the root element";
        EXPECT_EQ(u32(list, 4), 0u) << "then null";
        for (uint32_t offset = 12; offset <= 36; offset += 4) EXPECT_EQ(u32(h, offset), u32(header(0), offset));
        EXPECT_EQ(u32(h, 44), facts.size_mm);
        EXPECT_NE(u32(h, 80), 0u) << "mouse list";
        EXPECT_TRUE(in_code(u32(h, 84))) << "gauge callback";
        EXPECT_TRUE(zero_bytes(h, 40, 44));
        EXPECT_TRUE(zero_bytes(h, 48, 80));
        EXPECT_TRUE(zero_bytes(h, 88, 200));

        // The root: a static image of the gauge's background bitmap, owned by this header.
        const uint32_t root = root_element(h);
        EXPECT_EQ(u32(root, 0), 0u) << "static image";
        EXPECT_EQ(u32(root, 4), facts.bitmap);
        EXPECT_TRUE(zero_bytes(root, 8, 32)) << "position, previous position and offset point";
        EXPECT_EQ(u32(root, 32), h) << "owning gauge header";
        EXPECT_EQ(u32(root, 36), 0u);
        EXPECT_EQ(u32(root, 44), 0u) << "failure record";
        EXPECT_EQ(u32(root, 48), facts.image_flags);
        EXPECT_TRUE(zero_bytes(root, 52, 60));
    }
    // A_Pilot's image has no children and nothing beyond the header.
    EXPECT_EQ(u32(root_element(header(0)), 40), 0u);
    EXPECT_TRUE(zero_bytes(root_element(header(0)), 60, 96));
    // A_Pilot and AP_YoySet have callbacks of their own; the other four share one.
    EXPECT_NE(u32(header(0), 84), u32(header(2), 84));
    EXPECT_NE(u32(header(0), 84), u32(header(1), 84));
    EXPECT_NE(u32(header(2), 84), u32(header(1), 84));
    for (int i : {3, 4, 5}) EXPECT_EQ(u32(header(i), 84), u32(header(1), 84)) << gauges[i].name;
}

TEST_F(ModuleFile, APilotsMouseListIsTheParentFrameAlone)
{
    const uint32_t list = u32(header(0), 80);
    const uint32_t kinds[] = {1, 3, 0};  // parent begin, parent end, end of list
    for (uint32_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const uint32_t record = list + i * 44;
        EXPECT_EQ(u32(record, 0), kinds[i]);
        EXPECT_EQ(u32(record, 20), 0xFFFFFFFFu) << "no cursor";
        EXPECT_TRUE(zero_bytes(record, 24, 44)) << "help id, flags, event, callback, host data";
    }
}

}  // namespace
