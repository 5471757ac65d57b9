#pragma once
// One line on standard error, while it is a terminal, that says how far the long job is: the
// folders read and empty files found while scanning, "N of M" while deleting or exporting. A
// thread of its own rewrites it at most four times a second from the counts the job keeps; it is
// erased before anything else is printed to the terminal (Erased) and when it stops.
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/system/LongWork.h"

namespace nulvane {

enum class TProgressStage { Scanning, Sorting, Exporting, Deleting, PuttingBack };

// The line shown for the counts, without any terminal control: "12,345 folders read, 3 empty
// files found", "deleting: 1,200 of 5,000 files".
std::string ProgressLine(TProgressStage stage, std::uint64_t folders, std::uint64_t found, std::uint64_t done,
                         std::uint64_t total);

class TProgress {
public:
    // `fd` is where the line goes (standard error); nothing is ever written when `enabled` is
    // false, so a disabled display costs the job nothing.
    TProgress(const TLongWork& work, int fd, bool enabled);
    ~TProgress();
    TProgress(const TProgress&) = delete;
    TProgress& operator=(const TProgress&) = delete;

    // Shows the stage from now on (starting the display's thread the first time).
    void Show(TProgressStage stage);
    // Erases the line and shows nothing until the next Show.
    void Hide();
    // Runs `print` (which writes to the terminal) with the line erased; it comes back at the
    // next tick. Safe from any thread.
    void Erased(const std::function<void()>& print);

private:
    void Run();
    void EraseLocked();

    const TLongWork& Work_;
    const int Fd_;
    const bool Enabled_;
    std::mutex Mutex_;
    std::condition_variable Wake_;
    bool Showing_ = false;
    bool Drawn_ = false;
    bool Ending_ = false;
    TProgressStage Stage_ = TProgressStage::Scanning;
    std::thread Thread_;
};

}  // namespace nulvane
