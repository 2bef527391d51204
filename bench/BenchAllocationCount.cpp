// Replacement of the global operator new that counts calls (kept apart from the benchmarks so that
// the compiler sees no mismatched pairs when it inlines allocators).
#include "BenchAllocationCount.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<std::size_t> g_nAllocations{0};
} // namespace

std::size_t BenchAllocationCount() { return g_nAllocations.load(std::memory_order_relaxed); }

void* operator new(std::size_t size)
{
    g_nAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
