#include "platform/files/removal/FileLocks.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <string>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace nulvane {
namespace {

template <typename T>
bool ParseNumber(std::string_view text, T& value, int base) noexcept {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// A line names its file as MAJOR:MINOR:INODE, the device numbers in hex ("fe:01:1835021"); the
// words before it vary with the kind of lock and the kernel's version, so the field is found by
// its shape, not by its place.
bool ParseFileField(std::string_view word, std::uint64_t& device, std::uint64_t& inode) noexcept {
    const std::size_t first = word.find(':');
    if (first == std::string_view::npos) return false;
    const std::size_t second = word.find(':', first + 1);
    if (second == std::string_view::npos) return false;
    unsigned major = 0, minor = 0;
    if (!ParseNumber(word.substr(0, first), major, 16) ||
        !ParseNumber(word.substr(first + 1, second - first - 1), minor, 16) ||
        !ParseNumber(word.substr(second + 1), inode, 10))
        return false;
    device = makedev(major, minor);
    return true;
}

std::atomic<bool> LeasesAllowed{false};

}  // namespace

TLockTable TLockTable::Parse(std::string_view text) {
    TLockTable table;
    table.Readable_ = true;
    while (!text.empty()) {
        const std::size_t eol = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, eol);
        text.remove_prefix(std::min(eol + 1, text.size()));
        while (!line.empty()) {
            const std::size_t start = line.find_first_not_of(" \t");
            if (start == std::string_view::npos) break;
            line.remove_prefix(start);
            const std::size_t end = std::min(line.find_first_of(" \t"), line.size());
            std::uint64_t device = 0, inode = 0;
            if (ParseFileField(line.substr(0, end), device, inode)) {
                table.Locks_.emplace_back(inode, device);
                break;
            }
            line.remove_prefix(end);
        }
    }
    std::sort(table.Locks_.begin(), table.Locks_.end());
    table.Locks_.erase(std::unique(table.Locks_.begin(), table.Locks_.end()), table.Locks_.end());
    return table;
}

TLockTable TLockTable::ReadSystem() {
    const int fd = ::open("/proc/locks", O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        TLockTable none;
        none.Live_ = true;  // may be read another time
        return none;
    }
    bool complete = true;
    std::string text;
    char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            text.append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0) {
            break;
        } else if (errno != EINTR) {
            complete = false;  // the locks read so far still count, but the table is no answer
            break;
        }
    }
    ::close(fd);
    TLockTable table = Parse(text);
    table.Readable_ = complete;
    table.Live_ = true;
    return table;
}

TLockTable::TMatch TLockTable::Find(std::uint64_t device, std::uint64_t inode) const noexcept {
    auto it = std::lower_bound(Locks_.begin(), Locks_.end(), std::make_pair(inode, std::uint64_t{0}));
    if (it == Locks_.end() || it->first != inode) return TMatch::None;
    for (; it != Locks_.end() && it->first == inode; ++it)
        if (it->second == device) return TMatch::Identity;
    return TMatch::InodeOnly;
}

TLockState AskFileLocks(int fd, int& error, bool closing) noexcept {
    error = 0;
    // Granted, nobody else has the file open, so nobody holds a lock on it. Refused: somebody has
    // it open (perhaps without a lock), the file is another user's, or the file system has no
    // leases; the locks themselves are asked.
    if (closing && LeasesAllowed.load(std::memory_order_relaxed) && ::fcntl(fd, F_SETLEASE, F_WRLCK) == 0)
        return TLockState::Free;
    // A write lock conflicts with every record lock another open file holds on any byte; asked
    // as an open-file-description lock, the answer also covers POSIX locks of this process.
    struct flock query{};
    query.l_type = F_WRLCK;
    query.l_whence = SEEK_SET;
    if (::fcntl(fd, F_OFD_GETLK, &query) == 0) {
        if (query.l_type != F_UNLCK) return TLockState::Locked;
    } else {
        error = errno;  // a kernel before 3.15, or a file system without record locks
    }
    // flock and record locks do not see each other (but where flock is made of record locks, as
    // on NFS): flock is asked on its own.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) return TLockState::Locked;
        error = errno;
        return TLockState::Unknown;
    }
    if (!closing) ::flock(fd, LOCK_UN);
    return error == 0 ? TLockState::Free : TLockState::Unknown;
}

bool AllowLeaseQueries() noexcept {
    struct sigaction current{};
    if (::sigaction(SIGIO, nullptr, &current) != 0) return false;
    const bool plain = (current.sa_flags & SA_SIGINFO) == 0;
    if (!plain || (current.sa_handler != SIG_DFL && current.sa_handler != SIG_IGN)) return false;
    if (current.sa_handler == SIG_DFL) {
        struct sigaction ignore{};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        if (::sigaction(SIGIO, &ignore, nullptr) != 0) return false;
    }
    LeasesAllowed.store(true, std::memory_order_relaxed);
    return true;
}

}  // namespace nulvane
