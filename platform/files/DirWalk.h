#pragma once
// The recursive folder walk: lists a folder and all its subfolders, statting each regular file
// once, and hands the files a visitor wants over in depth-first listing order (each folder's
// entries in the order the file system lists them, a subfolder's files at the point where the
// subfolder is listed).
//
// Several threads walk at once. Each folder's results are kept in a node of a tree that mirrors
// the folders, so the order is the one a single-threaded recursive walk would give; the caller's
// thread settles that order and hands the files over. By default it does so when the walk ends;
// a visitor that asks for early delivery gets each file as soon as everything before it in the
// order has been listed (finished subtrees go out while the walk goes on), so that a listing can
// be printed as it is found with little held in memory. A node keeps only its folder's name, and
// a delivered folder's node is given back for the folders still to come, so the walk's own memory
// follows the number of folders waiting or being delivered, never the length of their paths.
//
// What the walk visits. Hidden files and folders are ordinary ones; names the options exclude are
// passed by, and excluded folders not even opened. Only regular files are
// offered to the visitor: FIFOs, sockets, devices and symbolic links to files are not. Below the
// walked folder it does not enter a folder on a process, kernel or virtual file system (proc,
// sysfs, cgroups, devpts, debugfs and their kin, autofs), whose files claim size 0 without being
// empty, and it never triggers an automount; the walked folder itself is walked wherever it lies.
// It never lists or enters a trash folder (see TrashFolders.h), wherever it meets one: below the
// walked folder, at the end of a folder link, or as the walked folder itself or one of its
// ancestors, for what lies in a trash is other deletions' originals.
// A symbolic link to a folder is followed only when its target lies outside the walked folder:
// a folder inside is listed under its own path, once, whichever comes first in listing order.
// Each folder followed into through a link is an anchor (see TWalkAnchor), so that whoever acts
// on a file later knows which links lead to it. Each folder (by device and inode) is listed at
// most once per walk, under the first path the single-threaded walk would reach it by; this keeps
// the walk linear in the number of distinct folders even where links fan out.
//
// Every subfolder is opened relative to its parent's open folder, a real one without following a
// link that may have replaced it meanwhile, so the walk cannot be steered outside its tree and
// paths longer than the system's limit are walked like any other. The walk holds only a bounded
// number of folders open; when descriptors or memory run short it closes what it can and opens
// again from the nearest open ancestor, checking each step's identity. A folder that cannot be
// opened or read (permission denied, an I/O error, gone or replaced since it was listed) is
// reported, as is one given up after resource errors; what could be read stays. A folder that can
// be read but not searched (r--) lists its names, but nothing in it can be examined: it is
// reported as one that cannot be read, with nothing listed, never taken for a folder whose files
// all vanished. A file that disappears between listing and stat is skipped; one that cannot be
// examined for another reason makes its folder reported.
//
// The walk can be stopped: it looks at the stop request of the job it works for between two
// folder reads (and between two batches of a large folder), hands over what it found in the usual
// order and returns within a fraction of a second. It counts folders read and files taken into
// that job's counts once per folder or batch, never per file.
#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <memory>
#include <string>
#include <string_view>

