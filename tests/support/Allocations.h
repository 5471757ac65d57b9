#pragma once
// Heap allocations made through plain operator new in this test program so far, to show that a
// code path does not allocate.
namespace nulvane::test {
long AllocationCount() noexcept;
}  // namespace nulvane::test
