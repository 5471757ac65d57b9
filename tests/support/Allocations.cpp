#include "support/Allocations.h"

#include <atomic>
#include <cstdlib>
#include <new>

// Every form of plain new and delete is replaced, so that each pair stays malloc and free (GCC
// takes that pair for a mismatch) and sanitizer builds see them paired.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
namespace {
std::atomic<long> Allocations{0};
std::atomic<long> Countdown{-1};  // allocations left before one fails; negative: none fails
std::atomic<bool> Persists{false}, Exhausted{false};
void* CountedAllocation(std::size_t size) noexcept {
    Allocations.fetch_add(1, std::memory_order_relaxed);
    if (Exhausted.load(std::memory_order_relaxed)) return nullptr;
    if (Countdown.load(std::memory_order_relaxed) >= 0 && Countdown.fetch_sub(1) == 0) {
        if (Persists.load()) Exhausted.store(true);
        return nullptr;
    }
    return std::malloc(size == 0 ? 1 : size);
}
}  // namespace

long nulvane::test::AllocationCount() noexcept { return Allocations.load(); }

void nulvane::test::FailAllocationsAfter(long count, bool persistent) noexcept {
    Persists.store(persistent);
    Countdown.store(count);
}

void nulvane::test::StopFailingAllocations() noexcept {
    Countdown.store(-1);
    Exhausted.store(false);
}

void* operator new(std::size_t size) {
    if (void* p = CountedAllocation(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return CountedAllocation(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return CountedAllocation(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
