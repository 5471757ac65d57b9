#pragma once
// How the folder walk hands its files over in order (see DirWalk.h), private to the walk, on the
// caller's thread: depth-first listing order, a folder's files and subfolders in listing order,
// each folder once, under the first path that reaches it in that order; folders unread or given
// up are told at their place in that order, and each anchor before the items listed under it.
// Delivery goes as far as the folders listed so far allow (all of them once the walk is over) and
// takes up again where it stopped; a folder's node goes back to the pool once everything under it
// is delivered.
#include <cstddef>
#include <string>
#include <vector>

#include "platform/files/DirWalk.h"
#include "platform/files/walk/FolderCache.h"
#include "platform/files/walk/Nodes.h"
#include "platform/files/walk/WalkQueue.h"

namespace nulvane::walk {

class TDelivery {
public:
    TDelivery(TWalkTree& tree, TWalkVisitor& visitor, const TWalkOptions& options, TFolderCache& cache,
              TWalkQueue& queue, TRealPaths& realPaths) noexcept
        : Tree_(tree), Visitor_(visitor), Options_(options), Cache_(cache), Queue_(queue), RealPaths_(realPaths) {}

    // Delivers what is ready: everything when `final` (the walk is over). An error of the visitor
    // ends the delivery and stops the walk; it is rethrown when the walk ends.
    void DeliverSafely(bool final) noexcept;
    // Whether an error of the visitor ended the delivery: nothing more is delivered.
    bool Failed() const noexcept { return Failed_; }

private:
    // One folder being delivered: the node that listed it and what of it is delivered so far.
    struct TFrame {
        TNode* Node;
        TNode* NextChild;           // of Node, the next subfolder to enter
        std::size_t Delivered;      // of Node's files
        std::size_t PathLength;     // of the path the folder is listed under, in ListedPath_
        std::size_t Anchor;
        bool Relocated;             // listed under another path than the node's own
        bool Candidate;             // may be offered as an empty folder
        bool Empty;                 // every subfolder entered so far counted as empty
    };

    static bool Ready(const TNode& entry) noexcept;
    void DeliverReady(bool final);
    void Enter(TNode& entry, std::size_t parentAnchor, bool parentRelocated);
    void DeliverUpTo(TFrame& frame, std::size_t position);
    void GiveBackSubfolders(TNode& node) noexcept;
    bool EndFolder(const TFrame& frame, const TFrame* parent);

    TWalkTree& Tree_;
    TWalkVisitor& Visitor_;
    const TWalkOptions& Options_;
    TFolderCache& Cache_;
    TWalkQueue& Queue_;
    TRealPaths& RealPaths_;

    bool Started_ = false;
    bool Failed_ = false;
    std::vector<TFrame> Frames_;
    std::string ListedPath_;  // of the innermost folder being delivered
    std::string OwnPath_;
    std::size_t AnchorCount_ = 0;
    std::size_t Passed_ = 0;  // folders and files delivered, not yet told to the queue
};

}  // namespace nulvane::walk
