#pragma once

// A hint that memory is about to be read or written. Machines whose own
// prefetcher does not follow a long sequential pass (some virtual ones
// among them) otherwise wait on memory for most of each record; elsewhere
// the hint costs next to nothing, and compilers without it get none.
inline void PrefetchForRead(const void* address)
{
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(address, 0);
#else
    (void)address;
#endif
}

inline void PrefetchForWrite(const void* address)
{
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(address, 1);
#else
    (void)address;
#endif
}
