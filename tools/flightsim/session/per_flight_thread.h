// Where a flight's own objects live: one per flight thread in the linked build (natively, and in
// the pilot's 64-bit Windows tools), where the tools fly flights side by side, each on a thread
// of its own; one per process in the module file's 32-bit build, whose tools start no thread.
//
// Each object is made on its thread's first use and destroyed when the flight's scope ends (a
// flight_thread_scope, which run_flights opens around each flight), or, on a thread with no
// scope open (a tool's own), when the process ends. They are not thread_local objects: mingw-w64's
// run-time frees a thread's thread_local storage before it runs their destructors, and in the
// module file's build a per-thread object with a destructor would bring in the run-time's
// thread-exit support, which needs Windows XP (GetModuleHandleExW), while gaugehost.exe runs on
// Windows 2000.
#pragma once

#include <vector>

#if defined(BRASK_MODULE_FILE_BUILD)
#define PER_FLIGHT_THREAD static
#else
#define PER_FLIGHT_THREAD thread_local
#endif

class flight_thread_scope {
public:
    flight_thread_scope();
    ~flight_thread_scope();
    flight_thread_scope(const flight_thread_scope&) = delete;
    flight_thread_scope& operator=(const flight_thread_scope&) = delete;

    // This thread's open scope, or the process's.
    static flight_thread_scope& current();
    // The object in *slot is destroyed with the scope, and the slot emptied.
    void adopt(void** slot, void (*destroy)(void*));

private:
    struct process_tag {};
    explicit flight_thread_scope(process_tag);

    struct owned {
        void** slot;
        void* object;
        void (*destroy)(void*);
    };
    std::vector<owned> owned_;
    flight_thread_scope* enclosing_ = nullptr;
    bool per_thread_ = true;
};

// This flight thread's T, made on first use.
template <class T>
T& per_flight_thread_object()
{
    PER_FLIGHT_THREAD void* object = nullptr;  // a pointer, which nothing destroys at thread exit
    if (object == nullptr) {
        object = new T();
        flight_thread_scope::current().adopt(&object, [](void* made) { delete static_cast<T*>(made); });
    }
    return *static_cast<T*>(object);
}