namespace nulvane {

class TLongWork;

// A file time: seconds since the Unix epoch (UTC) and the nanoseconds within that second.
struct TFileTime {
    std::int64_t Seconds = 0;
    std::uint32_t Nanoseconds = 0;
    friend bool operator==(const TFileTime&, const TFileTime&) = default;
    friend auto operator<=>(const TFileTime&, const TFileTime&) = default;
};

struct TFileStat {
    std::uint64_t Size = 0;
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    TFileTime Create;  // birth time where the file system records it, else last status change
    TFileTime Access;
    TFileTime Write;
    std::uint32_t User = 0;  // the owner's user and group numbers
    std::uint32_t Group = 0;
};

// Files chosen by their owner, as fd's --owner chooses them: a user, a group or both, each
// possibly negated ("not this user"). Neither: every file.
struct TOwnerFilter {
    std::optional<std::uint32_t> User, Group;
    bool NotUser = false, NotGroup = false;
    bool Any() const noexcept { return User || Group; }
    bool Passes(const TFileStat& stat) const noexcept {
        return (!User || (stat.User == *User) != NotUser) && (!Group || (stat.Group == *Group) != NotGroup);
    }
};

// One file handed to the visitor. The texts are valid only during the call.
struct TWalkFile {
    std::string_view Path;  // the walked folder's path followed by the names down to the file
    std::string_view Name;  // the last component of Path
    const TFileStat& Stat;
};

// A folder through which the walk reached files: the walked folder, under its path as given, or a
// folder a symbolic link outside the walked folder led to, under the link's own path. Every file
// is listed under exactly one innermost anchor; its path is the anchor's path followed by names
// of real subfolders. Whoever opens such a path again safely follows links only at anchors: in
// the walked folder's path as given, and at the last component of each link anchor's path (whose
// leading part lies under its parent anchor).
struct TWalkAnchor {
    static constexpr std::size_t None = static_cast<std::size_t>(-1);
    std::string_view Path;        // ends in "/"; valid only during the call
    // Where the folder really is: its absolute path with links and ".." resolved, ending in "/",
    // as it was when the walk opened it; empty when it could not be known. Valid only during the call.
    std::string_view RealPath;
    std::size_t Parent = None;    // the anchor the link lies under; None for the walked folder
    std::uint64_t Device = 0;     // the folder the anchor led to when it was walked
    std::uint64_t Inode = 0;
};

// What a visitor keeps of the files one walking thread handed over, in the order it got them.
// A folder is listed by one thread from start to end, so its files stand together there.
class TWalkItems {
public:
    virtual ~TWalkItems() = default;
};

// Where delivered items were listed: the folder's path as the walk lists it (the walked folder's
// path as given, then the names of the folders down to it, each followed by "/"), and the
// innermost anchor (a number AddAnchor announced). The path is valid only during the call.
struct TWalkFolder {
    std::string_view Path;
    std::size_t Anchor = 0;
    // The folder is a version-control store or lies in one (TWalkOptions::FindRepositories).
    bool InRepository = false;
};

// A folder whose delivery is complete: its files and everything below it were delivered. For a
// visitor that wants folders (TWalkVisitor::WantsFolders).
struct TWalkFolderEnd {
    std::string_view Path;  // as the folder is listed, ending in "/"; valid only during the call
    std::size_t Anchor = 0;
    // The folder's stat when it may count as empty: it holds nothing but subfolders the visitor
    // counted as empty, was read to its end, lies on its parent's file system and is no mount
    // point, and is neither the walked folder nor one a link led to. Null otherwise.
    const TFileStat* Empty = nullptr;
    // The folder is a version-control store or lies in one (TWalkOptions::FindRepositories).
    bool InRepository = false;
};

class TWalkVisitor {
public:
    virtual ~TWalkVisitor() = default;

    // Whether a regular file is wanted. Called on any walking thread, for every regular file;
    // an unwanted file costs no path and no allocation.
    virtual bool Wants(const TFileStat& stat) const noexcept = 0;

    // Keeps one wanted file: appends exactly one item to the calling thread's items, creating
    // them when `items` is still null, or throws and appends nothing (that stops the walk).
    virtual void Take(std::unique_ptr<TWalkItems>& items, const TWalkFile& file) = 0;

    // Hands over the items [first, last) of one thread's items, all listed in the same folder.
    // Called on the caller's thread, in depth-first listing order, so that the ranges in turn give
    // walk order: after the walk, or during it for a visitor that wants early delivery.
    virtual void Deliver(TWalkItems& items, std::size_t first, std::size_t last, const TWalkFolder& folder) = 0;

    // Whether Deliver is to be called while the walk goes on. Then it may run while the thread
    // that took the items takes more into the same items: the visitor keeps them where taking
    // more does not move them, and guards them against that thread. The range delivered is
    // complete and is not touched by the walk again.
    virtual bool WantsEarlyDelivery() const noexcept { return false; }

    // Early delivery has handed over what is ready for now; the caller's thread goes back to
    // walking or waits for other threads (a moment to pass on what was delivered).
    virtual void DeliveryPaused() {}

    // Whether FolderEnded is to be called. A walk whose visitor does not want folders pays nothing
    // for them.
    virtual bool WantsFolders() const noexcept { return false; }

    // Whether a folder whose regular files were all taken may still count as empty (the visitor
    // lists such a folder with its files). Otherwise any regular file makes its folder hold
    // something. Only for a visitor that wants folders.
    virtual bool TakenFilesLeaveFoldersEmpty() const noexcept { return false; }

    // Told of each folder once everything under it is delivered, on the caller's thread, in
    // listing order (a folder after its subfolders): whether it counts as empty for its parent.
    // A folder that does not may still be offered as one that may count as empty; its parent is
    // then not.
    virtual bool FolderEnded(const TWalkFolderEnd& /*folder*/) { return false; }

    // Announces an anchor before any item listed under it is delivered. Anchors are numbered from
    // 0 (the walked folder) in the order they are announced, on the caller's thread.
    virtual void AddAnchor(const TWalkAnchor& /*anchor*/) {}

