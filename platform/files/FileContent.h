#pragma once
// A file's whole content: existence, reading it at once, writing it in one go.
#include <string>
#include <string_view>

namespace nulvane {

// Whether something other than a folder is at the path (a symbolic link is followed; a link to
// nothing counts as nothing).
bool FileExists(const std::string& path);

// The whole content of a regular file. Anything else (a folder, a pipe, a device) is refused rather
// than read, so that a reader can never block or run without end. EOSError on every failure.
std::string ReadFileContent(const std::string& path);

enum class TCreateMode {
    CreateNew,  // fail when anything, even a dangling link, already has the name
    Replace,    // create, or truncate what is there
};

// A file being written. Close() reports the last failure; a writer destroyed without a successful
// Close() closes quietly.
class TFileWriter {
public:
    TFileWriter(const std::string& path, TCreateMode mode);
    ~TFileWriter();
    TFileWriter(const TFileWriter&) = delete;
    TFileWriter& operator=(const TFileWriter&) = delete;

    void Write(std::string_view bytes);
    void Close();
    const std::string& Path() const { return Path_; }

private:
    std::string Path_;
    int Fd_ = -1;
};

// Creates a file that must not exist yet and writes `content` into it. When the write or the close
// fails, the half-written file is removed again: it was ours, and left behind it would pass for a
// complete file. EOSError on failure.
void CreateFileWithContent(const std::string& path, std::string_view content);

// Throws EOSError: `action` ("cannot write"), the path in quotes, and the system's text for `error`.
[[noreturn]] void ThrowOSError(const char* action, const std::string& path, int error);

// Writes all of `bytes` to an open descriptor, going on after interruptions and short writes.
// EOSError naming `path` on failure.
void WriteAll(int fd, std::string_view bytes, const std::string& path);

// Removes a file; false when it could not be removed (a missing file included).
bool RemoveFile(const std::string& path) noexcept;

}  // namespace nulvane
