// A 32-bit x86 machine in the Unicorn CPU emulator, as a Windows process looks to a module
// loaded into it: memory regions mapped with their protections (everything else is a fault),
// one stack, and trap stubs whose execution runs host code. The host calls the module's
// functions with the stdcall convention and checks what a careless compiler or a hand-written
// routine could get wrong: the arguments popped, the callee-saved registers, the direction flag,
// the x87 stack and the x87 and SSE control words, and a budget of blocks per call.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/gaugehost/host/gauge_host.h"

struct uc_struct;

// A fault of the module's code, or a call it broke the rules of; the message names the
// function the host called and the address.
struct emulation_fault : module_fault {
    using module_fault::module_fault;
};

std::string hex32(uint32_t value);

class x86_machine {
public:
    enum permission : int { readable = 1, writable = 2, executable = 4 };

    // The blocks (runs of instructions that end at a jump, a call or a return) one call may run
    // before it counts as a hang.
    static constexpr uint64_t default_budget = 50'000'000;

    x86_machine();
    ~x86_machine();
    x86_machine(const x86_machine&) = delete;
    x86_machine& operator=(const x86_machine&) = delete;

    // Maps [address, address + size) (both page multiples) with its own zeroed storage.
    void map(uint32_t address, uint32_t size, int permissions, const std::string& name);

    // Host access to mapped memory; an address outside every region throws emulation_fault.
    void read(uint32_t address, void* data, size_t size) const;
    void write(uint32_t address, const void* data, size_t size);
    uint32_t read32(uint32_t address) const;
    void write32(uint32_t address, uint32_t value);
    std::string read_text(uint32_t address, size_t longest) const;
    // The host's storage behind [address, address + size), or throws.
    uint8_t* pointer(uint32_t address, size_t size) const;
    // The same for a range an import writes on the module's behalf: it must lie in memory the
    // module may write itself (its writable data, the stack, the host's buffers), or throws
    // emulation_fault naming the range and what lies there (the module's code, the host's stubs).
    uint8_t* module_writable(uint32_t address, size_t size) const;
    void write_for_module(uint32_t address, const void* data, size_t size);

    // A host routine behind an address of emulated memory: a call to the address runs handler,
    // then returns to the caller, popping pop_bytes of arguments (stdcall) or none (cdecl).
    using trap_handler = std::function<void(x86_machine&)>;
    uint32_t add_trap(const std::string& name, uint16_t pop_bytes, trap_handler handler);
    // Code of the host's own, placed after the trap stubs.
    uint32_t add_code(const std::vector<uint8_t>& code);

    // Inside a trap handler: the index-th 32-bit argument of the call, and the results.
    uint32_t argument(int index) const;
    void set_result(uint32_t eax);
    // Inside a trap handler: ends the emulation with this error.
    void fail(const std::string& message);
    // Where the current trap returns to in the module.
    uint32_t return_address() const;

    // Calls the function at address with 32-bit arguments (stdcall) and returns EAX; what names
    // the function in errors. Throws emulation_fault for a fault or a broken rule.
    uint32_t call(uint32_t function, std::initializer_list<uint32_t> arguments, const std::string& what);
    // The same for a function that returns a double in ST(0); the host pops it.
    double call_double(uint32_t function, std::initializer_list<uint32_t> arguments, const std::string& what);

    void set_budget(uint64_t blocks) { budget_ = blocks; }

    // Fails the call that runs any of these instructions (address, text): the emulator does not
    // model what MMX does to the x87 registers, so the loader marks each MMX instruction it finds.
    void refuse_instructions_at(const std::map<uint32_t, std::string>& instructions);
    // Notes the callee-saved registers as each of these fldcw instructions runs: a control word
    // given back wrong, equal to what a register held there, names the register that was clobbered.
    void watch_control_word_loads(const std::vector<uint32_t>& addresses);

    // The host's buffers: in [base, base + size), mapped writable, the module may write only inside
    // a buffer the host has handed it for the call (open_buffer, until close_buffers); any other
    // write there, by an instruction or through an import, ends the call naming the instruction
    // or import and the buffer.
    void guard_host_buffers(uint32_t base, uint32_t size);
    void open_buffer(uint32_t address, uint32_t size) { open_buffers_.push_back({address, size}); }
    void close_buffers() { open_buffers_.clear(); }

