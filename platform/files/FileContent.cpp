#include "platform/files/FileContent.h"

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/FileDescriptor.h"
#include "platform/system/Errors.h"

namespace nulvane {

[[noreturn]] void ThrowOSError(const char* action, const std::string& path, int error) {
    throw EOSError(std::string(action) + " \"" + path + "\": " + std::system_category().message(error));
}

void WriteAll(int fd, std::string_view bytes, const std::string& path) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            ThrowOSError("cannot write", path, errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

bool FileExists(const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::string ReadFileContent(const std::string& path) {
    // O_NONBLOCK: opening a pipe with no writer would otherwise wait for one.
    const TFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!file) ThrowOSError("cannot open", path, errno);
    const int fd = file.Get();

    struct stat st{};
    if (::fstat(fd, &st) != 0) ThrowOSError("cannot read", path, errno);
    if (!S_ISREG(st.st_mode)) throw EOSError("cannot read \"" + path + "\": not a regular file");

    std::string content;
    // The size is only a hint: the file may grow or shrink while it is read.
    content.resize(static_cast<std::size_t>(st.st_size) + 1);
    std::size_t used = 0;
    for (;;) {
        if (used == content.size()) content.resize(content.size() * 2);
        const ssize_t n = ::read(fd, content.data() + used, content.size() - used);
        if (n < 0) {
            if (errno == EINTR) continue;
            ThrowOSError("cannot read", path, errno);
        }
        if (n == 0) break;
        used += static_cast<std::size_t>(n);
    }
    content.resize(used);
    return content;
}

TFileWriter::TFileWriter(const std::string& path, TCreateMode mode) : Path_(path) {
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY;
    flags |= mode == TCreateMode::CreateNew ? O_EXCL : O_TRUNC;
    Fd_ = ::open(path.c_str(), flags, 0666);
    if (Fd_ < 0) ThrowOSError("cannot create", path, errno);
}

TFileWriter::~TFileWriter() {
    if (Fd_ >= 0) ::close(Fd_);
}

void TFileWriter::Write(std::string_view bytes) {
    if (Fd_ < 0) throw EOSError("cannot write \"" + Path_ + "\": the file is closed");
    WriteAll(Fd_, bytes, Path_);
}

void TFileWriter::Close() {
    if (Fd_ < 0) return;
    const int fd = Fd_;
    Fd_ = -1;
    // A delayed write error (a full disk over NFS, say) shows only here.
    if (::close(fd) != 0 && errno != EINTR) ThrowOSError("cannot write", Path_, errno);
}

void CreateFileWithContent(const std::string& path, std::string_view content) {
    TFileWriter writer(path, TCreateMode::CreateNew);
    try {
        writer.Write(content);
        writer.Close();
    } catch (...) {
        RemoveFile(path);
        throw;
    }
}

bool RemoveFile(const std::string& path) noexcept { return ::unlink(path.c_str()) == 0; }

}  // namespace nulvane
