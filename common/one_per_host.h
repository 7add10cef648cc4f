// Where the records at the host's edge live. The host's callbacks carry no context, so each such
// record (the autopilot, the host-variable slots, the import table and the linkage) exists once
// per host: in the module file once per process, as the simulator loads it once and calls it
// from one thread; in the linked build once per thread, so that a tool can fly several flights in
// one process, each on a thread of its own, each starting from the records as the module loads.
// Every such record is initialized constant (constinit, on its declarations too): the module file
// has no start-up code, and the linked build reaches a record of another file directly, through
// no per-thread initializer.
#pragma once

#if defined(BRASK_MODULE_FILE_BUILD)
#define ONE_PER_HOST constinit
#else
#define ONE_PER_HOST constinit thread_local
#endif
