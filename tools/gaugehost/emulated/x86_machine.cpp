#include "tools/gaugehost/emulated/x86_machine.h"

#include <sys/mman.h>
#include <csetjmp>
#include <csignal>
#include <unicorn/unicorn.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

// The machine's own areas, below anything a module occupies.
constexpr uint32_t trap_area = 0x00010000, trap_area_size = 0x4000, stub_size = 16;  // room for 1,000 traps
constexpr uint32_t machine_data = 0x00020000, machine_data_size = 0x1000;
// Where the host's calls end: a hlt, which stops the emulator, in a page of its own.
constexpr uint32_t exit_area = 0x00030000, exit_area_size = 0x1000;
constexpr uint32_t stack_base = 0x00100000, stack_size = 0x00100000;
constexpr uint32_t stack_top = stack_base + stack_size - 64;
// Above the arguments, the caller's own frame: filled with a guard before every call, checked after.
constexpr uint32_t caller_frame_bytes = 64;
constexpr uint8_t caller_frame_guard = 0xC5;
// Regions up to this size come from the heap; larger ones are mapped in lazily zeroed pages, so
// that a large image or stack costs nothing until used.
constexpr uint32_t largest_heap_region = 0x20000;

// What a callee must leave as it found it, set to recognisable values for every call.
constexpr int saved_registers[] = {UC_X86_REG_EBX, UC_X86_REG_ESI, UC_X86_REG_EDI, UC_X86_REG_EBP};
constexpr const char* saved_register_names[] = {"EBX", "ESI", "EDI", "EBP"};
constexpr uint32_t saved_register_marks[] = {0xB0B0B0B0, 0x51515151, 0xD1D1D1D1, 0xEBEBEBEB};

constexpr uint32_t mxcsr_default = 0x1F80;         // SSE: all exceptions masked, round to nearest
constexpr uint32_t mxcsr_control_bits = 0xFFC0;    // the status flags below may change freely
constexpr uint32_t status_stack_fault = 0x0040, status_top = 0x3800, status_top_one_popped_too_many = 0x0800;
constexpr uint32_t status_error_summary = 0x0080;  // an exception the control word did not mask is pending
constexpr uint32_t tags_all_empty = 0xFFFF;
constexpr uint32_t direction_flag = 0x0400;
constexpr uint64_t cr4_sse_enabled = 0x0600;  // OSFXSR and OSXMMEXCPT

constexpr uint8_t op_int3 = 0xCC, op_hlt = 0xF4, op_ret = 0xC3, op_ret_imm = 0xC2, op_jmp_rel32 = 0xE9;
constexpr uint8_t op_fstp_m64[] = {0xDD, 0x1D};
constexpr uint8_t op_add_esp_imm8[] = {0x83, 0xC4};

void check(uc_err error, const char* what)
{
    if (error != UC_ERR_OK) throw std::runtime_error(std::string("emulator: ") + what + ": " + uc_strerror(error));
}

void put32(std::vector<uint8_t>& code, uint32_t value)
{
    for (int i = 0; i < 4; ++i) code.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

int uc_permissions(int permissions)
{
    return ((permissions & x86_machine::readable) ? UC_PROT_READ : 0) |
           ((permissions & x86_machine::writable) ? UC_PROT_WRITE : 0) |
           ((permissions & x86_machine::executable) ? UC_PROT_EXEC : 0);
}

}  // namespace

std::string hex32(uint32_t value)
{
    char text[11];
    std::snprintf(text, sizeof text, "0x%08x", value);
    return text;
}

