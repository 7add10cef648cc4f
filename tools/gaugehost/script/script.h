// gaugehost's script language: one command a line, '#' starts a comment, words separated by
// blanks; a UTF-8 byte-order mark at the start is skipped. A script is parsed and checked whole
// before anything runs.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

enum class command_kind {
    exe,               // exe PATH
    var,               // var TOKEN VALUE [TOKEN VALUE ...]
    clock_rate,        // clock F STEP
    clock_at,          // clock at C
    joystick_absent,   // joystick ID absent
    joystick_present,  // joystick ID present [z] [r]
    joystick_fail,     // joystick ID fail
    joystick_set,      // joystick ID KEY=VALUE ...
    open,
    frame,             // frame [N]
    service,           // service GAUGE ID
    click,             // click GAUGE X Y [N]
    show,              // show GAUGE
    render,            // render GAUGE FILE [SCALE]
    panel,             // panel FILE
    serve,             // serve listed|reversed|by-window [closed] [apart TICKS]
    window,            // window NAME open|close
    reload,
    extension,         // a command an extension registered (script_commands.h)
    stats,
    close,
};

struct script_command {
    int line = 0;
    command_kind kind = command_kind::stats;
    std::string text;                                // exe path, gauge name, panel file or window name
    std::vector<std::pair<uint32_t, double>> vars;   // var
    std::vector<std::pair<std::string, uint32_t>> joystick_keys;  // joystick ID KEY=VALUE
    int64_t first = 0;   // clock F, clock at C, joystick ID, frame N, service ID, click X, serve ORDER, window open (1)
    int64_t second = 0;  // clock STEP, click Y, serve closed (1)
    int64_t count = 1;   // click N, render SCALE, serve apart TICKS
    std::string file;    // render FILE
    bool has_z = false, has_r = false;
    std::vector<std::string> words;  // extension: the command's words
};

struct script_error : std::runtime_error {
    script_error(int line_number, const std::string& what) : std::runtime_error(what), line(line_number) {}
    int line;
};

// Parses the whole script; is_gauge tells whether a name is a gauge the module declares.
// Throws script_error for the first bad line.
std::vector<script_command> parse_script(const std::string& text,
                                         const std::function<bool(const std::string&)>& is_gauge);
