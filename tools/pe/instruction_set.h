// Which instructions of a piece of 32-bit x86 code a Pentium Pro could not run: MMX, 3DNow!,
// SSE of any generation, AVX and the later extensions, found by disassembling it (Capstone,
// Debian's libcapstone-dev) from its first byte to its last. The module file's code must hold
// none: the simulator's era ran on Pentium II and III and Athlon processors, without SSE2.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct foreign_instruction {
    uint32_t address;
    std::string text;  // as the disassembler writes it, e.g. "movsd xmm0, qword ptr [eax]"
    std::string why;   // the extension it belongs to, e.g. "SSE2"
};

// The instructions of code (loaded at address) outside the i686 set with x87 arithmetic (CMOV and
// FCOMI allowed). Bytes that do not decode are skipped a byte at a time.
std::vector<foreign_instruction> instructions_after_pentium_pro(const std::vector<uint8_t>& code, uint32_t address);

// The instructions of code that work on the MMX registers, which are the x87 registers: after one,
// the x87 unit is unusable until emms.
std::vector<foreign_instruction> mmx_instructions(const std::vector<uint8_t>& code, uint32_t address);

// The code's fldcw instructions: where a precision guard gives the host its control word back.
std::vector<foreign_instruction> control_word_loads(const std::vector<uint8_t>& code, uint32_t address);

// The same, reading the code also as the processor does from each entry (its entry point, every
// address the file points at, every jump and call target from there): this finds an instruction
// that a linear sweep reads as part of another, such as one behind a byte jumped over.
std::vector<foreign_instruction> instructions_after_pentium_pro(const std::vector<uint8_t>& code, uint32_t address,
                                                                const std::vector<uint32_t>& entries);
std::vector<foreign_instruction> mmx_instructions(const std::vector<uint8_t>& code, uint32_t address,
                                                  const std::vector<uint32_t>& entries);