struct machine_hooks {
    static void on_interrupt(uc_engine*, uint32_t number, void* self)
    {
        auto& machine = *static_cast<x86_machine*>(self);
        static int where_registers[] = {UC_X86_REG_EIP, UC_X86_REG_ESP};
        uint32_t eip = 0, esp = 0;
        void* where[] = {&eip, &esp};
        uc_reg_read_batch(machine.uc_, where_registers, where, 2);
        const uint32_t stub = eip - 1;
        const uint32_t index = (stub - trap_area) / stub_size;
        if (number != 3 || stub < trap_area || stub % stub_size != 0 || index >= machine.traps_.size()) {
            const std::string what = number == 0   ? "divides by zero"
                                     : number == 3 ? "hits a breakpoint"
                                                   : "raises interrupt " + std::to_string(number);
            machine.fail(what + " at " + hex32(number == 3 ? stub : eip));
            return;
        }
        const x86_machine::trap& called = machine.traps_[index];
        const std::string& name = called.name;
        if (esp < stack_base || esp > stack_base + stack_size - 4) {
            machine.fail("calls " + name + " with ESP at " + hex32(esp) + ", outside its stack");
            return;
        }
        machine.last_trap_call_ = x86_machine::trap_call{index, machine.return_address()};
        // Called straight from the host's callee, a function that pops its arguments must find them
        // all below the callee's own return address, or it pops that address with them.
        if (called.pop_bytes != 0 && esp < machine.return_slot_ && esp + 4 + called.pop_bytes > machine.return_slot_) {
            machine.fail("calls " + name + " (returning to " + hex32(machine.return_address()) + ") having pushed " +
                         std::to_string(machine.return_slot_ - esp - 4) + " argument bytes where it pops " +
                         std::to_string(called.pop_bytes) + ": too few arguments, it would pop its caller's return address");
            return;
        }
        machine.trap_esp_ = esp;  // the handler reads its arguments from there
        try {
            machine.traps_[index].handler(machine);
        } catch (const std::exception& error) {
            machine.fail("calls " + name + " (returning to " + hex32(machine.return_address()) + "): " + error.what());
        }
        machine.trap_esp_.reset();
    }

    // The budget counts blocks, not instructions: a hook on every instruction (Unicorn's own count)
    // cost the emulated flight about a fifth of its time, one on every block about a twentieth.
    static void on_block(uc_engine* uc, uint64_t, uint32_t, void* self)
    {
        auto& machine = *static_cast<x86_machine*>(self);
        if (++machine.blocks_run_ > machine.budget_) uc_emu_stop(uc);
    }

    static void on_control_word_load(uc_engine*, uint64_t address, uint32_t, void* self)
    {
        auto& machine = *static_cast<x86_machine*>(self);
        x86_machine::control_word_load load{static_cast<uint32_t>(address), {}};
        void* values[std::size(saved_registers)];
        for (size_t i = 0; i < std::size(saved_registers); ++i) values[i] = &load.saved[i];
        uc_reg_read_batch(machine.uc_, const_cast<int*>(saved_registers), values, static_cast<int>(std::size(values)));
        machine.last_control_word_load_ = load;
    }

    static void on_instruction(uc_engine*, uint64_t, uint32_t, void* self)
    {
        ++static_cast<x86_machine*>(self)->instructions_counted_;
    }

    static void on_mmx_instruction(uc_engine*, uint64_t address, uint32_t, void* self)
    {
        auto& machine = *static_cast<x86_machine*>(self);
        const auto found = machine.mmx_instructions_.find(static_cast<uint32_t>(address));
        machine.fail("runs the MMX instruction " + (found != machine.mmx_instructions_.end() ? found->second : "") +
                     " at " + hex32(static_cast<uint32_t>(address)) +
                     ", which leaves the x87 registers to MMX: the host's next floating-point value is lost");
    }

    // A write the host may allow: its return's store of a value callback's double into the call
    // data, or a write inside a buffer it handed the call. Empty when allowed, else the fault.
    static std::string write_problem(const x86_machine& machine, uint32_t address, int size, uint32_t eip)
    {
        if (address >= machine_data && address < machine_data + machine_data_size) {
            if (eip == machine.double_return_ && address == machine.double_slot_ && size == 8) return {};
            return "writes " + std::to_string(size) + " bytes at " + hex32(address) +
                   ", in the host's call data, where only the host's return stores a value";
        }
        return machine.guarded_write_problem(address, static_cast<uint64_t>(size));
    }