    // Fills the poisoned_stack_bytes below the stack pointer with the pattern before every call.
    static constexpr uint32_t poisoned_stack_bytes = 16384;
    void poison_stack(uint8_t pattern)
    {
        stack_poison_ = pattern;
        stack_poison_set_ = true;
    }

    // Counts every instruction the calls run (a hook on each one: for measuring, many times
    // slower). Only before the first call: code translated before it would run uncounted. The
    // host's buffers, too, are guarded before it.
    void count_instructions();
    uint64_t instructions_counted() const { return instructions_counted_; }

    // The x87 control word every call starts with and must end with. Windows starts a thread with
    // 0x027F (53-bit precision, round to nearest, every exception masked); a host that created its
    // Direct3D device without preserving the FPU keeps 0x007F (24-bit precision) instead.
    static constexpr uint16_t windows_control_word = 0x027F;
    static constexpr uint16_t direct3d_control_word = 0x007F;
    void set_host_control_word(uint16_t word)
    {
        host_control_word_ = word;
        entry_state_set_ = false;
    }

private:
    // Frees a region's storage: heap memory or anonymous pages, by its size.
    struct unmap_pages {
        size_t size;
        void operator()(uint8_t* pages) const;
    };
    struct region {
        uint32_t base, size;
        int permissions;
        std::string name;
        std::unique_ptr<uint8_t[], unmap_pages> storage;
    };
    struct trap {
        std::string name;
        uint16_t pop_bytes;
        trap_handler handler;
    };
    // The last host function the running call reached, and where it returned to.
    struct trap_call {
        size_t index;
        uint32_t return_address;
    };
    // The last fldcw the running call ran: where, and the callee-saved registers as it ran.
    struct control_word_load {
        uint32_t address;
        uint32_t saved[4];  // EBX, ESI, EDI, EBP
    };

    void start();
    // uc_emu_start's result, or abandoned when Unicorn aborted inside it.
    static constexpr int abandoned = -1;
    int start_emulation(uint32_t function);
    static void catch_translation_aborts(bool on);
    void hook_mmx_instruction(uint32_t address);
    void map_in_emulator(const region& r);
    // In the host's call data or its guarded buffers, which the module's code may not write freely.
    bool host_guarded(uint32_t address) const;
    uint32_t run(uint32_t function, std::initializer_list<uint32_t> arguments, uint32_t return_address,
                 const std::string& what);
    std::string broken_rule(uint32_t return_address, uint32_t expected_esp, uint32_t argument_bytes) const;
    std::string control_word_cause(uint32_t control_word) const;
    std::string convention_cause() const;
    void hook_control_word_load(uint32_t address);
    bool is_hlt(uint32_t address) const;
    uint32_t reg(int id) const;
    void set_reg(int id, uint32_t value);
    friend struct machine_hooks;

    uc_struct* uc_ = nullptr;
    std::vector<region> regions_;
    mutable size_t last_region_ = 0;  // where pointer found the last address
    std::vector<trap> traps_;
    uint32_t code_used_ = 0;  // bytes of the trap area used by add_code, from its end down
    uint32_t plain_return_ = 0, double_return_ = 0, double_slot_ = 0;
    std::string pending_error_;
    bool running_ = false;
    bool entry_state_set_ = false;  // the registers hold what a call starts from
    uint64_t budget_ = default_budget;
    uint64_t blocks_run_ = 0;  // by the call that runs
    uint16_t host_control_word_ = windows_control_word;
    uint64_t instructions_counted_ = 0;
    std::map<uint32_t, std::string> mmx_instructions_;
    std::vector<uint32_t> control_word_loaders_;
    std::optional<trap_call> last_trap_call_;
    std::optional<control_word_load> last_control_word_load_;
    uint32_t return_slot_ = 0;  // where the running call's return address lies
    std::optional<uint32_t> trap_esp_;  // ESP as the running host function was reached
    uint32_t stack_pointer() const;
    uint32_t guarded_base_ = 0, guarded_size_ = 0;
    std::vector<std::pair<uint32_t, uint32_t>> open_buffers_;
    // Empty when the range lies in an open buffer or outside the guarded area; else what is wrong.
    std::string guarded_write_problem(uint32_t address, uint64_t size) const;
    uint8_t stack_poison_ = 0;
    bool stack_poison_set_ = false;
    bool counting_ = false;
    bool abandoned_ = false;
};
