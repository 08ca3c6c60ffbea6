#ifndef ORVALIS_FREEDMEMORY_H
#define ORVALIS_FREEDMEMORY_H

#ifdef __GLIBC__
#include <malloc.h>
#endif

// A map's level, its image and a pan's pixels are megabytes each, made and
// freed at every level. Handed back to the system when freed, their pages
// fault in again for the next one, which costs more than painting them (a
// pan's first picture took 32 ms, 3 ms with this). The allocator keeps up
// to 128 MiB of freed memory instead, and serves blocks up to 32 MiB from
// it; larger ones (an export's) still go back at once.
inline void keepFreedMemory()
{
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
#endif
}

#endif
