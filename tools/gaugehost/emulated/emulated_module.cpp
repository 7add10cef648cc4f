#include "tools/gaugehost/emulated/emulated_module.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>

#include "tools/gaugehost/render/bitmap_source.h"
#include "tools/gaugehost/emulated/emulated_records.h"
#include "tools/pe/pe_file.h"
#include "tools/pe/code_entries.h"
#include "tools/pe/startup_code.h"
#include "tools/gaugehost/emulated/win32_imports.h"
#include "tools/gaugehost/emulated/x86_machine.h"
#include "tools/pe/instruction_set.h"

namespace {

// Where things go in the emulated address space (the machine's own areas lie below 0x00300000).
constexpr uint32_t host_buffers = 0x00300000;
constexpr uint32_t relocated_base = 0x10000000;  // a relocatable image goes here, off its preferred base
constexpr uint32_t lowest_fixed_base = 0x02000000;
constexpr uint32_t page = 0x1000;
constexpr uint32_t dll_process_attach = 1;
constexpr size_t most_imports = 512;  // functions by distinct name; the module needs about thirty

std::vector<uint8_t> read_file(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) throw module_error("cannot read the file");
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Maps the image page by page: the headers read-only, each section as its flags say; pages no
// section covers stay unmapped.
void map_image(x86_machine& machine, const pe_file& pe, const pe_image& image, uint32_t base)
{
    const uint32_t pages = (pe.image_size + page - 1) / page;
    std::vector<int> permissions(pages, 0);
    for (uint32_t p = 0; p < (pe.header_size + page - 1) / page; ++p) permissions[p] = x86_machine::readable;
    for (const pe_section& section : pe.sections) {
        const int wanted = x86_machine::readable | (section.writes ? x86_machine::writable : 0) |
                           (section.executes ? x86_machine::executable : 0);
        for (uint32_t p = section.rva / page; p < (section.rva + section.virtual_size + page - 1) / page; ++p)
            permissions[p] |= wanted;
    }
    for (uint32_t p = 0; p < pages;) {
        uint32_t end = p + 1;
        while (end < pages && permissions[end] == permissions[p]) ++end;
        if (permissions[p] != 0) {
            const uint32_t size = (end - p) * page;
            // Named by the sections it holds, as errors name what a stray write would hit.
            std::string name;
            for (const pe_section& section : pe.sections)
                if (section.rva < (p + (end - p)) * page && section.rva + section.virtual_size > p * page)
                    name += (name.empty() ? "" : ", ") + section.name;
            machine.map(base + p * page, size, permissions[p], "the module's " + (name.empty() ? std::string("headers") : name));
            // Only the pages that hold bytes: the rest is zero already.
            for (auto stored = image.pages().lower_bound(p * page); stored != image.pages().end() && stored->first < end * page; ++stored)
                machine.write(base + stored->first, stored->second.data(), std::min(page, image.size() - stored->first));
        }
        p = end;
    }
}

// Every MMX instruction of the code marked (read linearly and followed from the entries), so that running one ends the call with an error: the
// emulator does not model how MMX leaves the x87 registers, which a real processor does. And every
// fldcw watched, so that a control word given back wrong can be traced to the register it came from.
void mark_instructions(x86_machine& machine, const pe_file& pe, const pe_image& image, uint32_t base)
{
    std::map<uint32_t, std::string> mmx;
    std::vector<uint32_t> control_word_loaders;
    std::vector<uint32_t> entries;
    for (uint32_t rva : code_entries(pe)) entries.push_back(base + rva);
    for (const pe_section& section : pe.sections) {
        if (!section.executes) continue;
        const uint32_t size = std::min(section.raw_size, section.virtual_size);
        if (uint64_t{section.rva} + size > image.size()) continue;
        const std::vector<uint8_t> code = image.bytes(section.rva, size);
        for (const foreign_instruction& found : mmx_instructions(code, base + section.rva, entries))
            mmx[found.address] = found.text;
        for (const foreign_instruction& found : control_word_loads(code, base + section.rva))
            control_word_loaders.push_back(found.address);
    }
    machine.refuse_instructions_at(mmx);
    machine.watch_control_word_loads(control_word_loaders);
}

// Every import leads to a trap: the host's function, or an error naming the import.
void trap_imports(x86_machine& machine, import_context& context, const pe_file& pe, pe_image& image,
                  const char* allowlist)
{
    auto import_allowed = [allowlist](const std::string& dll, const std::string& function) {
        return ::import_allowed(allowlist, dll, function);
    };
    std::map<std::string, uint32_t> traps;
    for (const pe_import& import : pe.imports) {
        const std::string name = import.dll + "!" + import.function;
        if (traps.size() == most_imports && !traps.count(name))
            throw module_error("imports more than " + std::to_string(most_imports) + " functions");
        auto& trap = traps[name];
        if (trap == 0) {
            const served_import* served = find_served_import(import.dll, import.function);
            if (served != nullptr && import_allowed(import.dll, import.function)) {
                trap = machine.add_trap(name, served->stdcall ? served->argument_bytes : 0,
                                        [context = &context, serve = served->serve](x86_machine&) { serve(*context); });
            } else {
                const std::string why = served == nullptr && import_allowed(import.dll, import.function)
                                            ? ", which the emulated host does not serve"
                                            : ", which is not on the import allowlist";
                trap = machine.add_trap(name, 0, [name, why](x86_machine& m) {
                    m.fail("calls " + name + why + " (returning to " + hex32(m.return_address()) + ")");
                });
            }
        }
        image.write32(import.slot_rva, trap);
    }
}

// Thread-local storage: the index the module's code reads is 0, then the callbacks run.
void run_tls_callbacks(x86_machine& machine, const pe_file& pe, uint32_t base)
{
    if (pe.tls_rva == 0 || pe.tls_size < 16) return;
    const uint32_t tls = base + pe.tls_rva;
    const uint32_t index = machine.read32(tls + 8), callbacks = machine.read32(tls + 12);
    if (index != 0) machine.write32(index, 0);
    for (uint32_t at = callbacks; at != 0; at += 4) {
        const uint32_t callback = machine.read32(at);
        if (callback == 0) break;
        machine.call(callback, {base, dll_process_attach, 0}, "TLS callback");
    }
}

// The renderer draws with the file's own bitmaps, read from the mapped image.
void register_bitmaps(x86_machine& machine, const pe_file& pe, uint32_t base, void* resource_handle)
{
    register_module_resources(resource_handle,
                              [machine = &machine, base, bitmaps = pe.bitmaps](uint32_t id) -> std::optional<std::vector<uint8_t>> {
                                  const auto found = bitmaps.find(id);
                                  if (found == bitmaps.end()) return std::nullopt;
                                  const auto [rva, size] = found->second;
                                  std::vector<uint8_t> bytes(size);
                                  try {
                                      machine->read(base + rva, bytes.data(), size);
                                  } catch (const emulation_fault&) {
                                      return std::nullopt;  // data outside the mapped sections
                                  }
                                  return bytes;
                              });
}

}  // namespace

