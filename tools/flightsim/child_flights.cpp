#include "tools/flightsim/child_flights.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <sstream>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The process that first ran flights (the command itself): only it answers an interrupt, and
// every flight folder of the run carries its number.
pid_t root_process = 0;
volatile sig_atomic_t interrupted_by = 0;

void note_interrupt(int signal)
{
    interrupted_by = signal;
}

const int interrupting_signals[] = {SIGINT, SIGTERM, SIGHUP};

void answer_interrupts()
{
    struct sigaction action {};
    action.sa_handler = note_interrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no restart: the wait for the children returns at once
    for (int signal : interrupting_signals) sigaction(signal, &action, nullptr);
}

struct running_child {
    pid_t pid;
    int fd;
    size_t task;
    std::string text;
};

void write_all(int fd, const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

// In the child: runs the task, writes "ok\n" or "error\n" and the text, and ends without running
// the parent's exit handlers or flushing its copied buffers.
[[noreturn]] void child_main(const std::function<std::string()>& task, int fd)
{
    if (std::getenv("FLIGHTSIM_CHILD_STDERR") == nullptr) {
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) dup2(null, 2);
    }
    std::string out;
    try {
        out = "ok\n" + task();
    } catch (const std::exception& error) {
        out = std::string("error\n") + error.what();
    } catch (...) {
        out = "error\nunknown failure";
    }
    write_all(fd, out);
    close(fd);
    _exit(0);
}

// Ends every flight of the run (each root child with its group: the flights it started itself
// too), removes every folder they made and ends this process by the signal it was sent.
[[noreturn]] void end_interrupted(const std::vector<running_child>& running)
{
    for (const running_child& child : running) kill(-child.pid, SIGKILL);
    for (const running_child& child : running)
        while (waitpid(child.pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    remove_flight_folders();
    const int signal = interrupted_by;
    std::signal(signal, SIG_DFL);
    raise(signal);
    _exit(128 + signal);
}

}  // namespace

std::string flight_folder_name(const std::string& kind)
{
    std::string name = "flightsim-";
    name += kind;
    name += '-';
    name += std::to_string(root_process != 0 ? root_process : getpid());
    name += '-';
    name += std::to_string(getpid());
    return name;
}

void remove_flight_folders()
{
    namespace fs = std::filesystem;
    std::string run = std::to_string(root_process != 0 ? root_process : getpid());
    run.insert(run.begin(), '-');
    run.push_back('-');
    std::error_code error;
    for (fs::directory_iterator it(fs::temp_directory_path(error), error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.rfind("flightsim-", 0) == 0 && name.find(run) != std::string::npos) {
            std::error_code ignored;
            fs::remove_all(it->path(), ignored);
        }
    }
}

std::vector<child_result> run_in_children(const std::vector<std::function<std::string()>>& tasks, int jobs)
{
    std::vector<child_result> results(tasks.size());
    std::vector<running_child> running;
    size_t next = 0;
    if (jobs < 1) jobs = 1;
    if (root_process == 0) {
        root_process = getpid();
        answer_interrupts();
    }
    const bool root = root_process == getpid();
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    while (next < tasks.size() || !running.empty()) {
        while (next < tasks.size() && static_cast<int>(running.size()) < jobs) {
            int pipe_fds[2];
            if (pipe(pipe_fds) != 0) {
                results[next] = {false, "cannot make a pipe"};
                ++next;
                continue;
            }
            const pid_t pid = fork();
            if (pid == 0) {
                if (root) setpgid(0, 0);  // a group of its own, ended whole on an interrupt
                close(pipe_fds[0]);
                for (const running_child& other : running) close(other.fd);
                child_main(tasks[next], pipe_fds[1]);
            }
            close(pipe_fds[1]);
            if (pid < 0) {
                close(pipe_fds[0]);
                results[next] = {false, "cannot start a child process"};
                ++next;
                continue;
            }
            if (root) setpgid(pid, pid);  // also here: whichever runs first
            running.push_back({pid, pipe_fds[0], next, {}});
            ++next;
        }
        if (root && interrupted_by != 0) end_interrupted(running);
        std::vector<pollfd> fds;
        for (const running_child& child : running) fds.push_back({child.fd, POLLIN, 0});
        if (poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (size_t i = fds.size(); i-- > 0;) {
            if (fds[i].revents == 0) continue;
            running_child& child = running[i];
            char buffer[65536];
            const ssize_t n = read(child.fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n > 0) {
                child.text.append(buffer, static_cast<size_t>(n));
                continue;
            }
            close(child.fd);
            int status = 0;
            while (waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
            }
            child_result& result = results[child.task];
            if (child.text.rfind("ok\n", 0) == 0) {
                result = {true, child.text.substr(3)};
            } else if (child.text.rfind("error\n", 0) == 0) {
                result = {false, child.text.substr(6)};
            } else if (WIFSIGNALED(status)) {
                result = {false, "the flight's process ended by signal " + std::to_string(WTERMSIG(status))};
            } else {
                result = {false, "the flight's process ended with status " + std::to_string(WEXITSTATUS(status))};
            }
            running.erase(running.begin() + static_cast<long>(i));
        }
    }
    if (root && interrupted_by != 0) end_interrupted(running);
    return results;
}

int parse_jobs(const char* text)
{
    char* end = nullptr;
    const long jobs = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && jobs >= 1 && jobs <= 64 ? static_cast<int>(jobs) : 0;
}

void for_each_tagged_line(const std::string& text, const std::function<void(const std::string& tag, std::istream& words)>& each)
{
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string tag;
        words >> tag;
        each(tag, words);
    }
}
