#include "tools/gaugehost/commands/host_module.h"

#ifdef _WIN32
#include <windows.h>

#include "tools/gaugehost/host/win32_module_loader.h"
#else
#include <unistd.h>

#include "tools/gaugehost/emulated/emulated_module.h"
#include "tools/gaugehost/host/linked_module.h"
#endif

namespace {

constexpr uint16_t windows_control_word = 0x027F;   // 53-bit precision, Windows' default
constexpr uint16_t direct3d_control_word = 0x007F;  // 24-bit, as a Direct3D device may leave it

}  // namespace

std::vector<command_option> module_options()
{
    return {
        {"--module", "PATH",
         "the module file (.gau) to load: with LoadLibrary on the Windows build, into\n"
         "an emulated 32-bit machine on the native build; without it the native\n"
         "build runs the module linked into it"},
        {"--recorder", "PATH|linked",
         "the recorder's module file (BRASK_TORVIK_REC.gau) served beside the module,\n"
         "loaded as --module is; natively 'linked' serves the recorder linked into\n"
         "gaugehost"},
        {"--host-precision", "24|53",
         "native build with --module: the x87 precision the host calls the module\n"
         "with, 53 (Windows' default, control word 0x027F) or 24 (0x007F, as a\n"
         "Direct3D device created without FPU preservation leaves it); default 53", 1, 0, {"24", "53"}},
        {"--poison-stack", "BYTE",
         "native build with --module: fill the stack below every call into the module\n"
         "with BYTE (0 to 255, 0xA5 say), so that a read of a variable never set shows\n"
         "in the output when two runs with two patterns are compared", 0, 255},
    };
}

#ifdef _WIN32

struct host_module::loaded {
    loaded_module module{};
    loaded_module recorder{};
};

host_module::host_module(const command_args& args) : path_(args.text("--module"))
{
    if (path_.empty()) throw module_load_error("--module PATH names the module file to load");
    loaded_ = std::make_unique<loaded>();
    std::string error;
    if (!load_gauge_module(path_.c_str(), loaded_->module, error)) throw module_load_error(error);
    records_ = {loaded_->module.linkage, loaded_->module.import_table, loaded_->module.handle, module_name_of(path_), {}};
    const std::string recorder = args.text("--recorder");
    if (recorder.empty()) return;
    if (!load_gauge_module(recorder.c_str(), loaded_->recorder, error)) throw module_load_error(error);
    beside_.push_back({loaded_->recorder.linkage, loaded_->recorder.import_table, loaded_->recorder.handle,
                       module_name_of(recorder), {}});
}

std::string own_executable_path()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

#else

struct host_module::loaded {
    std::unique_ptr<emulated_module> emulated;
    std::unique_ptr<emulated_module> recorder;
};

namespace {
std::unique_ptr<emulated_module> load_emulated(const std::string& path, const command_args& args, const char* allowlist)
{
    emulated_options options;
    options.host_control_word = args.whole("--host-precision", 53) == 24 ? direct3d_control_word : windows_control_word;
    options.stack_poison = static_cast<int>(args.whole("--poison-stack", -1));
    options.import_allowlist = allowlist;
    try {
        return std::make_unique<emulated_module>(path, options);
    } catch (const std::exception& error) {
        throw module_load_error(path + ": " + error.what());
    }
}
}  // namespace

host_module::host_module(const command_args& args) : path_(args.text("--module"))
{
    loaded_ = std::make_unique<loaded>();
    if (path_.empty()) {
        records_ = linked_module();
    } else {
        loaded_->emulated = load_emulated(path_, args, autopilot_import_allowlist());
        records_ = loaded_->emulated->records();
    }
    const std::string recorder = args.text("--recorder");
    if (recorder == "linked") {
        beside_.push_back(linked_recorder());
    } else if (!recorder.empty()) {
        loaded_->recorder = load_emulated(recorder, args, recorder_import_allowlist());
        beside_.push_back(loaded_->recorder->records());
    }
}

std::string own_executable_path()
{
    char path[4096] = {};
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, static_cast<size_t>(length)) : std::string();
}

#endif

host_module::~host_module() = default;