emulated_module::emulated_module(const std::string& path, const emulated_options& options)
    : emulated_module(path, read_file(path), options)
{
}

emulated_module::emulated_module(const std::string& path, const std::vector<uint8_t>& file_bytes,
                                 const emulated_options& options)
{
    path_ = path;
    const pe_file pe = parse_pe_file(file_bytes);
    // No host runs a module file's start-up code, so what it would have set up stays zero: such
    // a file is refused before anything of it runs (static constructors and destructors, their
    // sections, TLS callbacks).
    if (const std::vector<std::string> found = startup_code(pe); !found.empty())
        throw module_error("has start-up code, which a host never runs: " + found.front());
    const uint32_t import_table_rva = pe_export(pe, "ImportTable");
    const uint32_t linkage_rva = pe_export(pe, "Linkage");
    const uint32_t base = pe.has_relocations ? relocated_base : pe.image_base;
    if (!pe.has_relocations && (base < lowest_fixed_base || uint64_t{base} + pe.image_size > 0xFFFF0000))
        throw module_error("has no relocations and its fixed base " + hex32(base) + " is taken");
    pe_image image = relocated_image(pe, base);

    machine_ = std::make_unique<x86_machine>();
    machine_->set_host_control_word(options.host_control_word);
    if (options.count_instructions) machine_->count_instructions();
    if (options.budget != 0) machine_->set_budget(options.budget);
    if (options.stack_poison >= 0) machine_->poison_stack(static_cast<uint8_t>(options.stack_poison));
    machine_->guard_host_buffers(host_buffers, emulated_records::host_buffers_size);
    machine_->map(host_buffers, emulated_records::host_buffers_size, x86_machine::readable | x86_machine::writable,
                  "the host's buffers");
    imports_ = std::make_unique<import_context>(import_context{*machine_, base, path});

    trap_imports(*machine_, *imports_, pe, image,
                 options.import_allowlist != nullptr ? options.import_allowlist : autopilot_import_allowlist());
    map_image(*machine_, pe, image, base);
    if (!options.load_only) mark_instructions(*machine_, pe, image, base);

    if (!options.load_only) run_tls_callbacks(*machine_, pe, base);
    if (!options.load_only && pe.entry_rva != 0 &&
        machine_->call(base + pe.entry_rva, {base, dll_process_attach, 0}, "the library entry point") == 0)
        throw module_error("the library entry point refused to load (it returned FALSE)");

    records_ = std::make_unique<emulated_records>(*machine_, base + linkage_rva, base + import_table_rva, base,
                                                  host_buffers);
    register_bitmaps(*machine_, pe, base, records().resource_handle);
}

emulated_module::~emulated_module()
{
    if (records_) unregister_module_resources(records_->records().resource_handle);
}

module_records emulated_module::records()
{
    module_records records = records_->records();
    records.name = module_name_of(path_);
    return records;
}
