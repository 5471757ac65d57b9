#pragma once
// The recursive folder walk: lists a folder and all its subfolders, statting each regular file
// once, and hands the files a visitor wants over in depth-first listing order (each folder's
// entries in the order the file system lists them, a subfolder's files at the point where the
// subfolder is listed).
//
// Several threads walk at once. Each folder's results are kept in a node of a tree that mirrors
// the folders, so the order is the one a single-threaded recursive walk would give; the tree is
// flattened on the caller's thread when the walk ends. The walk's own bookkeeping lives in a few
// large blocks per thread, freed at the end, so that it leaves no holes among what the visitor
// keeps.
//
// Only regular files are offered to the visitor: FIFOs, sockets, devices and symbolic links to
// files are not. Each folder (by device and inode) is listed at most once per walk, under the
// first path the single-threaded walk would reach it by; a symbolic link to a folder that is
// listed elsewhere in the walk, or to a folder on its own ancestry, is not entered again. This
// keeps the walk linear in the number of distinct folders even where links fan out (/sys, /proc).
//
// Every subfolder is opened relative to its parent's open folder, a real one without following a
// link that may have replaced it meanwhile, so the walk cannot be steered outside its tree and
// paths longer than the system's limit are walked like any other. The walk holds only a bounded
// number of folders open; when descriptors or memory run short it closes what it can and opens
// again from the nearest open ancestor, checking each step's identity. A folder that cannot be
// opened (missing, unreadable, replaced) ends its branch silently; one given up after resource
// errors is reported. A file that disappears between listing and stat is skipped.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace nulvane {

// A file time: seconds since the Unix epoch (UTC) and the nanoseconds within that second.
struct TFileTime {
    std::int64_t Seconds = 0;
    std::uint32_t Nanoseconds = 0;
    friend bool operator==(const TFileTime&, const TFileTime&) = default;
};

struct TFileStat {
    std::uint64_t Size = 0;
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    TFileTime Create;  // birth time where the file system records it, else last status change
    TFileTime Access;
    TFileTime Write;
};

// One file handed to the visitor. The texts are valid only during the call.
struct TWalkFile {
    std::string_view Path;  // the walked folder's path followed by the names down to the file
    std::string_view Name;  // the last component of Path
    const TFileStat& Stat;
};

// What a visitor keeps of the files one walking thread handed over, in the order it got them.
// A folder is listed by one thread from start to end, so its files stand together there.
class TWalkItems {
public:
    virtual ~TWalkItems() = default;
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

    // Hands over the items [first, last) of one thread's items. Called on the caller's thread
    // after the walk, in depth-first listing order, so that the ranges in turn give walk order.
    virtual void Deliver(TWalkItems& items, std::size_t first, std::size_t last) = 0;

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
    // Do not descend into a folder on another device than the walked folder's (find -xdev).
    bool OneFileSystem = false;
    // Descend symbolic links to folders; false ignores them (the default of find and fd).
    bool FollowFolderLinks = true;
    // Told of every folder given up after resource errors (descriptors or memory ran short even
    // after closing what could be closed): its path, ending in "/", and the error number. Called
    // on the caller's thread after the walk, in listing order; the branch below it is missing.
    std::function<void(const std::string& folder, int error)> OnGivenUp = nullptr;
};

// Walks `folder` (a path ending in "/"). Failures of single folders and files are skipped; an
// error that stops the walk (out of memory, a visitor that throws) is rethrown after everything
// found until then has been delivered.
void WalkFolder(const std::string& folder, TWalkVisitor& visitor, const TWalkOptions& options = {});

}  // namespace nulvane