    static bool on_bad_access(uc_engine*, uc_mem_type type, uint64_t address, int size, int64_t, void* self)
    {
        auto& machine = *static_cast<x86_machine*>(self);
        const uint32_t eip = machine.reg(UC_X86_REG_EIP);
        if (type == UC_MEM_WRITE_PROT && machine.host_guarded(static_cast<uint32_t>(address))) {
            const std::string problem = write_problem(machine, static_cast<uint32_t>(address), size, eip);
            if (problem.empty()) return true;  // the write goes ahead
            machine.fail(problem + " (instruction at " + hex32(eip) + ")");
            return false;
        }
        const std::string where = hex32(static_cast<uint32_t>(address));
        std::string what;
        switch (type) {
        case UC_MEM_READ_UNMAPPED: what = "reads " + std::to_string(size) + " bytes at " + where + ", outside its memory"; break;
        case UC_MEM_WRITE_UNMAPPED: what = "writes " + std::to_string(size) + " bytes at " + where + ", outside its memory"; break;
        case UC_MEM_FETCH_UNMAPPED: what = "jumps to " + where + ", outside its memory"; break;
        case UC_MEM_WRITE_PROT: what = "writes " + std::to_string(size) + " bytes at " + where + ", which is read-only"; break;
        case UC_MEM_READ_PROT: what = "reads " + std::to_string(size) + " bytes at " + where + ", which is not readable"; break;
        case UC_MEM_FETCH_PROT: what = "executes at " + where + ", which is not code"; break;
        default: what = "accesses " + where + " wrongly"; break;
        }
        machine.fail(what + " (instruction at " + hex32(eip) + ")");
        return false;
    }
};

x86_machine::x86_machine()
{
    map(trap_area, trap_area_size, readable | executable, "the host's trap stubs");
    map(machine_data, machine_data_size, readable | writable, "the host's call data");
    map(exit_area, exit_area_size, readable | executable, "the host's exit");
    double_slot_ = machine_data;

    // Where the host's calls return: the exit itself, or code that stores and pops ST(0) first.
    plain_return_ = exit_area;
    write(exit_area, &op_hlt, 1);
    std::vector<uint8_t> store(op_fstp_m64, op_fstp_m64 + 2);
    put32(store, double_slot_);
    store.push_back(op_jmp_rel32);
    put32(store, 0);
    double_return_ = add_code(store);
    write32(double_return_ + 7, plain_return_ - (double_return_ + 11));
}

// The emulator itself, and the stack, start at the first call: a module only loaded and read
// costs neither.
void x86_machine::start()
{
    map(stack_base, stack_size, readable | writable, "the stack");
    check(uc_open(UC_ARCH_X86, UC_MODE_32, &uc_), "open");
    catch_translation_aborts(true);
    for (const region& r : regions_) map_in_emulator(r);

    uc_hook hook;
    check(uc_hook_add(uc_, &hook, UC_HOOK_INTR, reinterpret_cast<void*>(&machine_hooks::on_interrupt), this, 1, 0),
          "interrupt hook");
    check(uc_hook_add(uc_, &hook, UC_HOOK_MEM_INVALID, reinterpret_cast<void*>(&machine_hooks::on_bad_access), this, 1, 0),
          "memory hook");
    check(uc_hook_add(uc_, &hook, UC_HOOK_BLOCK, reinterpret_cast<void*>(&machine_hooks::on_block), this, 1, 0), "block hook");
    if (counting_)
        check(uc_hook_add(uc_, &hook, UC_HOOK_CODE, reinterpret_cast<void*>(&machine_hooks::on_instruction), this, 1, 0),
              "instruction hook");
    for (const auto& [address, text] : mmx_instructions_) hook_mmx_instruction(address);
    for (uint32_t address : control_word_loaders_) hook_control_word_load(address);

    // The host's calls end at that hlt. With no exit addresses, Unicorn need not drop the
    // translated code around them after every run, and the module's code stays translated.
    uc_ctl_exits_enable(uc_);
    check(uc_ctl_set_exits(uc_, nullptr, 0), "exits");

    uint64_t cr4 = 0;
    uc_reg_read(uc_, UC_X86_REG_CR4, &cr4);
    cr4 |= cr4_sse_enabled;
    check(uc_reg_write(uc_, UC_X86_REG_CR4, &cr4), "enable SSE");
}

void x86_machine::unmap_pages::operator()(uint8_t* pages) const
{
    if (size <= largest_heap_region) std::free(pages);
    else munmap(pages, size);
}

x86_machine::~x86_machine()
{
    if (uc_ == nullptr) return;
    uc_close(uc_);  // an engine abandoned in a translation closes as well
    catch_translation_aborts(false);
}

namespace {

// Unicorn's translator calls abort() on some invalid instructions (a far call or jump through a
// register) instead of raising the invalid-instruction fault. While a call runs, the abort
// jumps back to the call, which abandons the engine; at any other time it goes on as before.
thread_local sigjmp_buf* translation_escape = nullptr;
struct sigaction abort_before{};
int abort_handlers = 0;

void on_abort(int signal)
{
    if (translation_escape != nullptr) siglongjmp(*translation_escape, 1);
    sigaction(SIGABRT, &abort_before, nullptr);
    raise(signal);
}

}  // namespace

