#pragma once
// What a long job (a scan, a deletion, an export) shares with whoever waits for it: a stop
// request that the job looks at between two units of work (a folder read, a file deleted, a row
// written), and counts that it keeps up to date for a progress display.
//
// The job writes the counts with relaxed atomic stores, a walking thread once per folder rather
// than once per file, and never under a lock; a display reads them a few times a second and may
// see them a moment late, never torn. A stop request is only a request: the job finishes the
// system call under way, keeps what it has done and returns normally; the caller asks
// StopRequested() afterwards to tell a stopped job from a finished one.
//
// Whoever runs long work owns its job (the window's runner, the command line's signal handling, a
// test) and passes it down to everything that works for it; nothing looks a job up. A fresh job
// per run keeps one run's stop request from reaching the next.
#include <atomic>
#include <cstdint>

namespace nulvane {

class TLongWork {
public:
    TLongWork() noexcept = default;
    TLongWork(const TLongWork&) = delete;
    TLongWork& operator=(const TLongWork&) = delete;

    // Safe from any thread and from a signal handler.
    void RequestStop() noexcept { Stop_.store(true, std::memory_order_relaxed); }
    bool StopRequested() const noexcept { return Stop_.load(std::memory_order_relaxed); }

    // Scan: folders read and empty files found so far.
    std::atomic<std::uint64_t> Folders{0};
    std::atomic<std::uint64_t> Found{0};
    // Deletion and export: units done out of the total ("N of M"); Total 0 while unknown.
    std::atomic<std::uint64_t> Done{0};
    std::atomic<std::uint64_t> Total{0};
    // What Done counts, said after "N of M" by a progress display ("put back"); null: nothing.
    // A text that lives as long as the program.
    std::atomic<const char*> DoneText{nullptr};

    // Adds to a count without a read-modify-write on the shared line: only one thread may write
    // the count this way (a job's own thread; walking threads use fetch_add once per folder).
    static void Add(std::atomic<std::uint64_t>& count, std::uint64_t n) noexcept {
        count.store(count.load(std::memory_order_relaxed) + n, std::memory_order_relaxed);
    }

private:
    std::atomic<bool> Stop_{false};
    static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler must be able to request a stop");
};

}  // namespace nulvane
