#include "platform/files/DirWalk.h"

// The Linux walk: getdents64 and statx. A Windows build brings its own, on FindFirstFileEx.
#if defined(__linux__)

#include <algorithm>
#include <exception>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/files/walk/Delivery.h"
#include "platform/files/walk/FolderCache.h"
#include "platform/files/walk/FolderLister.h"
#include "platform/files/walk/FolderOpener.h"
#include "platform/files/walk/Nodes.h"
#include "platform/files/walk/WalkQueue.h"

namespace nulvane {
namespace {

using namespace walk;

// One walk: its threads take folders from the queue and list them, opening each from its nearest
// open ancestor and keeping folders open for their subfolders; the caller's thread is one of them
// and hands the files over in order, as it goes or once the walk is over. The parts live in walk/:
// the tree of nodes and their pool (Nodes.h), the descriptor cache (FolderCache), how a folder is
// opened (FolderOpener), how one is listed (FolderLister), the queue (WalkQueue) and the ordered
// delivery (Delivery).
class TWalker {
public:
    TWalker(TWalkVisitor& visitor, const TWalkOptions& options)
        : Visitor_(visitor), Queue_(options.Work), Opener_(Tree_, options, Cache_, Queue_),
          Lister_(Tree_, visitor, options, Opener_, Cache_, Queue_, RealPaths_),
          Delivery_(Tree_, visitor, options, Cache_, Queue_, RealPaths_), Options_(options) {}

    // False when a stop request ended the walk early.
    bool Run(const std::string& folder, unsigned threads) {
        Early_ = Visitor_.WantsEarlyDelivery();
        if (Early_) Queue_.LimitAhead(Options_.AheadLimit);
        States_.resize(threads);
        for (auto& state : States_) state = std::make_unique<TThreadState>();
        Tree_.RootPath = folder;
        Queue_.Start(Tree_.Root);
        {
            std::vector<std::jthread> helpers;
            for (unsigned i = 1; i < threads; ++i) {
                try {
                    helpers.emplace_back([this, i] { Work(*States_[i], false); });
                } catch (const std::system_error&) {
                    break;  // fewer threads walk; the result is the same
                } catch (const std::bad_alloc&) {
                    break;
                }
            }
            Work(*States_[0], true);
        }
        if (!Delivery_.Failed()) Delivery_.DeliverSafely(true);
        if (Lister_.RootInTrash() && Options_.OnInTrash) Options_.OnInTrash(Tree_.RootPath);
        if (Queue_.Error()) std::rethrow_exception(Queue_.Error());
        return !Queue_.StopRequested();
    }

private:
    void Work(TThreadState& state, bool caller) noexcept {
        const bool delivers = caller && Early_;
        try {
            TScratch scratch;
            TNode* node = nullptr;
            for (;;) {
                if (delivers && !Delivery_.Failed()) Delivery_.DeliverSafely(false);
                const TWalkQueue::TNext next = Queue_.Next(node, delivers);
                if (next == TWalkQueue::TNext::End) break;
                if (next == TWalkQueue::TNext::Listed) continue;
                try {
                    Lister_.ListFolder(*node, state, scratch);
                } catch (...) {
                    Queue_.Stop(std::current_exception());
                }
                const std::size_t files = node->Count;
                node->Listed.store(true, std::memory_order_release);
                Queue_.TaskDone(files);
            }
        } catch (...) {
            Queue_.Stop(std::current_exception());
        }
    }

    TWalkVisitor& Visitor_;
    // The tree outlives the cache, which closes what is still held in its nodes when it goes.
    TWalkTree Tree_;
    TRealPaths RealPaths_;
    TFolderCache Cache_;
    TWalkQueue Queue_;
    TFolderOpener Opener_;
    TFolderLister Lister_;
    TDelivery Delivery_;
    const TWalkOptions& Options_;
    bool Early_ = false;  // the visitor takes deliveries while the walk goes on
    std::vector<std::unique_ptr<TThreadState>> States_;
};

unsigned DefaultThreads() noexcept {
    return std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
}

}  // namespace

bool WalkFolder(const std::string& folder, TWalkVisitor& visitor, const TWalkOptions& options) {
    TWalker walker(visitor, options);
    return walker.Run(folder, options.Threads ? options.Threads : DefaultThreads());
}

}  // namespace nulvane

#endif  // __linux__