int x86_machine::start_emulation(uint32_t function)
{
    sigjmp_buf escape;
    if (sigsetjmp(escape, 0) != 0) {
        translation_escape = nullptr;
        return abandoned;
    }
    translation_escape = &escape;
    blocks_run_ = 0;
    const uc_err error = uc_emu_start(uc_, function, 0, 0, 0);
    translation_escape = nullptr;
    return error;
}

void x86_machine::catch_translation_aborts(bool on)
{
    if (on && abort_handlers++ == 0) {
        struct sigaction action{};
        action.sa_handler = on_abort;
        action.sa_flags = SA_NODEFER;  // SIGABRT not blocked after the jump back
        sigemptyset(&action.sa_mask);
        sigaction(SIGABRT, &action, &abort_before);
    } else if (!on && --abort_handlers == 0) {
        sigaction(SIGABRT, &abort_before, nullptr);
    }
}

void x86_machine::map(uint32_t address, uint32_t size, int permissions, const std::string& name)
{
    // A small region from the heap, whose memory is used again; a large one in pages of its own.
    void* pages = size <= largest_heap_region ? std::calloc(size, 1)
                                              : mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == nullptr || pages == MAP_FAILED) throw std::runtime_error("emulator: no memory for " + name);
    region r{address, size, permissions, name,
             std::unique_ptr<uint8_t[], unmap_pages>(static_cast<uint8_t*>(pages), unmap_pages{size})};
    if (uc_ != nullptr) map_in_emulator(r);
    regions_.push_back(std::move(r));
}

// The host's call data and its own memory are read-only to the module's instructions: a write
// there raises the write-protection fault, whose hook lets through exactly the writes the host
// allows (its own return's store, a buffer it handed the call). A hook on every write would
// cost each of the module's writes, however far from there, a call into the hook.
void x86_machine::map_in_emulator(const region& r)
{
    int permissions = r.permissions;
    if (r.base == machine_data || (guarded_size_ != 0 && r.base >= guarded_base_ &&
                                   uint64_t{r.base} + r.size <= uint64_t{guarded_base_} + guarded_size_))
        permissions &= ~writable;
    check(uc_mem_map_ptr(uc_, r.base, r.size, static_cast<uint32_t>(uc_permissions(permissions)), r.storage.get()),
          ("map " + r.name).c_str());
}

uint8_t* x86_machine::pointer(uint32_t address, size_t size) const
{
    const auto holds = [&](const region& r) { return address >= r.base && uint64_t{address} - r.base + size <= r.size; };
    // Reaches come in runs into one region (the stack, as a call is set up and checked).
    if (last_region_ < regions_.size() && holds(regions_[last_region_]))
        return regions_[last_region_].storage.get() + (address - regions_[last_region_].base);
    for (size_t i = 0; i < regions_.size(); ++i)
        if (holds(regions_[i])) {
            last_region_ = i;
            return regions_[i].storage.get() + (address - regions_[i].base);
        }
    throw emulation_fault("the host reached " + std::to_string(size) + " bytes at " + hex32(address) +
                          ", outside the module's memory");
}

uint8_t* x86_machine::module_writable(uint32_t address, size_t size) const
{
    const auto range = [&] {
        return std::to_string(size) + " bytes at " + hex32(address) +
               (size > 1 ? " to " + hex32(static_cast<uint32_t>(address + size - 1)) : "");
    };
    for (const region& r : regions_) {
        if (address < r.base || uint64_t{address} - r.base >= r.size) continue;
        if (uint64_t{address} - r.base + size > r.size) break;  // runs past the region's end
        if (!(r.permissions & writable)) throw emulation_fault("writes " + range() + ", in " + r.name + ", which is read-only");
        if (r.base == machine_data) throw emulation_fault("writes " + range() + ", in the host's call data, through an import");
        const std::string problem = guarded_write_problem(address, size);
        if (!problem.empty()) throw emulation_fault(problem);
        return r.storage.get() + (address - r.base);
    }
    throw emulation_fault("writes " + range() + ", outside the module's writable memory");
}

void x86_machine::write_for_module(uint32_t address, const void* data, size_t size)
{
    std::memcpy(module_writable(address, size), data, size);
}

