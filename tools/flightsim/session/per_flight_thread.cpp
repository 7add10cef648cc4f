#include "tools/flightsim/session/per_flight_thread.h"

namespace {
PER_FLIGHT_THREAD flight_thread_scope* open_scope = nullptr;
}  // namespace

flight_thread_scope::flight_thread_scope() : enclosing_(open_scope)
{
    open_scope = this;
}

flight_thread_scope::flight_thread_scope(process_tag) : per_thread_(false) {}

flight_thread_scope::~flight_thread_scope()
{
    for (auto it = owned_.rbegin(); it != owned_.rend(); ++it) {
        it->destroy(it->object);
        // The process's scope ends with the process: its threads' slots are not written then.
        if (per_thread_) *it->slot = nullptr;
    }
    if (per_thread_) open_scope = enclosing_;
}

flight_thread_scope& flight_thread_scope::current()
{
    if (open_scope != nullptr) return *open_scope;
    static flight_thread_scope process{process_tag{}};
    return process;
}

void flight_thread_scope::adopt(void** slot, void (*destroy)(void*))
{
    owned_.push_back({slot, *slot, destroy});
}
