// Flights side by side, each on a thread of its own. The module linked in keeps its records at
// the host's edge one per thread (common/one_per_host.h), so a new thread starts from the
// module's state at load and a flight leaves nothing behind for the next. The calling thread
// waits; each flight's thread returns its result text. A flight's messages to the terminal are
// kept quiet unless FLIGHTSIM_CHILD_STDERR is set (for looking into a flight that fails).
//
// Flights once ran in forked processes; on threads the tuner's search takes about two thirds
// of the time (README, "Gains for each aircraft"). A flight that crashes now ends the whole
// command, where it used to fail alone.
#pragma once

#include <filesystem>
#include <functional>
#include <istream>
#include <string>
#include <vector>

struct flight_result {
    bool ok = false;
    std::string text;   // what the task returned; the reason when it failed
};

// Runs every task, each on a thread of its own, at most jobs at a time, in the order given (give
// the longest first); the results in the tasks' order. A task may run flights of its own.
std::vector<flight_result> run_flights(const std::vector<std::function<std::string()>>& tasks, int jobs);

// An interrupt (SIGINT, SIGTERM, SIGHUP) to the command while flights run removes every folder the
// run's flights made and ends the command by that signal: nothing is left half-way.

// Makes a flight's own temporary folder, flightsim-KIND-RUN-N (RUN the command's process number,
// so that the run's folders can all be found; N counts the run's flights), and returns its path.
std::filesystem::path make_flight_folder(const std::string& kind);

// A flight's result text read back: each line's first word (its tag) and the words after it.
void for_each_tagged_line(const std::string& text, const std::function<void(const std::string& tag, std::istream& words)>& each);

// The job count of a --jobs argument: a whole number from 1 to 64, nothing after it; 0 otherwise.
int parse_jobs(const char* text);