void x86_machine::read(uint32_t address, void* data, size_t size) const
{
    std::memcpy(data, pointer(address, size), size);
}

void x86_machine::write(uint32_t address, const void* data, size_t size)
{
    std::memcpy(pointer(address, size), data, size);
}

uint32_t x86_machine::read32(uint32_t address) const
{
    uint32_t value;
    read(address, &value, 4);
    return value;
}

void x86_machine::write32(uint32_t address, uint32_t value)
{
    write(address, &value, 4);
}

std::string x86_machine::read_text(uint32_t address, size_t longest) const
{
    std::string text;
    for (char c; text.size() < longest && (read(address + static_cast<uint32_t>(text.size()), &c, 1), c != '\0');)
        text.push_back(c);
    return text;
}

uint32_t x86_machine::add_trap(const std::string& name, uint16_t pop_bytes, trap_handler handler)
{
    const uint32_t stub = trap_area + static_cast<uint32_t>(traps_.size()) * stub_size;
    if (stub + stub_size > trap_area + trap_area_size - code_used_) throw std::runtime_error("emulator: too many traps");
    std::vector<uint8_t> code = {op_int3};
    if (pop_bytes == 0) {
        code.push_back(op_ret);
    } else {
        code.push_back(op_ret_imm);
        code.push_back(static_cast<uint8_t>(pop_bytes & 0xFF));
        code.push_back(static_cast<uint8_t>(pop_bytes >> 8));
    }
    write(stub, code.data(), code.size());
    traps_.push_back({name, pop_bytes, std::move(handler)});
    return stub;
}

uint32_t x86_machine::add_code(const std::vector<uint8_t>& code)
{
    code_used_ += (static_cast<uint32_t>(code.size()) + stub_size - 1) / stub_size * stub_size;
    const uint32_t at = trap_area + trap_area_size - code_used_;
    if (at < trap_area + traps_.size() * stub_size) throw std::runtime_error("emulator: no room for host code");
    write(at, code.data(), code.size());
    return at;
}

uint32_t x86_machine::reg(int id) const
{
    uint32_t value = 0;
    uc_reg_read(uc_, id, &value);
    return value;
}

void x86_machine::set_reg(int id, uint32_t value)
{
    uc_reg_write(uc_, id, &value);
}

uint32_t x86_machine::argument(int index) const
{
    return read32(stack_pointer() + 4 + 4 * static_cast<uint32_t>(index));
}

uint32_t x86_machine::return_address() const
{
    return read32(stack_pointer());
}

uint32_t x86_machine::stack_pointer() const
{
    return trap_esp_ ? *trap_esp_ : reg(UC_X86_REG_ESP);
}

void x86_machine::set_result(uint32_t eax)
{
    set_reg(UC_X86_REG_EAX, eax);
}

void x86_machine::fail(const std::string& message)
{
    if (pending_error_.empty()) pending_error_ = message;
    uc_emu_stop(uc_);
}

uint32_t x86_machine::call(uint32_t function, std::initializer_list<uint32_t> arguments, const std::string& what)
{
    return run(function, arguments, plain_return_, what);
}

double x86_machine::call_double(uint32_t function, std::initializer_list<uint32_t> arguments, const std::string& what)
{
    run(function, arguments, double_return_, what);
    double value;
    read(double_slot_, &value, sizeof value);
    return value;
}

