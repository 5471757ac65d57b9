#pragma once
// The empty-file scan: walks a folder and all its subfolders and adds one checked list entry per
// zero-byte regular file, in depth-first listing order.
#include <string>
#include <string_view>

#include "core/ResultList.h"
#include "platform/files/DirWalk.h"

namespace nulvane {

// What one scan did, for the caller to tell the user: how many entries it appended and whether
// the list is complete. A scan that was stopped or ran short of memory keeps what it found.
struct TScanReport {
    std::size_t Listed = 0;      // entries appended by this scan
    std::size_t Unreadable = 0;  // folders that could not be opened or read (their files are missing)
    std::size_t GivenUp = 0;     // folders given up because descriptors or memory ran short
    bool OutOfMemory = false;    // the walk ran short of memory and stopped
    bool Stopped = false;        // the job was asked to stop (CurrentWork()) before the walk ended
    bool Complete() const noexcept { return Unreadable == 0 && GivenUp == 0 && !OutOfMemory && !Stopped; }
};

// Scans `folder` (with or without a trailing separator) and appends an entry per empty file,
// with repainting suspended. Never throws: entries found before an error stay in the list, and
// the report says why the list is incomplete. A folder that is missing, unreadable or the empty
// text adds nothing (an unreadable one is counted). Earlier entries are kept, so scanning twice
// lists twice. The options choose threads, whether folder links are followed and other file
// systems entered, and who hears of folders unread or given up (the report counts them either
// way). The scan works for options.Work, else for CurrentWork(): it stops at its request and
// keeps its counts of folders read and files found.
TScanReport ScanFolder(TResultList& list, std::string_view folder, const TWalkOptions& options = {}) noexcept;

// The walk itself: `folder` ends in the separator. Entries come with fields 0 (name), 1 (full
// path), 2 (size), 3 (extension), 4 (type "file") and 10 to 12 (times) filled, the file's
// identity, the readings of its times and its anchor (added to the list's table), and checked;
// an entry whose fields could not all be made stays unchecked with those filled so far. Throws
// only on an error that stops the walk, after appending what was found. False when the job
// options.Work (none: nobody) stopped it early.
bool AddEmptyFiles(TResultList& list, const std::string& folder, const TWalkOptions& options = {});

// The text after the last "." of the path when no separator follows that dot; otherwise empty.
// The result views into `path`.
std::string_view GetFileExtNoDot(std::string_view path) noexcept;

// The time as local date-time text, with the time-zone offset in force at that time; the
// fraction of the second is dropped. Throws when the time cannot be converted.
std::string FileTimeToText(const TFileTime& time);

}  // namespace nulvane
