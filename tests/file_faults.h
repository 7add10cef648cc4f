// Faults of the file system that the configuration file must survive, for the tests.
#pragma once

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

// Ends the test with a message when it is still running after `seconds`: a file open that
// waits for ever (a FIFO in place of the file) fails the test instead of hanging the suite.
class hang_guard {
public:
    explicit hang_guard(unsigned seconds)
    {
        std::signal(SIGALRM, [](int) {
            const char message[] = "\nhung: a file access never returned\n";
            (void)!::write(2, message, sizeof message - 1);
            ::_exit(1);
        });
        ::alarm(seconds);
    }
    ~hang_guard()
    {
        ::alarm(0);
        std::signal(SIGALRM, SIG_DFL);
    }
    hang_guard(const hang_guard&) = delete;
    hang_guard& operator=(const hang_guard&) = delete;
};

// A full disk, as the process sees it: no file may grow beyond `bytes` (the write fails with
// EFBIG instead of raising SIGXFSZ). This holds for the superuser too.
class disk_full_beyond {
public:
    explicit disk_full_beyond(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &old_limit);
        old_handler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, old_limit.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~disk_full_beyond()
    {
        ::setrlimit(RLIMIT_FSIZE, &old_limit);
        std::signal(SIGXFSZ, old_handler);
    }
    disk_full_beyond(const disk_full_beyond&) = delete;
    disk_full_beyond& operator=(const disk_full_beyond&) = delete;

private:
    rlimit old_limit{};
    void (*old_handler)(int) = nullptr;
};
