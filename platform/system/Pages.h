#pragma once
// Memory taken straight from the system in whole pages and given straight back, for short-lived
// blocks whose release must lower the process's resident memory at once: memory freed to the
// allocator stays resident and counts in the peak.
#include <cstddef>

namespace nulvane {

// `bytes` of zeroed, writable memory aligned for any object. Throws std::bad_alloc.
void* MapPages(std::size_t bytes);
// Gives back a block MapPages returned, with the same size.
void UnmapPages(void* block, std::size_t bytes) noexcept;

// Hands the allocator's free memory back to the system where the allocator can (glibc keeps
// freed memory below the top of its heap resident otherwise), after a large transient job.
void GiveBackFreeMemory() noexcept;

}  // namespace nulvane
