#ifndef ORVALIS_THREADPRIORITY_H
#define ORVALIS_THREADPRIORITY_H

#ifdef __linux__
#include <sys/resource.h>
#include <unistd.h>
#endif

// Lowers the calling thread's priority. Threads inherit their creator's
// niceness: an engine's workers started from here then leave the GUI thread
// the processor whenever it wants it, and take all of it otherwise.
inline void lowerThreadPriority()
{
#ifdef __linux__
    setpriority(PRIO_PROCESS, id_t(gettid()), 10);
#endif
}

#endif
