// Flights in child processes. The module keeps its whole state in module-global variables, so
// one process can fly only one flight at a time, and a flight leaves the state it ends in behind:
// every flight here runs in a child process of its own, forked from this one (which never runs the
// module itself, so each child starts from the module's state at load), at most `jobs` at a time.
// The parent is one thread waiting on the children's pipes; each child writes its result text and
// ends. A child's standard error goes to /dev/null unless FLIGHTSIM_CHILD_STDERR is set (for
// looking into a flight that fails).
#pragma once

#include <functional>
#include <string>
#include <vector>

struct child_result {
    bool ok = false;
    std::string text;   // what the task returned; the reason when it failed
};

// Runs every task, each in a child process, at most jobs at a time, in the order given (give the
// longest first); the results in the tasks' order.
std::vector<child_result> run_in_children(const std::vector<std::function<std::string()>>& tasks, int jobs);

// An interrupt (SIGINT, SIGTERM, SIGHUP) to the command while flights run ends every flight at
// once, removes every folder the run's flights made (remove_flight_folders) and ends the command
// by that signal: nothing is left half-way.

// The name of a flight's own temporary folder: flightsim-KIND-RUN-PROCESS, RUN the command's
// process number, so that the run's folders can all be found.
std::string flight_folder_name(const std::string& kind);
// Removes every flight folder of this run from the temporary folder.
void remove_flight_folders();

// A child's result text read back: each line's first word (its tag) and the words after it.
void for_each_tagged_line(const std::string& text, const std::function<void(const std::string& tag, std::istream& words)>& each);

// The job count of a --jobs argument: a whole number from 1 to 64, nothing after it; 0 otherwise.
int parse_jobs(const char* text);