uint32_t x86_machine::run(uint32_t function, std::initializer_list<uint32_t> arguments, uint32_t return_address,
                 const std::string& what)
{
    if (running_) throw std::logic_error("the emulated module was called while it ran");
    if (uc_ == nullptr) start();
    uint32_t esp = stack_top;
    const uint32_t expected_esp = esp;
    std::memset(pointer(stack_top, caller_frame_bytes), caller_frame_guard, caller_frame_bytes);
    esp -= static_cast<uint32_t>(4 * arguments.size());
    uint32_t at = esp;
    for (uint32_t argument : arguments) write32(std::exchange(at, at + 4), argument);
    write32(esp -= 4, return_address);
    return_slot_ = esp;
    last_trap_call_.reset();
    last_control_word_load_.reset();
    // What the callee finds below its stack pointer: a pattern of the test's choosing, so that a
    // read of a variable it never set shows as a change in what it computes.
    if (stack_poison_set_) std::memset(pointer(esp - poisoned_stack_bytes, poisoned_stack_bytes), stack_poison_, poisoned_stack_bytes);
    // The state every call starts from: the callee-saved registers marked, the direction flag
    // clear, the x87 stack empty (every register tagged empty), the x87 control word as the host keeps it, MXCSR at Windows' default. A call that passed
    // every check left all of it so, the stack pointer included; only ESP moves for the pushes.
    if (!entry_state_set_) {
        static int entry_registers[] = {UC_X86_REG_EBX,  UC_X86_REG_ESI,  UC_X86_REG_EDI,  UC_X86_REG_EBP,  UC_X86_REG_EFLAGS,
                                        UC_X86_REG_FPCW, UC_X86_REG_FPSW, UC_X86_REG_MXCSR, UC_X86_REG_FPTAG};
        uint32_t entry[] = {saved_register_marks[0], saved_register_marks[1], saved_register_marks[2],
                            saved_register_marks[3], 0x202, host_control_word_, 0, mxcsr_default, tags_all_empty};
        void* entry_values[std::size(entry)];
        for (size_t i = 0; i < std::size(entry); ++i) entry_values[i] = &entry[i];
        uc_reg_write_batch(uc_, entry_registers, entry_values, static_cast<int>(std::size(entry)));
        entry_state_set_ = true;
    }
    set_reg(UC_X86_REG_ESP, esp);

    if (abandoned_) throw emulation_fault(what + " (at " + hex32(function) + ") not run: the emulator gave up at an earlier call");
    pending_error_.clear();
    running_ = true;
    const int status = start_emulation(function);
    running_ = false;
    if (status == abandoned) {
        abandoned_ = true;
        throw emulation_fault(what + " (at " + hex32(function) + ") runs code at " + hex32(reg(UC_X86_REG_EIP)) +
                              " that the emulator cannot translate (Unicorn aborts on some invalid instructions, such as a far "
                              "call or jump through a register, which a processor refuses)");
    }
    const uc_err error = static_cast<uc_err>(status);
    std::string problem = pending_error_;
    entry_state_set_ = false;  // until the checks below pass
    if (problem.empty() && error != UC_ERR_OK)
        problem = "stopped at " + hex32(reg(UC_X86_REG_EIP)) + ": " + uc_strerror(error);
    if (problem.empty()) problem = broken_rule(return_address, expected_esp, static_cast<uint32_t>(4 * arguments.size()));
    if (problem.empty()) {
        static const std::array<uint8_t, caller_frame_bytes> guard = [] {
            std::array<uint8_t, caller_frame_bytes> bytes;
            bytes.fill(caller_frame_guard);
            return bytes;
        }();
        const uint8_t* frame = pointer(stack_top, caller_frame_bytes);
        if (std::memcmp(frame, guard.data(), guard.size()) != 0) {
            const uint32_t i = static_cast<uint32_t>(std::mismatch(frame, frame + guard.size(), guard.begin()).first - frame);
            problem = "wrote into its caller's frame, " + std::to_string(i) + " bytes above its arguments (at " +
                      hex32(stack_top + i) + ")";
        }
    }
    if (!problem.empty()) {
        if (const std::string cause = convention_cause(); !cause.empty()) problem += "; " + cause;
        throw emulation_fault(what + " (at " + hex32(function) + ") " + problem);
    }
    entry_state_set_ = true;
    return reg(UC_X86_REG_EAX);
}

void x86_machine::refuse_instructions_at(const std::map<uint32_t, std::string>& instructions)
{
    for (const auto& [address, text] : instructions) {
        if (mmx_instructions_.count(address)) continue;
        mmx_instructions_[address] = text;
        if (uc_ != nullptr) hook_mmx_instruction(address);
    }
}

void x86_machine::hook_mmx_instruction(uint32_t address)
{
    uc_hook hook;
    check(uc_hook_add(uc_, &hook, UC_HOOK_CODE, reinterpret_cast<void*>(&machine_hooks::on_mmx_instruction), this, address,
                      address),
          "MMX hook");
}

void x86_machine::watch_control_word_loads(const std::vector<uint32_t>& addresses)
{
    for (uint32_t address : addresses) {
        control_word_loaders_.push_back(address);
        if (uc_ != nullptr) hook_control_word_load(address);
    }
}

