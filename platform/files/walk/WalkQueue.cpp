#include "platform/files/walk/WalkQueue.h"

#if defined(__linux__)

#include <algorithm>
#include <iterator>
#include <utility>

#include "platform/system/LongWork.h"

namespace nulvane::walk {

void TWalkQueue::Start(TNode& root) {
    Stack_.push_back(&root);
    Pending_ = 1;
}

TWalkQueue::TNext TWalkQueue::Next(TNode*& node, bool delivers) {
    if (StopAsked()) return TNext::End;
    std::unique_lock lock(Mutex_);
    for (;;) {
        if (Stopped_) return TNext::End;
        const bool ahead = Limit_ && Ahead_ >= Limit_;
        if (!Stack_.empty() && delivers && Limit_ && Wanted_) {
            // The caller's thread lists the folder the delivery waits for first, when it is
            // queued: the delivery then rarely falls behind far enough to hold the others back.
            const auto wanted = std::find(Stack_.rbegin(), Stack_.rend(), Wanted_);
            if (wanted != Stack_.rend()) {
                node = *wanted;
                Stack_.erase(std::next(wanted).base());
                return TNext::Task;
            }
        }
        if (!Stack_.empty() && !ahead) {
            node = Stack_.back();
            Stack_.pop_back();
            return TNext::Task;
        }
        if (!Stack_.empty() && delivers) {
            // Far enough ahead: the caller's thread lists the folder the delivery waits for, unless
            // another thread is listing it already; a folder listed is never waited for, so the
            // walk always goes on.
            const auto wanted = std::find(Stack_.rbegin(), Stack_.rend(), Wanted_);
            if (wanted != Stack_.rend()) {
                node = *wanted;
                Stack_.erase(std::next(wanted).base());
                return TNext::Task;
            }
            if (!Wanted_) {
                node = Stack_.back();
                Stack_.pop_back();
                return TNext::Task;
            }
        }
        if (Pending_ == 0) return TNext::End;
        if (delivers) {
            // Nothing to list: wait for another thread to list a folder, which may let the
            // delivery go on, or to queue subfolders.
            if (std::exchange(ListedMeanwhile_, false)) return TNext::Listed;
            CallerWaiting_ = true;
            CallerWake_.wait(lock);
            CallerWaiting_ = false;
            continue;
        }
        ++Waiting_;
        Wake_.wait(lock);
        --Waiting_;
    }
}

void TWalkQueue::Push(const std::vector<TNode*>& children) {
    std::lock_guard lock(Mutex_);
    Stack_.insert(Stack_.end(), children.rbegin(), children.rend());
    Pending_ += children.size();
    if (Waiting_ > 0) Wake_.notify_all();
    if (CallerWaiting_) CallerWake_.notify_one();
}

void TWalkQueue::TaskDone(std::size_t files) {
    std::lock_guard lock(Mutex_);
    Ahead_ += files + 1;
    if (--Pending_ == 0) Wake_.notify_all();
    ListedMeanwhile_ = true;
    if (CallerWaiting_) CallerWake_.notify_one();
}

void TWalkQueue::WaitFor(const TNode* node) {
    std::lock_guard lock(Mutex_);
    Wanted_ = node;
}

void TWalkQueue::Delivered(std::size_t count) {
    if (count == 0) return;
    std::lock_guard lock(Mutex_);
    const bool wasAhead = Limit_ && Ahead_ >= Limit_;
    Ahead_ -= std::min(count, Ahead_);
    if (wasAhead && Ahead_ < Limit_ && Waiting_ > 0) Wake_.notify_all();
}

void TWalkQueue::Stop(std::exception_ptr error) noexcept {
    std::lock_guard lock(Mutex_);
    if (!Error_) Error_ = std::move(error);
    Stopped_ = true;
    Wake_.notify_all();
    CallerWake_.notify_one();
}

bool TWalkQueue::StopAsked() {
    if (!Work_ || !Work_->StopRequested()) return false;
    std::lock_guard lock(Mutex_);
    if (!Stopped_ && Pending_ > 0) StopRequested_ = true;
    Stopped_ = true;
    Wake_.notify_all();
    CallerWake_.notify_one();
    return true;
}

}  // namespace nulvane::walk

#endif  // __linux__
