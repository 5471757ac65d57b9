// A fault injector that tests preload into nulvane-cli (LD_PRELOAD). At the Nth call of one C
// library function, counting only calls that name a path (or, for a rename, either name) ending
// in a given text, it stops the process (SIGSTOP) or kills it (SIGKILL), before or after the
// call. A test can so hold a program at a known point of its work and signal it there, without
// racing the work's end, or kill it between two system calls of a sequence that must survive
// that.
//
//     NULVANE_FAULT="WHEN:FUNCTION:N[:SUFFIX]"
//
// WHEN is stop-after, kill-before or kill-after; FUNCTION one of open, openat, renameat,
// renameat2, linkat, unlinkat, mkdirat, write, fcntl, flock, fsync, close (the 64-bit and
// fortified aliases count as their function); N counts from 1. The calls that take a descriptor
// (write, fcntl, flock, fsync, close) name the path it was opened as. Without the variable every call passes
// straight through.
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

enum class TWhen { None, StopAfter, KillBefore, KillAfter };

struct TFault {
    TWhen When = TWhen::None;
    char Function[32] = {};
    long Nth = 0;
    char Suffix[4096] = {};
    std::atomic<long> Seen{0};
};

TFault& Fault() {
    static TFault* fault = [] {
        static TFault f;
        const char* spec = std::getenv("NULVANE_FAULT");
        if (!spec) return &f;
        const std::string_view text(spec);
        const std::size_t a = text.find(':'), b = a == text.npos ? a : text.find(':', a + 1);
        if (b == text.npos) return &f;
        const std::string_view when = text.substr(0, a), function = text.substr(a + 1, b - a - 1);
        const std::size_t c = text.find(':', b + 1);
        const std::string_view suffix = c == text.npos ? std::string_view() : text.substr(c + 1);
        if (function.size() >= sizeof f.Function || suffix.size() >= sizeof f.Suffix) return &f;
        f.When = when == "stop-after"  ? TWhen::StopAfter
                 : when == "kill-before" ? TWhen::KillBefore
                 : when == "kill-after"  ? TWhen::KillAfter
                                         : TWhen::None;
        std::memcpy(f.Function, function.data(), function.size());
        char count[32] = {};
        const std::string_view n = text.substr(b + 1, c == text.npos ? text.npos : c - b - 1);
        std::memcpy(count, n.data(), std::min(n.size(), sizeof count - 1));
        f.Nth = std::strtol(count, nullptr, 10);
        std::memcpy(f.Suffix, suffix.data(), suffix.size());
        return &f;
    }();
    return *fault;
}

bool EndsWith(const char* name, const char* suffix) {
    if (!name) return !*suffix;
    const std::size_t n = std::strlen(name), s = std::strlen(suffix);
    return n >= s && std::memcmp(name + n - s, suffix, s) == 0;
}

// Whether this call is the one the fault is set for; counts the matching calls.
bool IsTarget(const char* function, const char* name, const char* other = nullptr) {
    TFault& f = Fault();
    if (f.When == TWhen::None || std::strcmp(f.Function, function) != 0) return false;
    if (!EndsWith(name, f.Suffix) && !(other && EndsWith(other, f.Suffix))) return false;
    return f.Seen.fetch_add(1) + 1 == f.Nth;
}

// As IsTarget, for a call on the open descriptor `fd`: the path it names is looked up only when
// the fault is set for this function.
bool IsTargetFd(const char* function, int fd) {
    TFault& f = Fault();
    if (f.When == TWhen::None || std::strcmp(f.Function, function) != 0) return false;
    char link[64], path[4096];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t length = ::readlink(link, path, sizeof path - 1);
    path[length > 0 ? length : 0] = '\0';
    return IsTarget(function, length > 0 ? path : nullptr);
}

void Before(bool target) {
    if (target && Fault().When == TWhen::KillBefore) ::kill(::getpid(), SIGKILL);
}
void After(bool target) {
    if (!target) return;
    if (Fault().When == TWhen::KillAfter) ::kill(::getpid(), SIGKILL);
    if (Fault().When == TWhen::StopAfter) ::kill(::getpid(), SIGSTOP);
}

template <typename T>
T Next(const char* symbol) {
    return reinterpret_cast<T>(::dlsym(RTLD_NEXT, symbol));
}

mode_t ModeOf(int flags, va_list args) {
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? static_cast<mode_t>(va_arg(args, int)) : 0;
}

}  // namespace

#define NULVANE_WRAP_AS(isTarget, function, call, ...) \
    const bool target = isTarget(function, __VA_ARGS__); \
    Before(target);                                \
    const auto result = call;                      \
    const int saved = errno;                       \
    After(target);                                 \
    errno = saved;                                 \
    return result
