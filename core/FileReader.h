#pragma once
// The empty-file scan: walks a folder and all its subfolders and adds one checked list entry per
// zero-byte regular file, in depth-first listing order.
#include <string>
#include <string_view>

#include "core/ResultList.h"
#include "platform/files/DirWalk.h"

namespace nulvane {

// Scans `folder` (with or without a trailing separator) and appends an entry per empty file,
// with repainting suspended. Never throws: entries found before an error stay in the list. A
// folder that is missing, unreadable or the empty text adds nothing. Earlier entries are kept,
// so scanning twice lists twice. The options choose threads, whether folder links are followed
// and other file systems entered, and who hears of folders given up after resource errors.
void ScanFolder(TResultList& list, std::string_view folder, const TWalkOptions& options = {}) noexcept;

// The walk itself: `folder` ends in the separator. Entries come with fields 0 (name), 1 (full
// path), 2 (size), 3 (extension), 4 (type "file") and 10 to 12 (times) filled, the file's
// identity and the readings of its times, and checked; an entry whose fields could not all be
// made stays unchecked with those filled so far. Throws only on an error that stops the walk,
// after appending what was found.
void AddEmptyFiles(TResultList& list, const std::string& folder, const TWalkOptions& options = {});

// The text after the last "." of the path when no separator follows that dot; otherwise empty.
// The result views into `path`.
std::string_view GetFileExtNoDot(std::string_view path) noexcept;

// The time as local date-time text, with the time-zone offset in force at that time; the
// fraction of the second is dropped. Throws when the time cannot be converted.
std::string FileTimeToText(const TFileTime& time);

}  // namespace nulvane