    // The items [first, last) were taken with paths under the folder path `from` (ending in "/"),
    // but the walk lists that folder under `to`: the same folder, reached earlier in listing
    // order along another path. Called on the caller's thread, just before those items are
    // delivered; it is rare (another thread reached the folder first along the later path).
    virtual void Relocate(TWalkItems& items, std::size_t first, std::size_t last, std::string_view from,
                          std::string_view to) = 0;
};

struct TWalkOptions {
    // Walking threads, the caller's included; 0 picks one per processor (at most 8).
    unsigned Threads = 0;
    // For a visitor that takes deliveries as the walk goes on: how many folders and files the
    // walk may have listed and not yet delivered before the other threads wait for the delivery
    // to catch up (the caller's thread then lists what the delivery waits for). It bounds what
    // the walk holds, not the order or what is delivered. 0: no bound.
    std::size_t AheadLimit = 1024;
    // Do not descend into a folder on another device than the walked folder's (find -xdev).
    bool OneFileSystem = false;
    // Descend symbolic links to folders; false ignores them (the default of find and fd).
    bool FollowFolderLinks = true;
    // Told of every folder given up after resource errors (descriptors or memory ran short even
    // after closing what could be closed): its path, ending in "/", and the error number. Called
    // on the caller's thread as the walk delivers, in listing order; the branch below it is missing.
    std::function<void(const std::string& folder, int error)> OnGivenUp = nullptr;
    // Told of every folder that could not be opened or read to its end (permission denied, an I/O
    // error, gone or replaced since its parent was listed; the walked folder too): its path,
    // ending in "/", and the error number. Called like OnGivenUp, in listing order among those.
    std::function<void(const std::string& folder, int error)> OnUnreadable = nullptr;
    // Told when the walked folder is a trash folder or lies in one: its path as given, ending in
    // "/". Nothing is walked then.
    std::function<void(const std::string& folder)> OnInTrash = nullptr;
    // Leaves out of the walk whatever it returns true for: a file is not offered to the visitor, a
    // folder (or a link to one) is not entered, nor anything below it. It is given the path
    // relative to the walked folder ("sub/name": no separator at either end) and whether that
    // names a folder; the walked folder itself is never asked about. Called on any walking thread,
    // from several at once. None: nothing is left out, at no cost.
    std::function<bool(std::string_view relativePath, bool isFolder)> Exclude = nullptr;
    // Depth limits, counted as fd counts them: 1 is the walked folder's own files and subfolders,
    // 2 those of its subfolders. A file deeper than MaxDepth or shallower than MinDepth is not
    // offered, and no folder is entered whose files would all lie deeper than MaxDepth, but for a
    // visitor that wants folders, which has the folders at MaxDepth looked into (to tell whether
    // they are empty) and nothing in them offered. 0: no limit.
    unsigned MaxDepth = 0;
    unsigned MinDepth = 0;
    // Tells the visitor which folders are version-control stores or lie in one, whatever they are
    // called: a git repository (HEAD with objects/ and refs/, a bare one or a separate git folder
    // too, or a worktree's admin folder: HEAD with commondir), a Mercurial store (00changelog.i with
    // requires), a Subversion working copy's admin folder (wc.db with pristine/) or repository
    // (format with db/ and hooks/) and a Bazaar control folder (branch-format with branch/ or
    // repository/), found by what they hold as the walk lists them, and the walked folder's own
    // ancestors looked at when the walk starts. Off: no name is looked at.
    bool FindRepositories = false;
    // Only files whose write time is at or after WrittenSince and before WrittenBefore are offered
    // to the visitor. None: no bound.
    std::optional<TFileTime> WrittenSince = std::nullopt;
    std::optional<TFileTime> WrittenBefore = std::nullopt;
    // Chooses the files to offer, where Exclude leaves things out of the walk: a file is offered
    // only when Select returns true for it and Owner passes it. Select is given the path as
    // Exclude is, and is asked before the file is statted; a folder is entered whatever either
    // says. A file not chosen counts as one the visitor did not take. A visitor that lists folders
    // applies both to them itself. None: every file, at no cost.
    std::function<bool(std::string_view relativePath, bool isFolder)> Select = nullptr;
    TOwnerFilter Owner = {};
    // The job the walk works for: its stop request ends the walk early, and its Folders and Found
    // counts grow as folders are read and files taken. None: the walk runs to its end uncounted.
    TLongWork* Work = nullptr;
};

// Walks `folder` (a path ending in "/"). Failures of single folders and files are skipped or
// reported through the options; an error that stops the walk (out of memory, a visitor that
// throws) is rethrown after everything found until then has been delivered. False when a stop
// request ended the walk before it was complete (what was found is delivered).
bool WalkFolder(const std::string& folder, TWalkVisitor& visitor, const TWalkOptions& options = {});

}  // namespace nulvane
