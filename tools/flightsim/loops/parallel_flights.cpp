#include "tools/flightsim/loops/parallel_flights.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <sstream>
#include <system_error>
#include <thread>
#include <utility>

#include <unistd.h>

#include "tools/flightsim/session/flight_session.h"
#include "tools/flightsim/session/per_flight_thread.h"

namespace {

namespace fs = std::filesystem;

constexpr auto interrupt_poll = std::chrono::milliseconds(100);

// The thread that first ran flights (the command's own): only it answers an interrupt.
std::once_flag interrupts_answered;
std::thread::id root_thread;
volatile std::sig_atomic_t interrupted_by = 0;

void note_interrupt(int signal)
{
    interrupted_by = signal;
}

void answer_interrupts()
{
    root_thread = std::this_thread::get_id();
#ifdef _WIN32
    // Windows' C library delivers Ctrl+C as SIGINT and Ctrl+Break as SIGBREAK.
    for (int signal : {SIGINT, SIGTERM, SIGBREAK}) std::signal(signal, note_interrupt);
#else
    struct sigaction action {};
    action.sa_handler = note_interrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
#endif
}

// Folders are made under this lock, and once the run is interrupted never again: the lock is
// then held until the process ends.
std::mutex folders_lock;

// Built by appending: GCC 12 at -O3 misreports a concatenation of temporaries (-Wrestrict).
std::string run_mark()
{
    std::string mark = "-";
    mark += std::to_string(getpid());
    mark += '-';
    return mark;
}

// Removes every flight folder of this run. Each is first renamed out of the flights' way, so
// that no flight still running can write into it while it is removed.
void remove_flight_folders()
{
    std::error_code error;
    const fs::path temporary = fs::temp_directory_path(error);
    std::vector<fs::path> folders;
    for (fs::directory_iterator it(temporary, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.rfind("flightsim-", 0) == 0 && name.find(run_mark()) != std::string::npos) folders.push_back(it->path());
    }
    for (const fs::path& folder : folders) {
        std::error_code ignored;
        std::string name = "removed-";
        name += folder.filename().string();
        const fs::path removed = temporary / name;
        fs::rename(folder, removed, ignored);
        fs::remove_all(ignored ? folder : removed, ignored);
    }
}

// Removes every folder the run's flights made and ends this process by the signal it was sent.
[[noreturn]] void end_interrupted()
{
    folders_lock.lock();
    remove_flight_folders();
    const int signal = interrupted_by;
    std::signal(signal, SIG_DFL);
    raise(signal);
    _exit(128 + signal);
}

flight_result run_one(const std::function<std::string()>& task)
{
    flight_thread_scope flight_objects;  // the flight's own objects end with it, before the thread
    if (std::getenv("FLIGHTSIM_CHILD_STDERR") == nullptr) quieten_flights_on_this_thread();
    try {
        return {true, task()};
    } catch (const std::exception& error) {
        return {false, error.what()};
    } catch (...) {
        return {false, "unknown failure"};
    }
}

}  // namespace

fs::path make_flight_folder(const std::string& kind)
{
    static std::atomic<unsigned> flights{0};
    std::string name = "flightsim-";
    name += kind;
    name += run_mark();
    name += std::to_string(++flights);
    const fs::path path = fs::temp_directory_path() / name;
    const std::lock_guard<std::mutex> held(folders_lock);
    fs::create_directories(path);
    return path;
}

std::vector<flight_result> run_flights(const std::vector<std::function<std::string()>>& tasks, int jobs)
{
    std::call_once(interrupts_answered, answer_interrupts);
    const bool root = root_thread == std::this_thread::get_id();
    if (root && interrupted_by != 0) end_interrupted();
    if (jobs < 1) jobs = 1;
    std::vector<flight_result> results(tasks.size());
    std::vector<std::thread> threads;
    std::mutex lock;
    std::condition_variable finished;
    int running = 0;
    const auto wait_until_at_most = [&](int most) {
        std::unique_lock<std::mutex> held(lock);
        while (running > most) {
            finished.wait_for(held, interrupt_poll);
            if (root && interrupted_by != 0) end_interrupted();
        }
    };
    for (size_t next = 0; next < tasks.size(); ++next) {
        wait_until_at_most(jobs - 1);
        {
            const std::lock_guard<std::mutex> held(lock);
            ++running;
        }
        try {
            threads.emplace_back([&, next]() {
                flight_result result = run_one(tasks[next]);
                const std::lock_guard<std::mutex> held(lock);
                results[next] = std::move(result);
                --running;
                finished.notify_all();
            });
        } catch (const std::system_error& error) {
            const std::lock_guard<std::mutex> held(lock);
            results[next] = {false, std::string("cannot start a thread for the flight: ") + error.what()};
            --running;
        }
    }
    wait_until_at_most(0);
    for (std::thread& thread : threads) thread.join();
    if (root && interrupted_by != 0) end_interrupted();
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
