#pragma once
// Writing a file so that the file it replaces is never lost. The bytes go to a new temporary file
// in the target's own folder (so that the final rename stays on one file system), which is
// flushed to the disk and renamed over the target only once everything has been written. A
// reader therefore sees the earlier file whole, or the new file whole, never a part; when
// anything fails (a full disk, a folder that cannot be written), the temporary file is removed
// and the earlier file stays exactly as it was.
//
// What a replaced file had stays: a target that is a symbolic link is followed, so the file it
// points to is replaced and the link stays a link; the new file gets the earlier file's
// permissions (and, where the writer may give them, its owner and group). A new file gets the
// permissions any new file of the user gets.
//
// A name that nothing had when writing began is never taken from whoever creates a file of that
// name meanwhile: the commit then fails and leaves their file as it is.
//
// A target that exists and is neither a regular file nor a folder (a terminal, a pipe,
// /dev/null) holds no content to protect and cannot be replaced by renaming: it is written
// directly. A target that is a folder is refused before anything is created.
#include <string>
#include <string_view>

#include "platform/files/FileDescriptor.h"

namespace nulvane {

class TSafeFileWriter {
public:
    // Creates the temporary file beside `path`. EOSError when it cannot (a missing or read-only
    // folder, a target that is a folder).
    explicit TSafeFileWriter(const std::string& path);
    // Without a successful Commit() the temporary file is removed and the target left alone.
    ~TSafeFileWriter();
    TSafeFileWriter(const TSafeFileWriter&) = delete;
    TSafeFileWriter& operator=(const TSafeFileWriter&) = delete;

    // EOSError when the bytes cannot be written.
    void Write(std::string_view bytes);
    // Flushes the file to the disk and puts it in the target's place. EOSError on failure, with
    // the target untouched (also when the name was free at the start and has been taken since).
    void Commit();

private:
    void PutInPlace();
    std::string Target_;     // the path asked for, or the file its symbolic link points to
    std::string Temporary_;  // the file being written until Commit(); the target when written directly
    TFd Fd_;
    bool Direct_ = false;
    bool Committed_ = false;
    bool Replaces_ = false;  // something had the target's name when writing began
};

// Whether writing `path` would replace something that is there: anything but a folder has the
// name, a symbolic link included, whether it leads anywhere or not (a link to a folder counts as
// the folder, which a writer refuses anyway).
bool WouldReplace(const std::string& path);

// Writes `content` as the whole new content of `path` through a TSafeFileWriter.
void WriteFileSafely(const std::string& path, std::string_view content);

}  // namespace nulvane
