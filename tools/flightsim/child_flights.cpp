#include "tools/flightsim/child_flights.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <sstream>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

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

}  // namespace

std::vector<child_result> run_in_children(const std::vector<std::function<std::string()>>& tasks, int jobs)
{
    std::vector<child_result> results(tasks.size());
    std::vector<running_child> running;
    size_t next = 0;
    if (jobs < 1) jobs = 1;
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
            running.push_back({pid, pipe_fds[0], next, {}});
            ++next;
        }
        std::vector<pollfd> fds;
        for (const running_child& child : running) fds.push_back({child.fd, POLLIN, 0});
        if (poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) break;
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
