#include "platform/files/walk/Delivery.h"

#if defined(__linux__)

#include <atomic>
#include <exception>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "platform/files/trash/TrashFolders.h"

namespace nulvane::walk {

void TDelivery::DeliverSafely(bool final) noexcept {
    try {
        DeliverReady(final);
        Queue_.Delivered(std::exchange(Passed_, 0));
        if (!final) Visitor_.DeliveryPaused();
    } catch (...) {
        Failed_ = true;
        Queue_.Stop(std::current_exception());
    }
}

// Whether a subfolder's delivery can go on: its node is listed, and so is the node that lists
// its folder when another does.
bool TDelivery::Ready(const TNode& entry) noexcept {
    if (!entry.Listed.load(std::memory_order_acquire)) return false;
    const TClaim* claim = entry.Claim;
    return !claim || claim->Delivered() || claim->Walker()->Listed.load(std::memory_order_acquire);
}

void TDelivery::DeliverReady(bool final) {
    if (!Started_) {
        if (!final && !Ready(Tree_.Root)) {
            Queue_.WaitFor(&Tree_.Root);
            return;
        }
        Started_ = true;
        ListedPath_ = Tree_.RootPath;
        Enter(Tree_.Root, TWalkAnchor::None, false);
    }
    while (!Frames_.empty()) {
        TFrame& frame = Frames_.back();
        ListedPath_.resize(frame.PathLength);
        if (TNode* child = frame.NextChild) {
            DeliverUpTo(frame, child->Position);
            if (!final && !Ready(*child)) {
                // The folder itself, or the one that lists it for another path, is being listed.
                const TClaim* claim = child->Listed.load(std::memory_order_acquire) ? child->Claim : nullptr;
                Queue_.WaitFor(claim && claim->Walker() ? claim->Walker() : child);
                return;
            }
            frame.NextChild = child->NextSibling;
            ListedPath_.append(child->NameView()) += '/';
            const std::size_t depth = Frames_.size();
            Enter(*child, frame.Anchor, frame.Relocated);  // `frame` is not used past this point
            // A subfolder not entered (unread, given up, passed by) may hold anything.
            if (Frames_.size() == depth) Frames_.back().Empty = false;
            continue;
        }
        DeliverUpTo(frame, frame.Node->Count);
        TNode* const done = frame.Node;
        if (Visitor_.WantsFolders() &&
            !EndFolder(frame, Frames_.size() > 1 ? &Frames_[Frames_.size() - 2] : nullptr) && Frames_.size() > 1)
            Frames_[Frames_.size() - 2].Empty = false;
        Frames_.pop_back();
        GiveBackSubfolders(*done);
    }
    Queue_.WaitFor(nullptr);
}

// Starts delivering the folder `entry` reached (its path is in ListedPath_), or tells why
// there is nothing to deliver.
void TDelivery::Enter(TNode& entry, std::size_t parentAnchor, bool parentRelocated) {
    ++Passed_;
    const auto tell = [this](const auto& handler, int error) {
        if (handler) handler(ListedPath_, error);
    };
    if (entry.GivenUp) {
        tell(Options_.OnGivenUp, entry.GivenUp);
        return;
    }
    std::string realPath;
    if (!entry.Parent || entry.ThroughLink) realPath = RealPaths_.Take(entry);
    TClaim* const claim = entry.Claim;
    if (!claim) {
        if (entry.Unreadable) tell(Options_.OnUnreadable, entry.Unreadable);
        return;
    }
    if (claim->Delivered()) return;
    claim->SetDelivered();
    TNode& walker = *claim->Walker();
    if (walker.Unreadable) tell(Options_.OnUnreadable, walker.Unreadable);
    std::size_t anchor = parentAnchor;
    if (!entry.Parent || entry.ThroughLink) {
        Visitor_.AddAnchor({.Path = ListedPath_,
                            .RealPath = realPath,
                            .Parent = entry.Parent ? parentAnchor : TWalkAnchor::None,
                            .Device = walker.Identity.Device,
                            .Inode = walker.Identity.Inode});
        anchor = AnchorCount_++;
    }
    const bool relocated = parentRelocated || &entry != &walker;
    Frames_.push_back({&walker, walker.FirstChild, 0, ListedPath_.size(), anchor, relocated,
                       entry.Parent && !entry.ThroughLink && !relocated, true});
}

void TDelivery::DeliverUpTo(TFrame& frame, std::size_t position) {
    if (position <= frame.Delivered) return;
    const TNode& node = *frame.Node;
    const std::size_t first = node.First + frame.Delivered, last = node.First + position;
    const TWalkFolder folder{.Path = ListedPath_, .Anchor = frame.Anchor, .InRepository = node.InRepository};
    if (frame.Relocated) {
        Tree_.ComposePath(node, OwnPath_);
        if (OwnPath_ != ListedPath_) Visitor_.Relocate(*node.Items, first, last, OwnPath_, ListedPath_);
    }
    Visitor_.Deliver(*node.Items, first, last, folder);
    Passed_ += position - frame.Delivered;
    frame.Delivered = position;
}

// Tells the visitor of a delivered folder (its path is in ListedPath_), with its stat when it may
// count as empty: the folder is looked at once more where it is listed, so that one replaced since
// it was read, or a mount point, is never offered. Returns whether the visitor counted it as empty.
bool TDelivery::EndFolder(const TFrame& frame, const TFrame* parent) {
    const TNode& node = *frame.Node;
    TFileStat stat;
    bool empty = frame.Candidate && frame.Empty && !node.HoldsMore && !node.Unreadable && parent;
    if (empty) {
        struct statx sx;
        constexpr unsigned mask =
            STATX_TYPE | STATX_INO | STATX_ATIME | STATX_MTIME | STATX_CTIME | STATX_BTIME | STATX_UID | STATX_GID;
        // However long the path: an empty chain of folders of any depth is listed.
        const TLongPath listed(ListedPath_);
        empty = listed.At() != -1 &&
                ::statx(listed.At(), listed.Rest(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, mask, &sx) == 0 &&
                S_ISDIR(sx.stx_mode) && IdentityOf(sx) == node.Identity &&
                node.Identity.Device == parent->Node->Identity.Device &&
                !((sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) && (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT));
        if (empty) {
            const auto time = [](const struct statx_timestamp& t) { return TFileTime{t.tv_sec, t.tv_nsec}; };
            stat.Device = node.Identity.Device;
            stat.Inode = node.Identity.Inode;
            stat.Create = time((sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_ctime);
            stat.Access = time(sx.stx_atime);
            stat.Write = time(sx.stx_mtime);
            stat.User = sx.stx_uid;
            stat.Group = sx.stx_gid;
        }
    }
    return Visitor_.FolderEnded(
        {.Path = ListedPath_, .Anchor = frame.Anchor, .Empty = empty ? &stat : nullptr, .InRepository = node.InRepository});
}

// Gives back the nodes of a delivered folder's subfolders: every one was entered, and
// whatever it listed is delivered.
void TDelivery::GiveBackSubfolders(TNode& node) noexcept {
    for (TNode* child = node.FirstChild; child;) {
        TNode* const next = child->NextSibling;
        if (child->Claim && child->Claim->Walker() == child) child->Claim->WalkerGivenBack();
        // A walk that was stopped may have kept a folder open for subfolders never opened.
        Cache_.Forget(*child);
        Tree_.Pool.Free(child);
        child = next;
    }
    node.FirstChild = node.LastChild = nullptr;
}

}  // namespace nulvane::walk

#endif  // __linux__
