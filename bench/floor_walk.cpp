// The floor for a whole-process scan: the least work that lists the empty regular files under a
// folder. Two threads take folders from one shared stack; each lists a folder with getdents64,
// statx-es each regular file once (size and type only), and prints the path of every empty one.
// No sorting, no records, no symbolic links followed, output in whatever order the threads give.
//
//     floor_walk [-0] ROOT
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// The fixed head of a getdents64 record; the name follows it, NUL-terminated.
struct TDirentHead {
    ino64_t Inode;
    off64_t Offset;
    unsigned short Length;
    unsigned char Type;
};
constexpr std::size_t NameOffset = 19;

std::mutex Lock;
std::condition_variable Wake;
std::vector<std::string> Folders;  // each ends in "/"
int Busy = 0;
char Terminator = '\n';

void Write(std::string& out) {
    const std::lock_guard<std::mutex> hold(Lock);
    for (std::size_t done = 0; done < out.size();) {
        const ssize_t n = ::write(1, out.data() + done, out.size() - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    out.clear();
}

void List(const std::string& folder, std::vector<std::string>& found, std::string& out, char* buffer) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return;
    for (;;) {
        const long got = ::syscall(SYS_getdents64, fd, buffer, 64 * 1024);
        if (got <= 0) break;
        for (long pos = 0; pos < got;) {
            TDirentHead head;
            std::memcpy(&head, buffer + pos, sizeof head);
            const char* name = buffer + pos + NameOffset;
            pos += head.Length;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
            const unsigned type = head.Type;
            if (type == DT_DIR) {
                found.push_back(folder + name + "/");
            } else if (type == DT_REG || type == DT_UNKNOWN) {
                struct statx sx;
                if (::statx(fd, name, AT_SYMLINK_NOFOLLOW, STATX_TYPE | STATX_SIZE, &sx) != 0) continue;
                if (S_ISDIR(sx.stx_mode)) found.push_back(folder + name + "/");
                if (!S_ISREG(sx.stx_mode) || sx.stx_size != 0) continue;
                out += folder;
                out += name;
                out += Terminator;
                if (out.size() > (1 << 20)) Write(out);
            }
        }
    }
    ::close(fd);
}

void Work() {
    std::vector<char> buffer(64 * 1024);
    std::vector<std::string> found;
    std::string out;
    for (;;) {
        std::string folder;
        {
            std::unique_lock<std::mutex> hold(Lock);
            Wake.wait(hold, [] { return !Folders.empty() || Busy == 0; });
            if (Folders.empty()) break;
            folder = std::move(Folders.back());
            Folders.pop_back();
            ++Busy;
        }
        List(folder, found, out, buffer.data());
        {
            const std::lock_guard<std::mutex> hold(Lock);
            for (std::string& f : found) Folders.push_back(std::move(f));
            --Busy;
        }
        found.clear();
        Wake.notify_all();
    }
    Write(out);
    Wake.notify_all();
}

}  // namespace

int main(int argc, char** argv) {
    int arg = 1;
    if (arg < argc && std::strcmp(argv[arg], "-0") == 0) Terminator = '\0', ++arg;
    if (arg + 1 != argc) {
        std::fprintf(stderr, "usage: floor_walk [-0] ROOT\n");
        return 2;
    }
    std::string root = argv[arg];
    if (root.empty() || root.back() != '/') root += '/';
    Folders.push_back(root);
    std::thread other(Work);
    Work();
    other.join();
    return 0;
}
