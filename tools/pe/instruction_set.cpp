#include "tools/pe/instruction_set.h"

#include <capstone/capstone.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>

namespace {

struct extension {
    int group;
    const char* name;
};

// The instruction groups of extensions that came after the Pentium Pro.
const extension later_extensions[] = {
    {X86_GRP_MMX, "MMX"},       {X86_GRP_3DNOW, "3DNow!"},  {X86_GRP_SSE1, "SSE"},     {X86_GRP_SSE2, "SSE2"},
    {X86_GRP_SSE3, "SSE3"},     {X86_GRP_SSSE3, "SSSE3"},   {X86_GRP_SSE41, "SSE4.1"}, {X86_GRP_SSE42, "SSE4.2"},
    {X86_GRP_SSE4A, "SSE4a"},   {X86_GRP_AVX, "AVX"},       {X86_GRP_AVX2, "AVX2"},    {X86_GRP_AVX512, "AVX-512"},
    {X86_GRP_FMA, "FMA"},       {X86_GRP_FMA4, "FMA4"},     {X86_GRP_F16C, "F16C"},    {X86_GRP_AES, "AES"},
    {X86_GRP_PCLMUL, "PCLMUL"}, {X86_GRP_SHA, "SHA"},       {X86_GRP_BMI, "BMI"},      {X86_GRP_BMI2, "BMI2"},
    {X86_GRP_ADX, "ADX"},       {X86_GRP_XOP, "XOP"},       {X86_GRP_TBM, "TBM"},      {X86_GRP_RTM, "RTM"},
    {X86_GRP_HLE, "HLE"},       {X86_GRP_FSGSBASE, "FSGSBASE"}, {X86_GRP_SGX, "SGX"},
};

// Later instructions that the disassembler files under no extension group.
const struct {
    x86_insn id;
    const char* name;
} later_instructions[] = {
    {X86_INS_POPCNT, "POPCNT"}, {X86_INS_LZCNT, "LZCNT"},   {X86_INS_TZCNT, "BMI"},        {X86_INS_MOVBE, "MOVBE"},
    {X86_INS_CRC32, "SSE4.2"},  {X86_INS_RDTSCP, "RDTSCP"}, {X86_INS_PREFETCHW, "3DNow!"}, {X86_INS_CLFLUSH, "SSE2"},
    {X86_INS_LFENCE, "SSE2"},   {X86_INS_MFENCE, "SSE2"},   {X86_INS_SFENCE, "SSE"},       {X86_INS_FISTTP, "SSE3"},
    {X86_INS_MONITOR, "SSE3"},  {X86_INS_MWAIT, "SSE3"},    {X86_INS_XGETBV, "XSAVE"},     {X86_INS_RDRAND, "RDRAND"},
};

// A register of the MMX, SSE or AVX files among the instruction's operands.
const char* vector_register_file(const cs_x86& x86)
{
    for (int i = 0; i < x86.op_count; ++i) {
        const cs_x86_op& op = x86.operands[i];
        if (op.type != X86_OP_REG) continue;
        if (op.reg >= X86_REG_MM0 && op.reg <= X86_REG_MM7) return "MMX";
        if (op.reg >= X86_REG_XMM0 && op.reg <= X86_REG_XMM31) return "SSE";
        if (op.reg >= X86_REG_YMM0 && op.reg <= X86_REG_YMM31) return "AVX";
        if (op.reg >= X86_REG_ZMM0 && op.reg <= X86_REG_ZMM31) return "AVX-512";
    }
    return nullptr;
}

const char* later_extension(const cs_insn& insn)
{
    const cs_detail& detail = *insn.detail;
    for (int i = 0; i < detail.groups_count; ++i)
        for (const extension& e : later_extensions)
            if (detail.groups[i] == e.group) return e.name;
    for (const auto& later : later_instructions)
        if (insn.id == later.id) return later.name;
    return vector_register_file(detail.x86);
}

// Disassembles code from its first byte to its last and keeps each instruction the test names.
// With detail the disassembler also lists groups and operands, at about twice the cost.
std::vector<foreign_instruction> sweep(const std::vector<uint8_t>& code, uint32_t address,
                                       const char* (*test)(const cs_insn& insn), bool detail)
{
    csh handle = 0;
    if (cs_open(CS_ARCH_X86, CS_MODE_32, &handle) != CS_ERR_OK) throw std::runtime_error("Capstone cannot open x86-32");
    const std::unique_ptr<csh, void (*)(csh*)> closing(&handle, [](csh* h) { cs_close(h); });
    cs_option(handle, CS_OPT_DETAIL, detail ? CS_OPT_ON : CS_OPT_OFF);
    cs_option(handle, CS_OPT_SKIPDATA, CS_OPT_ON);  // undecodable bytes are skipped, not the end

    std::vector<foreign_instruction> found;
    cs_insn* insn = cs_malloc(handle);
    const std::unique_ptr<cs_insn, void (*)(cs_insn*)> freeing(insn, [](cs_insn* i) { cs_free(i, 1); });
    const uint8_t* at = code.data();
    size_t left = code.size();
    uint64_t where = address;
    while (left > 0 && cs_disasm_iter(handle, &at, &left, &where, insn)) {
        if (insn->id == X86_INS_INVALID || (detail && insn->detail == nullptr)) continue;  // skipped data
        if (const char* why = test(*insn))
            found.push_back({static_cast<uint32_t>(insn->address), std::string(insn->mnemonic) + " " + insn->op_str, why});
    }
    return found;
}

// Follows the code from each entry: through every direct jump and call, both ways of every branch,
// up to each return, indirect jump or undecodable byte. It reads the bytes a jump lands in the
// middle of as the processor does, where a linear sweep reads them as another instruction's.
std::vector<foreign_instruction> follow(const std::vector<uint8_t>& code, uint32_t address, const std::vector<uint32_t>& entries,
                                        const char* (*test)(const cs_insn& insn))
{
    csh handle = 0;
    if (cs_open(CS_ARCH_X86, CS_MODE_32, &handle) != CS_ERR_OK) throw std::runtime_error("Capstone cannot open x86-32");
    const std::unique_ptr<csh, void (*)(csh*)> closing(&handle, [](csh* h) { cs_close(h); });
    cs_option(handle, CS_OPT_DETAIL, CS_OPT_ON);
    cs_insn* insn = cs_malloc(handle);
    const std::unique_ptr<cs_insn, void (*)(cs_insn*)> freeing(insn, [](cs_insn* i) { cs_free(i, 1); });

    const auto inside = [&](uint64_t at) { return at >= address && at < uint64_t{address} + code.size(); };
    std::vector<bool> visited(code.size(), false);
    std::vector<uint64_t> to_follow;
    for (uint32_t entry : entries)
        if (inside(entry)) to_follow.push_back(entry);
    std::map<uint32_t, foreign_instruction> found;
    while (!to_follow.empty()) {
        uint64_t where = to_follow.back();
        to_follow.pop_back();
        while (inside(where) && !visited[where - address]) {
            visited[where - address] = true;
            const uint8_t* at = code.data() + (where - address);
            size_t left = code.size() - (where - address);
            if (!cs_disasm_iter(handle, &at, &left, &where, insn) || insn->detail == nullptr) break;
            if (const char* why = test(*insn))
                found[static_cast<uint32_t>(insn->address)] = {static_cast<uint32_t>(insn->address),
                                                               std::string(insn->mnemonic) + " " + insn->op_str, why};
            const cs_detail& detail = *insn->detail;
            bool jumps = false, returns = false;
            for (int g = 0; g < detail.groups_count; ++g) {
                jumps |= detail.groups[g] == X86_GRP_JUMP || detail.groups[g] == X86_GRP_CALL;
                returns |= detail.groups[g] == X86_GRP_RET || detail.groups[g] == X86_GRP_IRET;
            }
            if (returns || insn->id == X86_INS_HLT) break;
            if (!jumps) continue;
            const cs_x86& x86 = detail.x86;
            const bool direct = x86.op_count == 1 && x86.operands[0].type == X86_OP_IMM;
            if (direct) to_follow.push_back(static_cast<uint64_t>(x86.operands[0].imm));
            if (insn->id == X86_INS_JMP || insn->id == X86_INS_LJMP) break;  // no way on past it
        }
    }
    std::vector<foreign_instruction> list;
    for (auto& [at, instruction] : found) list.push_back(std::move(instruction));
    return list;
}

// Both reads of the code: the linear sweep's and the followed one's, each instruction once.
std::vector<foreign_instruction> both(std::vector<foreign_instruction> swept, const std::vector<foreign_instruction>& followed)
{
    for (const foreign_instruction& f : followed)
        if (std::none_of(swept.begin(), swept.end(), [&](const foreign_instruction& s) { return s.address == f.address; }))
            swept.push_back(f);
    return swept;
}

// Read from the operand text ("mm3", not "xmm3"): no detail needed.
const char* uses_mmx_registers(const cs_insn& insn)
{
    for (const char* at = std::strstr(insn.op_str, "mm"); at != nullptr; at = std::strstr(at + 2, "mm")) {
        const bool in_a_longer_name = at != insn.op_str && std::isalpha(static_cast<unsigned char>(at[-1]));
        if (!in_a_longer_name && at[2] >= '0' && at[2] <= '7') return "MMX";
    }
    return nullptr;
}

const char* loads_control_word(const cs_insn& insn)
{
    return insn.id == X86_INS_FLDCW ? "x87 control word" : nullptr;
}

}  // namespace

std::vector<foreign_instruction> instructions_after_pentium_pro(const std::vector<uint8_t>& code, uint32_t address)
{
    return sweep(code, address, later_extension, true);
}

std::vector<foreign_instruction> mmx_instructions(const std::vector<uint8_t>& code, uint32_t address)
{
    return sweep(code, address, uses_mmx_registers, false);
}

std::vector<foreign_instruction> control_word_loads(const std::vector<uint8_t>& code, uint32_t address)
{
    return sweep(code, address, loads_control_word, false);
}

std::vector<foreign_instruction> instructions_after_pentium_pro(const std::vector<uint8_t>& code, uint32_t address,
                                                                const std::vector<uint32_t>& entries)
{
    return both(sweep(code, address, later_extension, true), follow(code, address, entries, later_extension));
}

std::vector<foreign_instruction> mmx_instructions(const std::vector<uint8_t>& code, uint32_t address,
                                                  const std::vector<uint32_t>& entries)
{
    return both(sweep(code, address, uses_mmx_registers, false), follow(code, address, entries, uses_mmx_registers));
}
