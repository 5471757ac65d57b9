#include "platform/files/SafeFile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/NoReplace.h"
#include "platform/files/PathNames.h"
#include "platform/system/Errors.h"
#include "platform/files/FileContent.h"

namespace nulvane {
namespace {

// The file a symbolic link finally points to; the path itself when it is no link or the link
// leads nowhere (the rename then replaces the dangling link).
std::string ResolvedTarget(const std::string& path) {
    struct stat st{};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

// A name for the temporary file: hidden, beside the target, recognisably its, and short enough
// for any file system however long the target's name is.
std::string TemporaryName(const std::string& target) {
    static std::atomic<unsigned> serial{std::random_device{}()};
    const std::string folder(FolderPartOf(target));
    std::string base = target.substr(folder.size());
    if (base.size() > 200) base.resize(200);
    static constexpr char Hex[] = "0123456789abcdef";
    std::string suffix;
    for (unsigned value = serial.fetch_add(0x9E3779B9u); suffix.size() < 8; value >>= 4) suffix += Hex[value & 15];
    return folder + "." + base + "." + suffix + ".part";
}

}  // namespace

TSafeFileWriter::TSafeFileWriter(const std::string& path) : Target_(ResolvedTarget(path)) {
    if (Target_.empty() || Target_.back() == '/') throw EOSError("cannot write \"" + path + "\": no file name");
    struct stat target{};
    struct stat name{};
    Replaces_ = ::lstat(Target_.c_str(), &name) == 0;
    const bool exists = ::stat(Target_.c_str(), &target) == 0;
    if (exists && S_ISDIR(target.st_mode)) ThrowOSError("cannot write", path, EISDIR);
    if (exists && !S_ISREG(target.st_mode)) {
        // O_NONBLOCK: a pipe nobody reads fails at once instead of waiting for a reader.
        Fd_.Reset(::open(Target_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
        if (!Fd_) ThrowOSError("cannot open", path, errno);
        ::fcntl(Fd_.Get(), F_SETFL, ::fcntl(Fd_.Get(), F_GETFL) & ~O_NONBLOCK);
        Direct_ = true;
        Temporary_ = Target_;
        return;
    }
    for (int attempt = 0; !Fd_; ++attempt) {
        Temporary_ = TemporaryName(Target_);
        Fd_.Reset(::open(Temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666));
        if (!Fd_ && (errno != EEXIST || attempt == 100)) ThrowOSError("cannot create", path, errno);
    }
    if (exists) {
        // Best effort: only the owner (or root) may give these, and a new file is no worse off.
        if (::fchown(Fd_.Get(), target.st_uid, target.st_gid) != 0) {
        }
        ::fchmod(Fd_.Get(), target.st_mode & 07777);
    }
}

TSafeFileWriter::~TSafeFileWriter() {
    Fd_.Reset();
    if (!Committed_ && !Direct_) ::unlink(Temporary_.c_str());
}

void TSafeFileWriter::Write(std::string_view bytes) {
    if (!Fd_) throw EOSError("cannot write \"" + Target_ + "\": the file is closed");
    WriteAll(Fd_.Get(), bytes, Target_);
}

void TSafeFileWriter::PutInPlace() {
    // Nothing had the name when writing began: whatever has taken it since belongs to someone
    // else and stays.
    const int error = MoveNoReplace(AT_FDCWD, Temporary_.c_str(), AT_FDCWD, Target_.c_str(), TNewName::SharedOrLook);
    if (error == 0) return;
    if (error == EEXIST)
        throw EOSError("cannot write \"" + Target_ + "\": a file of that name was made meanwhile and is left as it is");
    ThrowOSError("cannot write", Target_, error);
}

void TSafeFileWriter::Commit() {
    if (!Fd_) throw EOSError("cannot write \"" + Target_ + "\": the file is closed");
    // Closed by hand where it counts: a failed close can be the first sign of a lost write.
    TFd fd(Fd_.Release());
    if (Direct_) {
        if (::close(fd.Release()) != 0 && errno != EINTR) ThrowOSError("cannot write", Target_, errno);
        Committed_ = true;
        return;
    }
    // The content must be on the disk before the name points to it: renamed first, a crash could
    // leave an empty file where the earlier one was.
    if (::fsync(fd.Get()) != 0 && errno != EINVAL) ThrowOSError("cannot write", Target_, errno);
    // A delayed write error (a full disk over NFS, say) shows only here.
    if (::close(fd.Release()) != 0 && errno != EINTR) ThrowOSError("cannot write", Target_, errno);
    if (Replaces_) {
        if (::rename(Temporary_.c_str(), Target_.c_str()) != 0) ThrowOSError("cannot replace", Target_, errno);
    } else {
        PutInPlace();
    }
    Committed_ = true;
    // The new name itself reaches the disk with its folder. The file is complete either way, so a
    // failure here is not reported.
    const std::string_view parent = ParentFolderOf(Target_);
    const std::string folder = parent.empty() ? "." : std::string(parent);
    if (const TFd folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)); folderFd)
        ::fsync(folderFd.Get());
}

bool WouldReplace(const std::string& path) {
    struct stat st{};
    if (::lstat(path.c_str(), &st) != 0) return false;
    if (S_ISLNK(st.st_mode)) return ::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode);
    return !S_ISDIR(st.st_mode);
}

void WriteFileSafely(const std::string& path, std::string_view content) {
    TSafeFileWriter writer(path);
    writer.Write(content);
    writer.Commit();
}

}  // namespace nulvane
