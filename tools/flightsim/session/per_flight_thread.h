// Where a flight's own objects live: one per thread natively, where the tools fly flights side by
// side, each on a thread of its own. The Windows tools start no thread; there a per-thread object
// with a destructor would bring in the run-time's thread-exit support, which needs Windows XP
// (GetModuleHandleExW), while gaugehost.exe runs on Windows 2000.
#pragma once

#if defined(_WIN32)
#define PER_FLIGHT_THREAD static
#else
#define PER_FLIGHT_THREAD thread_local
#endif
