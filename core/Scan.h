#pragma once
// The empty-file scan: walks a folder and all its subfolders and adds one checked list entry per
// zero-byte regular file, in depth-first listing order.
#include <string>
#include <string_view>

#include "core/ResultList.h"
#include "platform/files/DirWalk.h"

namespace nulvane {

class TKeepRules;

// What one scan did, for the caller to tell the user: how many entries it appended and whether
// the list is complete. A scan that was stopped or ran short of memory keeps what it found.
struct TScanReport {
    std::size_t Listed = 0;      // entries appended by this scan
    std::size_t Unreadable = 0;  // folders that could not be opened or read (their files are missing)
    std::size_t GivenUp = 0;     // folders given up because descriptors or memory ran short
    bool OutOfMemory = false;    // the walk ran short of memory and stopped
    bool Stopped = false;        // the job (options.Work) was asked to stop before the walk ended
    bool InTrash = false;        // the folder is a trash folder or lies in one: nothing was scanned
    bool Complete() const noexcept { return Unreadable == 0 && GivenUp == 0 && !OutOfMemory && !Stopped; }
};

// What the scan keeps in each entry beyond what the list shows.
struct TEntryOptions {
    // The file's three times to the nanosecond (TFileRecord::GetExactTimes), for a machine-
    // readable listing; an ordinary list leaves them out.
    bool ExactTimes = false;
    // What the scan lists: empty files, empty folders (see EmptyFolders.h), or both. A folder
    // entry's "File Type" is "folder", its "Full Path" the folder's path without a separator at
    // its end; its size is 0 and its times and identity are the folder's.
    bool Files = true;
    bool Folders = false;
    // The rules that keep a folder from counting as empty (none: no rules). Files look at them only
    // where a folder of files may count as empty (Files and Folders both), or in a stream that
    // makes entries, which tells each entry's rule.
    const TKeepRules* Rules = nullptr;
};

// The "File Type" of a folder entry.
inline constexpr std::string_view FolderTypeText = "folder";

// Scans `folder` (with or without a trailing separator) and appends an entry per empty file,
// with repainting suspended. Never throws: entries found before an error stay in the list, and
// the report says why the list is incomplete. A folder that is missing, unreadable or the empty
// text adds nothing (an unreadable one is counted). Earlier entries are kept, so scanning twice
// lists twice. The options choose threads, whether folder links are followed and other file
// systems entered, and who hears of folders unread or given up (the report counts them either
// way). The scan works for the job options.Work (none: nobody): it stops at its request and
// keeps its counts of folders read and files found.
TScanReport ScanFolder(TResultList& list, std::string_view folder, const TWalkOptions& options = {},
                       const TEntryOptions& entryOptions = {}) noexcept;

// The walk itself: `folder` ends in the separator. Entries come with fields 0 (name), 2 (size),
// 3 (extension), 4 (type "file") and 10 to 12 (times) filled, a path tail (the name) after their
// folder, which is added to the list's folder table with its anchor, the file's identity and the
// readings of its times, and checked; an entry whose fields could not all be made stays unchecked
// with those filled so far. Throws only on an error that stops the walk, after appending what was
// found. False when the job options.Work (none: nobody) stopped it early.
bool AddEmptyFiles(TResultList& list, const std::string& folder, const TWalkOptions& options = {},
                   const TEntryOptions& entryOptions = {});

// Takes the empty files (and folders) of a streamed scan, one by one in listing order, on the
// caller's thread; a folder comes once its place is final, after what lies around it.
class TScanSink {
public:
    virtual ~TScanSink() = default;
    // One empty file or folder: the path of the folder it was listed in (ending in the separator),
    // its name, and its entry as ScanFolder would have made it when the stream makes entries (else
    // null). The entry lies in no list: its fields are read with a TEntryTexts made for `folder`
    // (its "Full Path" is `folder` followed by `name`). `heldBy`: the keep rule that holds it, for
    // a stream given rules (TEntryOptions::Rules) that makes entries; empty when none does.
    virtual void Take(std::string_view folder, std::string_view name, const TListEntry* entry,
                      std::string_view heldBy) = 0;
    // The scan passed on what is ready for now and goes back to walking: a moment to flush.
    virtual void Pause() {}
};

// Scans as ScanFolder does, but passes each empty file to `sink` as soon as its place in the
// listing order is final, keeping nothing once it is passed on: memory stays small however many
// files the scan finds. `makeEntries` says whether the sink gets entries or only names. The
// report's Listed counts what the sink was given.
TScanReport StreamFolder(std::string_view folder, TScanSink& sink, const TWalkOptions& options = {},
                         bool makeEntries = false, const TEntryOptions& entryOptions = {}) noexcept;

// The text after the last "." of the path when no separator follows that dot; otherwise empty.
// The result views into `path`.
std::string_view GetFileExtNoDot(std::string_view path) noexcept;

// The time as local date-time text, with the time-zone offset in force at that time; the
// fraction of the second is dropped. Throws when the time cannot be converted.
std::string FileTimeToText(const TFileTime& time);

}  // namespace nulvane
