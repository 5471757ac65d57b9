#include "platform/system/Pages.h"

#include <new>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#if defined(_WIN32)
#include <windows.h>
#elif defined(__unix__) || defined(__APPLE__)
#include <sys/mman.h>
#else
#include <cstdlib>
#endif

namespace nulvane {

void* MapPages(std::size_t bytes) {
#if defined(_WIN32)
    void* block = VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!block) throw std::bad_alloc();
    return block;
#elif defined(__unix__) || defined(__APPLE__)
    void* block = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) throw std::bad_alloc();
    return block;
#else
    void* block = std::calloc(1, bytes);
    if (!block) throw std::bad_alloc();
    return block;
#endif
}

void UnmapPages(void* block, std::size_t bytes) noexcept {
    if (!block) return;
#if defined(_WIN32)
    (void)bytes;
    VirtualFree(block, 0, MEM_RELEASE);
#elif defined(__unix__) || defined(__APPLE__)
    ::munmap(block, bytes);
#else
    (void)bytes;
    std::free(block);
#endif
}

void GiveBackFreeMemory() noexcept {
#if defined(__GLIBC__)
    ::malloc_trim(0);
#endif
}

}  // namespace nulvane