#define NULVANE_WRAP(function, call, ...) NULVANE_WRAP_AS(IsTarget, function, call, __VA_ARGS__)
#define NULVANE_WRAP_FD(function, call, fd) NULVANE_WRAP_AS(IsTargetFd, function, call, fd)

extern "C" {

int open(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    static const auto real = Next<int (*)(const char*, int, ...)>("open");
    NULVANE_WRAP("open", real(path, flags, mode), path);
}
int open64(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    static const auto real = Next<int (*)(const char*, int, ...)>("open64");
    NULVANE_WRAP("open", real(path, flags, mode), path);
}
int __open_2(const char* path, int flags) {
    static const auto real = Next<int (*)(const char*, int)>("__open_2");
    NULVANE_WRAP("open", real(path, flags), path);
}
int __open64_2(const char* path, int flags) {
    static const auto real = Next<int (*)(const char*, int)>("__open64_2");
    NULVANE_WRAP("open", real(path, flags), path);
}
int openat(int dir, const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    static const auto real = Next<int (*)(int, const char*, int, ...)>("openat");
    NULVANE_WRAP("openat", real(dir, path, flags, mode), path);
}
int openat64(int dir, const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    static const auto real = Next<int (*)(int, const char*, int, ...)>("openat64");
    NULVANE_WRAP("openat", real(dir, path, flags, mode), path);
}
int __openat_2(int dir, const char* path, int flags) {
    static const auto real = Next<int (*)(int, const char*, int)>("__openat_2");
    NULVANE_WRAP("openat", real(dir, path, flags), path);
}
int __openat64_2(int dir, const char* path, int flags) {
    static const auto real = Next<int (*)(int, const char*, int)>("__openat64_2");
    NULVANE_WRAP("openat", real(dir, path, flags), path);
}
int renameat(int fromDir, const char* from, int toDir, const char* to) {
    static const auto real = Next<int (*)(int, const char*, int, const char*)>("renameat");
    NULVANE_WRAP("renameat", real(fromDir, from, toDir, to), from, to);
}
int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned int flags) {
    static const auto real = Next<int (*)(int, const char*, int, const char*, unsigned int)>("renameat2");
    NULVANE_WRAP("renameat2", real(fromDir, from, toDir, to, flags), from, to);
}
int linkat(int fromDir, const char* from, int toDir, const char* to, int flags) {
    static const auto real = Next<int (*)(int, const char*, int, const char*, int)>("linkat");
    NULVANE_WRAP("linkat", real(fromDir, from, toDir, to, flags), from, to);
}
int unlinkat(int dir, const char* path, int flags) {
    static const auto real = Next<int (*)(int, const char*, int)>("unlinkat");
    NULVANE_WRAP("unlinkat", real(dir, path, flags), path);
}
int mkdirat(int dir, const char* path, mode_t mode) {
    static const auto real = Next<int (*)(int, const char*, mode_t)>("mkdirat");
    NULVANE_WRAP("mkdirat", real(dir, path, mode), path);
}
ssize_t write(int fd, const void* buffer, size_t count) {
    static const auto real = Next<ssize_t (*)(int, const void*, size_t)>("write");
    NULVANE_WRAP_FD("write", real(fd, buffer, count), fd);
}
// fcntl's third argument, where it has one, is an integer or a pointer, passed on as it came.
int fcntl(int fd, int command, ...) {
    va_list args;
    va_start(args, command);
    void* const argument = va_arg(args, void*);
    va_end(args);
    static const auto real = Next<int (*)(int, int, ...)>("fcntl");
    NULVANE_WRAP_FD("fcntl", real(fd, command, argument), fd);
}
int fcntl64(int fd, int command, ...) {
    va_list args;
    va_start(args, command);
    void* const argument = va_arg(args, void*);
    va_end(args);
    static const auto real = Next<int (*)(int, int, ...)>("fcntl64");
    NULVANE_WRAP_FD("fcntl", real(fd, command, argument), fd);
}
int flock(int fd, int operation) {
    static const auto real = Next<int (*)(int, int)>("flock");
    NULVANE_WRAP_FD("flock", real(fd, operation), fd);
}
int fsync(int fd) {
    static const auto real = Next<int (*)(int)>("fsync");
    NULVANE_WRAP_FD("fsync", real(fd), fd);
}
int close(int fd) {
    static const auto real = Next<int (*)(int)>("close");
    NULVANE_WRAP_FD("close", real(fd), fd);
}

}  // extern "C"
