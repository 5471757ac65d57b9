#pragma once
// The folder walk's queue of folders to list (see DirWalk.h), private to the walk: the walking
// threads take folders from it and queue the subfolders they find, the caller's thread waits on it
// between deliveries, and a stop (a request of the job, or an error) ends the walk for every thread
// as the end of the last folder would.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <mutex>
#include <vector>

#include "platform/files/walk/Nodes.h"

namespace nulvane {
class TLongWork;
}

namespace nulvane::walk {

class TWalkQueue {
public:
    // `work`: the job whose stop request ends the walk (none: nobody's).
    explicit TWalkQueue(TLongWork* work) noexcept : Work_(work) {}

    // Queues the walked folder, the first to list.
    void Start(TNode& root);

    // What Next found: a folder to list, folders listed meanwhile (for the caller's thread when it
    // delivers early), or the end of the walk.
    enum class TNext : std::uint8_t { Task, Listed, End };
    TNext Next(TNode*& node, bool delivers);

    // Queues a folder's subfolders so that the first listed is taken first: one thread then
    // walks in exactly the listing order, and several rarely reach a folder out of it.
    void Push(const std::vector<TNode*>& children);
    // A folder taken from the queue has been listed, with `files` files taken.
    void TaskDone(std::size_t files);

    // How far a walk that delivers as it goes may list ahead of its delivery: once the folders and
    // files listed but not yet delivered number `limit`, the other threads take no new folder, and
    // the caller's thread lists the one the delivery waits for. 0: no limit.
    void LimitAhead(std::size_t limit) noexcept { Limit_ = limit; }
    // The delivery waits for `node` to be listed (none: for nothing).
    void WaitFor(const TNode* node);
    // The delivery passed on `count` folders and files.
    void Delivered(std::size_t count);
    // Ends the walk for every thread, keeping the first error.
    void Stop(std::exception_ptr error) noexcept;
    // Whether the job asked the walk to stop; the first thread to see it stops the others, and
    // the walk ends as it would after the last folder.
    bool StopAsked();

    // After the walk: whether a stop request ended it before it was complete, and the error that
    // stopped it.
    bool StopRequested() const noexcept { return StopRequested_; }
    std::exception_ptr Error() const noexcept { return Error_; }

private:
    TLongWork* const Work_;
    std::mutex Mutex_;
    std::condition_variable Wake_;
    std::vector<TNode*> Stack_;  // folders waiting to be listed, the next one last
    std::size_t Pending_ = 0;    // folders waiting or being listed
    unsigned Waiting_ = 0;       // threads waiting for a folder
    std::condition_variable CallerWake_;  // the caller's thread, when it delivers early
    bool CallerWaiting_ = false;
    bool ListedMeanwhile_ = false;  // a folder was listed since the caller's thread last looked
    std::size_t Limit_ = 0;
    std::size_t Ahead_ = 0;          // folders and files listed, not yet delivered
    const TNode* Wanted_ = nullptr;  // the folder the delivery waits for
    bool Stopped_ = false;
    bool StopRequested_ = false;  // a stop request ended the walk before its end
    std::exception_ptr Error_;
};

}  // namespace nulvane::walk
