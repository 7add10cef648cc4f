// The emulated host's rules, each caught in the act: small hand-assembled 32-bit routines that
// break one rule apiece (and a well-behaved one that breaks none), the module file spoiled in the
// ways a damaged download or a wrong build spoils it, and a module that calls a function outside
// its import allowlist. The bytes are x86 machine code written out by hand.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "tools/gaugehost/emulated/emulated_module.h"
#include "tools/gaugehost/emulated/win32_imports.h"
#include "tools/gaugehost/emulated/x86_machine.h"
#include "tools/pe/instruction_set.h"

namespace {

constexpr uint32_t code = 0x40000000;  // where the test routines lie, read-only as code is

struct routine_case {
    const char* situation;
    std::vector<uint8_t> bytes;
    bool value_callback;  // called as a value callback: a double in ST(0) is due
    const char* error;    // what the error must say
};

// Each routine is called with one argument (stdcall: it must end with ret 4).
const routine_case faulty_routines[] = {
    {"returns as cdecl, leaving its argument to the caller", {0xC3}, false, "did not pop its arguments"},
    {"pops two arguments where it has one", {0xC2, 0x08, 0x00}, false, "popped too much"},
    // Invalid on a processor; Unicorn's translator aborts on it (the fuzzer found it in a damaged file).
    {"jumps far through a register", {0xFF, 0xEF}, false, "runs code at 0x40000000 that the emulator cannot translate"},
    {"uses EBX without saving it", {0xBB, 1, 0, 0, 0, 0xC2, 4, 0}, false, "did not preserve EBX"},
    {"uses ESI without saving it", {0xBE, 1, 0, 0, 0, 0xC2, 4, 0}, false, "did not preserve ESI"},
    {"uses EDI without saving it", {0xBF, 1, 0, 0, 0, 0xC2, 4, 0}, false, "did not preserve EDI"},
    {"uses EBP without saving it", {0xBD, 1, 0, 0, 0, 0xC2, 4, 0}, false, "did not preserve EBP"},
    {"reads through a null pointer", {0xA1, 0, 0, 0, 0, 0xC2, 4, 0}, false,
     "reads 4 bytes at 0x00000000, outside its memory (instruction at 0x40000000)"},
    {"writes into its own code", {0xC7, 0x05, 0x00, 0x00, 0x00, 0x40, 0, 0, 0, 0, 0xC2, 4, 0}, false,
     "writes 4 bytes at 0x40000000, which is read-only"},
    {"jumps where nothing is mapped", {0xB8, 0x00, 0x00, 0x00, 0x50, 0xFF, 0xE0}, false, "jumps to 0x50000000, outside its memory"},
    {"loops for ever", {0xEB, 0xFE}, false, "ran past its budget of 100000 blocks of instructions (a hang?); it was at 0x40000000"},
    {"leaves the direction flag set", {0xFD, 0xC2, 4, 0}, false, "returned with the direction flag set"},
    {"switches the x87 unit to 64-bit precision",
     {0x68, 0x7F, 0x03, 0, 0, 0xD9, 0x2C, 0x24, 0x58, 0xC2, 4, 0}, false,
     "changed the x87 control word from 0x0000027f to 0x0000037f"},
    {"turns on flush-to-zero", {0x68, 0x80, 0x9F, 0, 0, 0x0F, 0xAE, 0x14, 0x24, 0x58, 0xC2, 4, 0}, false,
     "changed the SSE control word (MXCSR) from 0x00001f80 to 0x00009f80"},
    {"leaves a value on the x87 stack", {0xD9, 0xE8, 0xC2, 4, 0}, false, "left the x87 stack unbalanced"},
    {"returns from a value callback with ST(0) empty", {0xC2, 4, 0}, true, "returned no value in ST(0)"},
    {"returns two values from a value callback", {0xD9, 0xE8, 0xD9, 0xE8, 0xC2, 4, 0}, true, "left the x87 stack unbalanced"},
    {"divides by zero", {0x31, 0xC9, 0xF7, 0xF1, 0xC2, 4, 0}, false, "divides by zero at 0x40000002"},
    // mov dword [0x20000], 1: the page where the host's return stores a value callback's double.
    {"writes into the host's call data", {0xC7, 0x05, 0x00, 0x00, 0x02, 0x00, 1, 0, 0, 0, 0xC2, 4, 0}, false,
     "writes 4 bytes at 0x00020000, in the host's call data"},
    // mov dword [esp+8], 1: the word above its one argument.
    {"writes into its caller's frame", {0xC7, 0x44, 0x24, 0x08, 1, 0, 0, 0, 0xC2, 4, 0}, false,
     "wrote into its caller's frame, 0 bytes above its arguments"},
    // fld1; fincstp: the top back in place, a register still tagged in use.
    {"leaves a register in use behind a moved stack top", {0xD9, 0xE8, 0xD9, 0xF7, 0xC2, 4, 0}, false,
     "left an x87 register in use"},
    // The zero-divide mask cleared (0x027B), 1/0, the result popped, the host's word put back.
    {"divides by zero with the exception unmasked",
     {0x68, 0x7B, 0x02, 0, 0, 0xD9, 0x2C, 0x24, 0xD9, 0xE8, 0xD9, 0xEE, 0xDE, 0xF9, 0xDD, 0xD8, 0xC7, 0x04, 0x24, 0x7F,
      0x02, 0, 0, 0xD9, 0x2C, 0x24, 0x58, 0xC2, 4, 0},
     false, "left an unmasked x87 exception pending"},
    {"executes an undefined instruction", {0x0F, 0x0B}, false, "stopped at 0x40000000"},
    {"halts the processor", {0x90, 0xF4, 0xC2, 4, 0}, false, "executes hlt at 0x40000001"},
    // mov esp,0x50000000; jmp [host function]: the host finds its arguments nowhere.
    {"reaches a host function with a wild stack pointer", {0xBC, 0, 0, 0, 0x50, 0xFF, 0x25, 0x00, 0x0F, 0x00, 0x40}, false,
     "calls a host function with ESP at 0x50000000, outside its stack"},
    // movd mm0,eax; emms; ret 4: on a real processor the x87 registers now hold MMX data.
    {"uses MMX", {0x0F, 0x6E, 0xC0, 0x0F, 0x77, 0xC2, 4, 0}, false, "runs the MMX instruction movd mm0, eax at 0x40000000"},
    // push 5; call [host function]; add esp,4: the host function popped its argument already.
    {"calls a host function as cdecl", {0x68, 5, 0, 0, 0, 0xFF, 0x15, 0x00, 0x0F, 0x00, 0x40, 0x83, 0xC4, 0x04, 0xC2, 4, 0},
     false, "it called a host function with the wrong convention: a host function pops its 4 argument bytes itself"},
    // call [host function] with nothing pushed: it would pop the routine's own return address.
    {"gives a host function too few arguments", {0xFF, 0x15, 0x00, 0x0F, 0x00, 0x40, 0xC2, 4, 0}, false,
     "calls a host function (returning to 0x40000006) having pushed 0 argument bytes where it pops 4"},
    // A precision guard keeping the host's control word in EBX (saved and restored around it),
    // with mov ebx,1 in between: the guard's fldcw gives back 0x0001.
    {"clobbers the register its precision guard keeps the host's word in",
     {0x53, 0x83, 0xEC, 0x04, 0xD9, 0x3C, 0x24, 0x0F, 0xB7, 0x1C, 0x24, 0xBB, 1, 0, 0, 0, 0x66, 0x89, 0x1C, 0x24, 0xD9, 0x2C,
      0x24, 0x83, 0xC4, 0x04, 0x5B, 0xC2, 4, 0},
     false, "to 0x00000001: clobbered EBX, where the precision guard kept the host's word (EBX held 0x00000001 at the fldcw at 0x40000014)"},
    // jmp +1 over a 0xB8, whose "immediate" hides movd mm0,eax from a linear sweep; no emms.
    {"uses MMX where a linear sweep reads an immediate", {0xEB, 0x01, 0xB8, 0x0F, 0x6E, 0xC0, 0xC2, 4, 0}, false,
     "or MMX used (and no emms)"},
};

void PrintTo(const routine_case& routine, std::ostream* out)
{
    *out << routine.situation;
}

class EmulatedMachine : public testing::TestWithParam<routine_case> {
protected:
    void SetUp() override
    {
        machine.map(code, 0x1000, x86_machine::readable | x86_machine::executable, "test code");
        machine.set_budget(100000);
        machine.write32(code + 0xF00, machine.add_trap("a host function", 4, [](x86_machine& m) { m.set_result(m.argument(0)); }));
    }
    // The routine at the start of the code, its MMX instructions marked as the loader marks them.
    void place(const std::vector<uint8_t>& bytes)
    {
        machine.write(code, bytes.data(), bytes.size());
        std::map<uint32_t, std::string> marked;
        for (const foreign_instruction& found : mmx_instructions(bytes, code)) marked[found.address] = found.text;
        machine.refuse_instructions_at(marked);
        std::vector<uint32_t> control_word_loaders;
        for (const foreign_instruction& found : control_word_loads(bytes, code)) control_word_loaders.push_back(found.address);
        machine.watch_control_word_loads(control_word_loaders);
    }

