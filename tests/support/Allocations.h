#pragma once
// Heap allocations made through plain operator new in this test program so far, to show that a
// code path does not allocate; and allocations made to fail, to show what a shortage does.
namespace nulvane::test {
long AllocationCount() noexcept;

// From the allocation after the next `count` on, operator new fails (throws std::bad_alloc, or
// returns null where asked not to throw): only that one, or every one after it too until
// StopFailingAllocations(). Any thread's allocations count.
void FailAllocationsAfter(long count, bool persistent) noexcept;
void StopFailingAllocations() noexcept;
}  // namespace nulvane::test