void x86_machine::hook_control_word_load(uint32_t address)
{
    uc_hook hook;
    check(uc_hook_add(uc_, &hook, UC_HOOK_CODE, reinterpret_cast<void*>(&machine_hooks::on_control_word_load), this,
                      address, address),
          "control word hook");
}

void x86_machine::guard_host_buffers(uint32_t base, uint32_t size)
{
    if (uc_ != nullptr) throw std::logic_error("the host's buffers are guarded before the first call");
    guarded_base_ = base;
    guarded_size_ = size;
}

bool x86_machine::host_guarded(uint32_t address) const
{
    return (address >= machine_data && address < machine_data + machine_data_size) ||
           (guarded_size_ != 0 && address >= guarded_base_ && uint64_t{address} < uint64_t{guarded_base_} + guarded_size_);
}

std::string x86_machine::guarded_write_problem(uint32_t address, uint64_t size) const
{
    const uint64_t end = uint64_t{address} + size;
    if (guarded_size_ == 0 || end <= guarded_base_ || address >= uint64_t{guarded_base_} + guarded_size_) return {};
    const auto range = [&] { return std::to_string(size) + " bytes at " + hex32(address); };
    for (const auto& [base, length] : open_buffers_) {
        if (address >= base && end <= uint64_t{base} + length) return {};
        if (address >= base && address < uint64_t{base} + length)
            return "writes " + range() + ", past the end of the host's buffer of " + std::to_string(length) + " bytes at " +
                   hex32(base);
    }
    if (!open_buffers_.empty()) {
        const auto [base, length] = open_buffers_.back();
        const std::string buffer = "the host's buffer of " + std::to_string(length) + " bytes at " + hex32(base);
        return "writes " + range() + ", in the host's own memory, " +
               (address < base ? std::to_string(base - address) + " bytes before " + buffer
                               : std::to_string(address - (uint64_t{base} + length)) + " bytes past the end of " + buffer);
    }
    return "writes " + range() + ", in the host's own memory, where the host handed it no buffer";
}

void x86_machine::count_instructions()
{
    if (uc_ != nullptr) throw std::logic_error("instructions are counted from before the first call");
    counting_ = true;
}

bool x86_machine::is_hlt(uint32_t address) const
{
    try {
        return *pointer(address, 1) == op_hlt;
    } catch (const emulation_fault&) {
        return false;
    }
}

// What the callee got wrong, read from the state it returned with; empty when nothing.
std::string x86_machine::broken_rule(uint32_t return_address, uint32_t expected_esp, uint32_t argument_bytes) const
{
    static int exit_registers[] = {UC_X86_REG_EIP,    UC_X86_REG_ESP,  UC_X86_REG_EBX,  UC_X86_REG_ESI,
                                   UC_X86_REG_EDI,    UC_X86_REG_EBP,  UC_X86_REG_EFLAGS, UC_X86_REG_FPCW,
                                   UC_X86_REG_MXCSR, UC_X86_REG_FPSW, UC_X86_REG_FPTAG};
    uint32_t values[std::size(exit_registers)] = {};
    void* pointers[std::size(exit_registers)];
    for (size_t i = 0; i < std::size(values); ++i) pointers[i] = &values[i];
    uc_reg_read_batch(uc_, exit_registers, pointers, static_cast<int>(std::size(values)));
    const uint32_t eip = values[0], esp = values[1], flags = values[6];
    const uint32_t control_word = values[7] & 0xFFFF, mxcsr = values[8], status = values[9] & 0xFFFF;
    const uint32_t tags = values[10] & 0xFFFF;

    if (eip != plain_return_ + 1 && eip > 0 && is_hlt(eip - 1)) return "executes hlt at " + hex32(eip - 1);
    if (eip != plain_return_ + 1)
        return "ran past its budget of " + std::to_string(budget_) + " blocks of instructions (a hang?); it was at " + hex32(eip);
    if (esp != expected_esp) {
        const int64_t off = int64_t{esp} - int64_t{expected_esp};
        const uint64_t popped = argument_bytes + off;
        return "returned with ESP " + std::to_string(off > 0 ? off : -off) + " bytes " + (off > 0 ? "above" : "below") +
               " where stdcall leaves it: it " +
               (off > 0                       ? "popped too much"
                : -off < int64_t{argument_bytes} ? "popped too few argument bytes (" + std::to_string(popped) + " of " +
                                                      std::to_string(argument_bytes) + ")"
                                                : "did not pop its arguments");
    }
    for (size_t i = 0; i < std::size(saved_registers); ++i)
        if (values[2 + i] != saved_register_marks[i])
            return std::string("did not preserve ") + saved_register_names[i] + " (" + hex32(saved_register_marks[i]) +
                   " became " + hex32(values[2 + i]) + ")";
    if (flags & direction_flag) return "returned with the direction flag set";
    if (control_word != host_control_word_)
        return "changed the x87 control word from " + hex32(host_control_word_) + " to " + hex32(control_word) +
               control_word_cause(control_word);
    if ((mxcsr & mxcsr_control_bits) != (mxcsr_default & mxcsr_control_bits))
        return "changed the SSE control word (MXCSR) from " + hex32(mxcsr_default) + " to " + hex32(mxcsr);
    // The x87 stack is empty at the call; a value callback leaves one value, which the return
    // stub pops (popping an empty stack leaves the top one place too far).
    if (return_address == double_return_ && (status & status_top) == status_top_one_popped_too_many)
        return "returned no value in ST(0)";
    if ((status & status_stack_fault) || (status & status_top) != 0)
        return "left the x87 stack unbalanced (status word " + hex32(status) + ")";
    // A register tagged in use with the stack's top back in place (fld1; fincstp), or MMX data
    // that no emms cleared: the host's next x87 load finds its register full.
    if (tags != tags_all_empty)
        return "left an x87 register in use (tag word " + hex32(tags) +
               "): a value behind the stack's top, or MMX used (and no emms)";
    // An exception raised while the module had unmasked it: the emulator never faults, a processor
    // does at the next x87 instruction, which may be the host's.
    if (status & status_error_summary)
        return "left an unmasked x87 exception pending (status word " + hex32(status) +
               "): a processor faults at the next x87 instruction";
    return {};
}

