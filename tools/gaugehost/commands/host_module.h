// The module a gaugehost command works on, as the options name it: on Windows the file loaded
// with LoadLibrary; natively the file run in the emulated machine, or the module linked in.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/common/command_line.h"
#include "tools/gaugehost/host/gauge_host.h"

// The module could not be loaded; its text names the file and why.
struct module_load_error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// --module, --recorder, --host-precision, --poison-stack: what every gaugehost command takes.
std::vector<command_option> module_options();

class host_module {
public:
    // Throws module_load_error.
    explicit host_module(const command_args& args);
    ~host_module();
    host_module(const host_module&) = delete;
    host_module& operator=(const host_module&) = delete;

    const module_records& records() const { return records_; }
    // The modules served beside it (--recorder): none, or the recorder's.
    const std::vector<module_records>& beside() const { return beside_; }
    const std::string& path() const { return path_; }  // empty: the linked module

private:
    struct loaded;
    std::unique_ptr<loaded> loaded_;
    std::string path_;
    module_records records_{};
    std::vector<module_records> beside_;
};

// The gaugehost executable's own path: the virtual host's default executable path.
std::string own_executable_path();