    x86_machine machine;
};

TEST_P(EmulatedMachine, NamesTheRuleBrokenAndWhere)
{
    const routine_case& routine = GetParam();
    place(routine.bytes);
    try {
        if (routine.value_callback) machine.call_double(code, {7}, "faulty routine");
        else machine.call(code, {7}, "faulty routine");
        FAIL() << routine.situation << ": no error";
    } catch (const emulation_fault& fault) {
        const std::string message = fault.what();
        EXPECT_EQ(message.rfind("faulty routine (at 0x40000000) ", 0), 0u) << message;
        EXPECT_NE(message.find(routine.error), std::string::npos) << routine.situation << ": " << message;
    }
}

// Test names from the situations: "uses EBX without saving it" becomes UsesEBXWithoutSavingIt.
template <typename Case>
std::string situation_name(const testing::TestParamInfo<Case>& info)
{
    std::string name;
    bool capital = true;
    for (const char* c = info.param.situation; *c != '\0'; ++c) {
        if (!std::isalnum(static_cast<unsigned char>(*c))) {
            capital = true;
            continue;
        }
        name.push_back(capital ? static_cast<char>(std::toupper(static_cast<unsigned char>(*c))) : *c);
        capital = false;
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(FaultyRoutines, EmulatedMachine, testing::ValuesIn(faulty_routines), situation_name<routine_case>);

// A well-behaved routine: saves what it uses, calls a host function the stdcall way and returns
// its result; a value callback returns 1.0. Neither trips a check, and calls may follow calls.
TEST(EmulatedMachineRules, WellBehavedRoutinesPass)
{
    x86_machine machine;
    machine.map(code, 0x1000, x86_machine::readable | x86_machine::executable, "test code");
    const uint32_t doubler = machine.add_trap("doubler", 4, [](x86_machine& m) { m.set_result(m.argument(0) * 2); });
    machine.write32(code + 0x100, doubler);
    // push ebx; mov ebx,[esp+8]; push ebx; call [code+0x100]; pop ebx; ret 4
    const std::vector<uint8_t> routine = {0x53, 0x8B, 0x5C, 0x24, 0x08, 0x53, 0xFF, 0x15, 0x00, 0x01, 0x00, 0x40, 0x5B, 0xC2, 4, 0};
    machine.write(code, routine.data(), routine.size());
    const std::vector<uint8_t> one = {0xD9, 0xE8, 0xC2, 4, 0};  // fld1; ret 4
    machine.write(code + 0x40, one.data(), one.size());
    for (uint32_t argument : {7u, 21u}) EXPECT_EQ(machine.call(code, {argument}, "doubling routine"), 2 * argument);
    EXPECT_EQ(machine.call_double(code + 0x40, {0}, "value callback"), 1.0);
}

// A host that keeps the x87 unit at 24-bit precision (a Direct3D device created without FPU
// preservation) reaches a value callback that divides 1 by 3: without a guard the quotient is
// rounded to 24 bits, 0.3333333432674408 (the float nearest a third); with the module's guard
// (the host's word saved, 0x027F set, the host's word back before returning) it is the double.
TEST(EmulatedMachineRules, TheHostsPrecisionReachesCodeWithoutTheGuardAndNotCodeWithIt)
{
    // fld1; push 3; fidiv dword [esp]; pop eax; ret 4
    const std::vector<uint8_t> plain = {0xD9, 0xE8, 0x6A, 0x03, 0xDA, 0x34, 0x24, 0x58, 0xC2, 4, 0};
    // sub esp,4; fnstcw [esp]; mov word [esp+2],0x027f; fldcw [esp+2]; (the division);
    // fldcw [esp]; add esp,4; ret 4
    const std::vector<uint8_t> guarded = {0x83, 0xEC, 0x04, 0xD9, 0x3C, 0x24, 0x66, 0xC7, 0x44, 0x24, 0x02, 0x7F, 0x02,
                                          0xD9, 0x6C, 0x24, 0x02, 0xD9, 0xE8, 0x6A, 0x03, 0xDA, 0x34, 0x24, 0x58,
                                          0xD9, 0x2C, 0x24, 0x83, 0xC4, 0x04, 0xC2, 4, 0};
    struct Case {
        uint16_t host_word;
        const std::vector<uint8_t>* routine;
        double quotient;
    } cases[] = {
        {x86_machine::windows_control_word, &plain, 1.0 / 3.0},
        {x86_machine::direct3d_control_word, &plain, 0.3333333432674408},
        {x86_machine::windows_control_word, &guarded, 1.0 / 3.0},
        {x86_machine::direct3d_control_word, &guarded, 1.0 / 3.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "host word " << c.host_word << (c.routine == &guarded ? ", guarded" : ""));
        x86_machine machine;
        machine.map(code, 0x1000, x86_machine::readable | x86_machine::executable, "test code");
        machine.set_host_control_word(c.host_word);
        machine.write(code, c.routine->data(), c.routine->size());
        EXPECT_EQ(machine.call_double(code, {0}, "a third"), c.quotient);
        EXPECT_EQ(machine.call_double(code, {0}, "a third, again"), c.quotient) << "the host's word survives the call";
    }
}

// What an import writes for the module lands only where the module may write itself: memset over
// its code, the host's trap stubs or past its data is an error naming the import, where it was
// called from and the range.
TEST(EmulatedImports, WritesForTheModuleStayInItsWritableMemory)
{
    constexpr uint32_t data = 0x40001000;  // one writable page after the code
    struct Case {
        const char* situation;
        uint32_t destination, size;
        const char* error;  // nullptr: the write is allowed
    } cases[] = {
        {"into its data", data + 0x10, 16, nullptr},
        {"to the last byte of its data", data + 0xFF0, 16, nullptr},
        {"over its own code", code, 16, "writes 16 bytes at 0x40000000 to 0x4000000f, in test code, which is read-only"},
        {"over the host's trap stubs", 0x00010000, 4, "in the host's trap stubs, which is read-only"},
        {"past the end of its data", data + 0xFF8, 16, "writes 16 bytes at 0x40001ff8 to 0x40002007, outside the module's writable memory"},
        {"nowhere", 0x70000000, 1, "writes 1 bytes at 0x70000000, outside the module's writable memory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.situation);
        x86_machine machine;
        machine.map(code, 0x1000, x86_machine::readable | x86_machine::executable, "test code");
        machine.map(data, 0x1000, x86_machine::readable | x86_machine::writable, "test data");
        import_context context{machine, code, "test.gau"};
        const served_import* memset_import = find_served_import("msvcrt.dll", "memset");
        ASSERT_NE(memset_import, nullptr);
        const uint32_t trap = machine.add_trap("msvcrt.dll!memset", 0, [&context, memset_import](x86_machine&) {
            memset_import->serve(context);
        });
        machine.write32(code + 0x100, trap);
        // push size; push 0xAA; push destination; call [code+0x100]; add esp,12; ret 4
        std::vector<uint8_t> routine = {0x68};
        for (uint32_t v : {c.size}) for (int i = 0; i < 4; ++i) routine.push_back(static_cast<uint8_t>(v >> (8 * i)));
        routine.insert(routine.end(), {0x68, 0xAA, 0, 0, 0, 0x68});
        for (int i = 0; i < 4; ++i) routine.push_back(static_cast<uint8_t>(c.destination >> (8 * i)));
        routine.insert(routine.end(), {0xFF, 0x15, 0x00, 0x01, 0x00, 0x40, 0x83, 0xC4, 0x0C, 0xC2, 4, 0});
        machine.write(code, routine.data(), routine.size());
        if (c.error == nullptr) {
            machine.call(code, {0}, "setting memory");
            uint8_t byte = 0;
            machine.read(c.destination + c.size - 1, &byte, 1);
            EXPECT_EQ(byte, 0xAA);
            continue;
        }
        try {
            machine.call(code, {0}, "setting memory");
            ADD_FAILURE() << "no error";
        } catch (const emulation_fault& fault) {
            const std::string message = fault.what();
            EXPECT_NE(message.find("calls msvcrt.dll!memset (returning to 0x40000015)"), std::string::npos) << message;
            EXPECT_NE(message.find(c.error), std::string::npos) << message;
        }
    }
}

// The host hands a string callback a buffer of 8 bytes (7 characters and the terminator) in its
// own memory: the module may write there and nowhere else in that memory, however far it strays.
TEST(EmulatedMachineRules, WritesInTheHostsMemoryStayInsideTheBufferHanded)
{
    constexpr uint32_t host = 0x00300000, buffer = host + 0x1000;
    struct Case {
        uint32_t address;
        const char* error;  // nullptr: allowed
    } cases[] = {
        {buffer, nullptr},
        {buffer + 4, nullptr},
        {buffer + 6, "writes 4 bytes at 0x00301006, past the end of the host's buffer of 8 bytes at 0x00301000"},
        {buffer + 0x100, "writes 4 bytes at 0x00301100, in the host's own memory, 248 bytes past the end of the host's buffer of 8 bytes at 0x00301000"},
        {host, "writes 4 bytes at 0x00300000, in the host's own memory, 4096 bytes before the host's buffer of 8 bytes at 0x00301000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        x86_machine machine;
        machine.map(code, 0x1000, x86_machine::readable | x86_machine::executable, "test code");
        machine.guard_host_buffers(host, 0x10000);
        machine.map(host, 0x10000, x86_machine::readable | x86_machine::writable, "the host's buffers");
        // mov dword [address], 0x41424344; ret 4
        std::vector<uint8_t> routine = {0xC7, 0x05};
        for (int i = 0; i < 4; ++i) routine.push_back(static_cast<uint8_t>(c.address >> (8 * i)));
        routine.insert(routine.end(), {0x44, 0x43, 0x42, 0x41, 0xC2, 4, 0});
        machine.write(code, routine.data(), routine.size());
        machine.open_buffer(buffer, 8);
        try {
            machine.call(code, {0}, "string callback");
            EXPECT_EQ(c.error, nullptr);
        } catch (const emulation_fault& fault) {
            ASSERT_NE(c.error, nullptr) << fault.what();
            EXPECT_NE(std::string(fault.what()).find(std::string(c.error) + " (instruction at 0x40000000)"), std::string::npos)
                << fault.what();
        }
    }
}

// A routine that reads a variable it never set (a word below its stack pointer) returns whatever
// the stack held: with the stack poisoned by two patterns, two runs tell it.
TEST(EmulatedMachineRules, AStackPoisonShowsAReadOfAVariableNeverSet)
{
    const std::vector<uint8_t> routine = {0x8B, 0x44, 0x24, 0xF8, 0xC2, 4, 0};  // mov eax,[esp-8]; ret 4
    struct Case {
        uint8_t pattern;
        uint32_t read;
    } cases[] = {{0x00, 0x00000000}, {0xA5, 0xA5A5A5A5}};
    for (const Case& c : cases) {
        x86_machine machine;
        machine.map(code, 0x1000, x86_machine::readable | x86_machine::executable, "test code");
        machine.write(code, routine.data(), routine.size());
        machine.poison_stack(c.pattern);
        EXPECT_EQ(machine.call(code, {0}, "an unset variable"), c.read);
    }
}

// Every function either module file's allowlist permits is one the emulated host serves.
TEST(EmulatedImports, EveryAllowedImportIsServed)
{
    const std::pair<const char*, const char*> lists[] = {{"imports", autopilot_import_allowlist()},
                                                         {"recorder_imports", recorder_import_allowlist()}};
    for (const auto& [stem, built_in] : lists) {
        std::ifstream file(BRASK_SOURCE_DIR "/module/" + std::string(stem) + ".allowlist");
        ASSERT_TRUE(file) << "cannot read module/" << stem << ".allowlist";
        int entries = 0;
        for (std::string line; std::getline(file, line);) {
            std::istringstream words(line);
            std::string dll, function;
            if (!(words >> dll >> function) || dll[0] == '#') continue;
            ++entries;
            EXPECT_TRUE(import_allowed(built_in, dll, function)) << dll << "!" << function;
            EXPECT_NE(find_served_import(dll, function), nullptr) << dll << "!" << function << " is not served";
        }
        EXPECT_GT(entries, 0) << stem;
    }
}

// The module file, spoiled, given to gaugehost --module.

std::vector<uint8_t> module_file()
{
    const char* path = std::getenv("BRASK_MODULE_FILE");
    if (path == nullptr) return {};
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

uint32_t u32(const std::vector<uint8_t>& bytes, size_t at)
{
    uint32_t value;
    std::memcpy(&value, &bytes[at], 4);
    return value;
}

void put16(std::vector<uint8_t>& bytes, size_t at, uint16_t value)
{
    std::memcpy(&bytes[at], &value, 2);
}

// Replaces the first occurrence of a text (with its terminator) by another of the same length.
void rename(std::vector<uint8_t>& bytes, const std::string& from, const std::string& to)
{
    const std::string needle(from.c_str(), from.size() + 1);
    const auto found = std::search(bytes.begin(), bytes.end(), needle.begin(), needle.end());
    ASSERT_NE(found, bytes.end()) << from;
    std::copy(to.begin(), to.end(), found);
}

struct run_result {
    int status;
    std::string errors;  // the last line
    std::string module_path;
};

run_result run_gaugehost(const std::vector<uint8_t>& module, const std::string& script)
{
    // Files of this process's own: the tests run side by side.
    const std::string stem = testing::TempDir() + "emulated_host_" + std::to_string(getpid());
    const std::string module_path = stem + ".gau", script_path = stem + ".gh";
    std::ofstream(module_path, std::ios::binary).write(reinterpret_cast<const char*>(module.data()),
                                                         static_cast<std::streamsize>(module.size()));
    std::ofstream(script_path) << script;
    const std::string command = std::string("'") + BRASK_GAUGEHOST + "' --module '" + module_path + "' '" + script_path +
                                "' 2>&1 >/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    std::string errors;
    for (int c; (c = std::fgetc(pipe)) != EOF;) errors.push_back(static_cast<char>(c));
    const int status = pclose(pipe);
    std::remove(module_path.c_str());
    std::remove(script_path.c_str());
    // The error is the last line (a flight reports its start before).
    while (!errors.empty() && errors.back() == '\n') errors.pop_back();
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, errors.substr(errors.rfind('\n') + 1), module_path};
}

struct spoiled_case {
    const char* situation;
    std::function<void(std::vector<uint8_t>&)> spoil;
    const char* error;
};

size_t nt_header(const std::vector<uint8_t>& bytes)
{
    return u32(bytes, 0x3C);
}

size_t section_table(const std::vector<uint8_t>& bytes)
{
    const size_t nt = nt_header(bytes);
    return nt + 24 + (bytes[nt + 20] | bytes[nt + 21] << 8);
}

// The file offset of an RVA, through the section that holds it.
size_t file_offset(const std::vector<uint8_t>& bytes, uint32_t rva)
{
    const size_t table = section_table(bytes);
    for (size_t at = table; at < table + 40 * size_t{bytes[nt_header(bytes) + 6]}; at += 40)
        if (rva >= u32(bytes, at + 12) && rva < u32(bytes, at + 12) + u32(bytes, at + 16)) return rva - u32(bytes, at + 12) + u32(bytes, at + 20);
    return 0;
}

size_t export_directory(const std::vector<uint8_t>& bytes)
{
    return file_offset(bytes, u32(bytes, nt_header(bytes) + 24 + 96));
}

const spoiled_case spoiled_files[] = {
    {"a script given in place of the module", [](std::vector<uint8_t>& b) { b.assign({'o', 'p', 'e', 'n', '\n'}); },
     "not a Windows DLL (no MZ header)"},
    {"a 64-bit build", [](std::vector<uint8_t>& b) { put16(b, nt_header(b) + 4, 0x8664); },
     "a 64-bit DLL; the simulator loads only 32-bit x86 modules"},
    {"a program rather than a library", [](std::vector<uint8_t>& b) { b[nt_header(b) + 23] &= ~0x20; },
     "not a DLL (an executable image)"},
    {"a module without Linkage", [](std::vector<uint8_t>& b) { rename(b, "Linkage", "Linkagf"); }, "does not export Linkage"},
    {"a download cut off half way", [](std::vector<uint8_t>& b) { b.resize(b.size() / 2); }, "is truncated: its data ends at"},
    {"two sections at one address",
     [](std::vector<uint8_t>& b) { std::memcpy(&b[section_table(b) + 40 + 12], &b[section_table(b) + 12], 4); },
     "sections .text and .data overlap"},
    {"an export table claiming more functions than ordinals can number",
     [](std::vector<uint8_t>& b) { put16(b, export_directory(b) + 22, 0x0100); }, "the export directory claims 16777218 functions"},
    {"an export table claiming more names than ordinals can number",
     [](std::vector<uint8_t>& b) { put16(b, export_directory(b) + 26, 0x0100); }, "the export directory claims 16777218 names"},
};

void PrintTo(const spoiled_case& spoiled, std::ostream* out)
{
    *out << spoiled.situation;
}

class SpoiledModuleFile : public testing::TestWithParam<spoiled_case> {};

TEST_P(SpoiledModuleFile, IsRefusedWithItsReason)
{
    std::vector<uint8_t> bytes = module_file();
    ASSERT_FALSE(bytes.empty()) << "cannot read the module file named by BRASK_MODULE_FILE";
    GetParam().spoil(bytes);
    const run_result result = run_gaugehost(bytes, "open\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.errors.rfind("gaugehost: " + result.module_path + ": ", 0), 0u) << result.errors;
    EXPECT_NE(result.errors.find(GetParam().error), std::string::npos) << result.errors;
}

INSTANTIATE_TEST_SUITE_P(ModuleFile, SpoiledModuleFile, testing::ValuesIn(spoiled_files), situation_name<spoiled_case>);

// A module file damaged anywhere outside its code and bitmaps (headers, data, imports, exports,
// relocations), a few bytes at a time or cut short: the host refuses it or runs it, and never
// crashes. 100 files from a fixed seed.
TEST(ModuleFileDamage, NeverCrashesTheHost)
{
    const std::vector<uint8_t> original = module_file();
    ASSERT_FALSE(original.empty()) << "cannot read the module file named by BRASK_MODULE_FILE";
    std::vector<std::pair<size_t, size_t>> ranges = {{0, 0x400}};  // the headers
    const size_t table = section_table(original);
    const size_t sections = original[nt_header(original) + 6] | original[nt_header(original) + 7] << 8;
    for (size_t i = 0; i < sections; ++i) {
        const std::string name(reinterpret_cast<const char*>(&original[table + 40 * i]), 5);
        const size_t size = u32(original, table + 40 * i + 16), offset = u32(original, table + 40 * i + 20);
        if (name != ".text" && name != ".rsrc" && size != 0) ranges.emplace_back(offset, offset + size);
    }
    std::mt19937 random(1);
    const std::string path = testing::TempDir() + "damaged_" + std::to_string(getpid()) + ".gau";
    int refused = 0, ran = 0;
    for (int file = 0; file < 100; ++file) {
        std::vector<uint8_t> bytes = original;
        for (int n = 1 + static_cast<int>(random() % 8); n > 0; --n) {
            const auto& [begin, end] = ranges[random() % ranges.size()];
            bytes[begin + random() % (end - begin)] = static_cast<uint8_t>(random());
        }
        if (random() % 10 == 0) bytes.resize(random() % bytes.size());
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        try {
            emulated_module module(path);
            module.machine().set_budget(1'000'000);
            GaugeHost host(module.records());
            host.open();
            host.frame(3);
            host.close();
            ++ran;
        } catch (const std::exception& error) {
            EXPECT_NE(std::string(error.what()), "") << "file " << file;
            ++refused;
        }
    }
    std::remove(path.c_str());
    EXPECT_GT(refused, 0);
    EXPECT_GT(ran, 0);
}

// Every gauge drawn from the module file's own bitmaps (no resources folder to fall back on) looks
// as the linked module's drawn from the folder the file's resources are built from.
TEST(ModuleFileBitmaps, GaugesDrawnFromTheFilesOwnBitmapsMatchTheLinkedModule)
{
    const char* module = std::getenv("BRASK_MODULE_FILE");
    ASSERT_NE(module, nullptr) << "BRASK_MODULE_FILE names no module file";
    const std::string stem = testing::TempDir() + "emulated_render_" + std::to_string(getpid());
    const std::vector<std::string> gauges = {"A_Pilot", "AP_Panel_1", "AP_YoySet", "V_Contrl_key", "V_Lamp", "IN_4"};
    for (const std::string side : {"linked", "emulated"}) {
        std::ofstream script(stem + ".gh");
        script << "joystick 0 present z r\nvar 61 60 79 2.0 77 1.5 81 90\nopen\nframe 2\nclick AP_Panel_1 150 50\nframe 3\n";
        for (const std::string& gauge : gauges) script << "render " << gauge << " " << stem << "_" << side << "_" << gauge << ".png\n";
        script.close();
        const std::string command = side == "linked"
                                        ? std::string("'") + BRASK_GAUGEHOST + "' '" + stem + ".gh' >/dev/null"
                                        : std::string("BRASK_RESOURCES=/nonexistent '") + BRASK_GAUGEHOST + "' --module '" +
                                              module + "' '" + stem + ".gh' >/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    auto read = [](const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        return std::vector<char>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    };
    for (const std::string& gauge : gauges) {
        const std::vector<char> linked = read(stem + "_linked_" + gauge + ".png");
        EXPECT_FALSE(linked.empty()) << gauge;
        EXPECT_TRUE(linked == read(stem + "_emulated_" + gauge + ".png")) << gauge << " is drawn differently";
        std::remove((stem + "_linked_" + gauge + ".png").c_str());
        std::remove((stem + "_emulated_" + gauge + ".png").c_str());
    }
    std::remove((stem + ".gh").c_str());
}

// A module built against a function the allowlist does not permit loads, and stops the script
// at the first call, naming the function: in plain frames and in a flight.
TEST(ModuleFileImports, CallOutsideTheAllowlistEndsTheScript)
{
    std::vector<uint8_t> bytes = module_file();
    ASSERT_FALSE(bytes.empty()) << "cannot read the module file named by BRASK_MODULE_FILE";
    rename(bytes, "QueryPerformanceCounter", "QueryPerformanceCountex");
    for (const char* script : {"joystick 0 present z r\nopen\nframe 3\n", "start level 150 150\nopen\nfly 1\n"}) {
        const run_result result = run_gaugehost(bytes, script);
        EXPECT_EQ(result.status, 1) << script;
        EXPECT_EQ(result.errors.rfind("gaugehost: " + result.module_path + ": ", 0), 0u) << result.errors;
        EXPECT_NE(result.errors.find("calls KERNEL32.dll!QueryPerformanceCountex, which is not on the import allowlist"),
                  std::string::npos)
            << result.errors;
    }
}

}  // namespace