// A control word given back wrong that a callee-saved register held as the last fldcw ran: the
// precision guard kept the host's word in that register, and something in between overwrote it
// (the epilogue then put the register itself back, so only the control word shows it).
std::string x86_machine::control_word_cause(uint32_t control_word) const
{
    if (!last_control_word_load_) return {};
    for (size_t i = 0; i < std::size(saved_registers); ++i) {
        const uint32_t held = last_control_word_load_->saved[i];
        if ((held & 0xFFFF) == control_word && held != saved_register_marks[i])
            return std::string(": clobbered ") + saved_register_names[i] + ", where the precision guard kept the host's word (" +
                   saved_register_names[i] + " held " + hex32(held) + " at the fldcw at " +
                   hex32(last_control_word_load_->address) + ")";
    }
    return {};
}

// A host function that pops its own arguments (stdcall), followed by the caller popping them
// again (add esp, N): the caller took it for cdecl, and its stack is N bytes off from there on.
std::string x86_machine::convention_cause() const
{
    if (!last_trap_call_) return {};
    const trap& called = traps_[last_trap_call_->index];
    uint8_t after[3] = {};
    try {
        read(last_trap_call_->return_address, after, sizeof after);
    } catch (const emulation_fault&) {
        return {};
    }
    if (called.pop_bytes == 0 || after[0] != op_add_esp_imm8[0] || after[1] != op_add_esp_imm8[1] || after[2] != called.pop_bytes)
        return {};
    return "it called " + called.name + " with the wrong convention: " + called.name + " pops its " +
           std::to_string(called.pop_bytes) + " argument bytes itself (stdcall), and the caller popped them again (add esp, " +
           std::to_string(called.pop_bytes) + " at " + hex32(last_trap_call_->return_address) + ")";
}

// Unicorn 2.0.0 and 2.0.1 (Debian bookworm's) pass every store to emulated memory through QEMU's
// check for code modifying itself, which takes a collection of page locks: a tree allocated and
// freed per store, though Unicorn's page locks do nothing (its later sources dropped the
// collection: pull request 1838). It was a third of the time of a flight through the module file. Defining the two functions
// here puts ours in place of the library's, whose own calls reach them through its PLT. The
// check itself is kept: the code it watches is the module's, read-only to its instructions.
#if UC_API_MAJOR == 2 && UC_API_MINOR == 0 && UC_API_PATCH <= 1
extern "C" {
void* page_collection_lock_x86_64(uc_struct*, uint64_t, uint64_t)
{
    return nullptr;
}
void page_collection_unlock_x86_64(void*) {}
}
#endif
