#include "platform/files/DeletionJournal.h"

// A journal is text, one record a line, fields parted by a space, names percent-encoded where a
// byte would break a line or a field (a name need not be valid UTF-8):
//
//     nulvane deletion journal 1
//     D ID DEVICE INODE PATH              a folder, by its real path and identity
//     M FOLDER ASIDE DEVICE INODE NAME    NAME (that file) is about to be moved to ASIDE
//     T FOLDER ASIDE TRASH ENTRY          ASIDE is about to go into the trash folder TRASH as ENTRY
//
// A line cut short by the end of the file was never finished and is passed over.
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <system_error>
#include <utility>

#include <atomic>

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/FileDescriptor.h"
#include "platform/files/NoReplace.h"
#include "platform/files/Trash.h"
#include "platform/system/UserFolders.h"

namespace nulvane {
namespace {

constexpr std::string_view Header = "nulvane deletion journal 1\n";
constexpr std::string_view JournalSuffix = ".journal";
// A journal of a few files stays small; a long deletion takes larger blocks.
constexpr std::size_t FirstBlock = 64 << 10, LaterBlock = 1 << 20;

std::string ErrorText(int error) { return std::system_category().message(error); }

void AppendEncoded(std::string& out, std::string_view bytes) {
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::size_t plain = 0;  // where the bytes that go as they are begin
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte > 0x20 && byte != '%' && byte != 0x7f) continue;
        out.append(bytes.substr(plain, i - plain));
        const char escaped[] = {'%', Hex[byte >> 4], Hex[byte & 15]};
        out.append(escaped, sizeof escaped);
        plain = i + 1;
    }
    out.append(bytes.substr(plain));
}

bool Decode(std::string_view text, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        unsigned value = 0;
        if (i + 2 >= text.size()) return false;
        const auto [end, error] = std::from_chars(text.data() + i + 1, text.data() + i + 3, value, 16);
        if (error != std::errc() || end != text.data() + i + 3) return false;
        out += static_cast<char>(value);
        i += 2;
    }
    return true;
}

void AppendNumber(std::string& out, std::uint64_t value) {
    char text[24];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    out.append(text, end);
}

// A field of a record line that is a name or a path: stored encoded, so that spaces and line
// breaks in it cannot split the line.
struct TText {
    std::string_view Bytes;
};

void AppendField(std::string& line, std::uint64_t value) {
    line += ' ';
    AppendNumber(line, value);
}

void AppendField(std::string& line, TText text) {
    line += ' ';
    AppendEncoded(line, text.Bytes);
}

// One record line: its kind letter, then its fields, each after a single space.
template <typename... TFields>
void AppendRecord(std::string& line, char kind, const TFields&... fields) {
    line += kind;
    (AppendField(line, fields), ...);
    line += '\n';
}

template <typename T>
bool ParseNumber(std::string_view text, T& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// The real path of the open folder (or of the working folder), as this process sees it; empty
// where /proc cannot tell.
std::string RealPathOf(int fd) {
    char link[64] = "/proc/self/cwd";
    if (fd != AT_FDCWD) std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    std::string target(PATH_MAX, '\0');
    for (;;) {
        const ssize_t length = ::readlink(link, target.data(), target.size());
        if (length < 0) return {};
        if (static_cast<std::size_t>(length) < target.size()) {
            target.resize(static_cast<std::size_t>(length));
            return target.starts_with('/') ? target : std::string();
        }
        target.resize(target.size() * 2);
    }
}

std::string Joined(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (!path.ends_with('/')) path += '/';
    return path.append(name);
}

}  // namespace

std::string DeletionJournalFolder() {
    const char* stateHome = std::getenv("XDG_STATE_HOME");
    if (stateHome && stateHome[0] == '/') return std::string(stateHome) + "/nulvane";
    std::string home;
    if (const char* variable = std::getenv("HOME"); variable && variable[0] == '/') {
        home = variable;
    } else if (const passwd* user = ::getpwuid(::geteuid()); user && user->pw_dir) {
        home = user->pw_dir;
    }
    return home + "/.local/state/nulvane";
}

// --- Writing -------------------------------------------------------------------------------------

TDeletionJournal::TDeletionJournal(std::string folder) : Folder_(std::move(folder)) {}

TDeletionJournal::~TDeletionJournal() {
    if (Block_) ::munmap(Block_, BlockSize_);
    if (!Fd_) return;
    // Removed while the lock is held (the descriptor closes after), so that no recovery reads it
    // half gone.
    if (!Keep_) ::unlink(Path_.c_str());
}

int TDeletionJournal::Open() noexcept {
    if (Fd_) return 0;
    if (Error_ != 0) return Error_;
    try {
        MakeUserFolderQuietly(Folder_);
        for (int attempt = 0; attempt < 16; ++attempt) {
            std::uint64_t random = 0;
            if (::getrandom(&random, sizeof random, GRND_NONBLOCK) != sizeof random)
                random = static_cast<std::uint64_t>(::time(nullptr)) * 0x9E3779B97F4A7C15ull + attempt;
            char name[64];
            std::snprintf(name, sizeof name, "deletion-%d-%016llx", static_cast<int>(::getpid()),
                          static_cast<unsigned long long>(random));
            std::string path = Joined(Folder_, name).append(JournalSuffix);
            TFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
            if (!fd) {
                if (errno == EEXIST) continue;
                const int error = errno;
                if (!IsResourceError(error)) Error_ = error;
                return error;
            }
            // Between its creation and the lock, a recovery may have taken the empty journal for a
            // dead run's and removed it: then it is no journal.
            struct stat st;
            if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0 || ::fstat(fd.Get(), &st) != 0 || st.st_nlink == 0) continue;
            Fd_.Reset(fd.Release());
            Path_ = std::move(path);
            return Append(Header);
        }
        Error_ = EEXIST;
        return Error_;
    } catch (const std::bad_alloc&) {
        return ENOMEM;
    }
}

int TDeletionJournal::NextBlock(std::size_t needed) noexcept {
    if (Block_) ::munmap(Block_, BlockSize_);
    Block_ = nullptr;
    if (!Mapped_) return 0;
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    BlockSize_ = std::max(End_ == 0 ? FirstBlock : LaterBlock, (needed + page - 1) / page * page);
    int error;
    do error = ::posix_fallocate(Fd_.Get(), static_cast<off_t>(End_), static_cast<off_t>(BlockSize_));
    while (error == EINTR);
    if (error != 0) return error;
    void* block = ::mmap(nullptr, BlockSize_, PROT_READ | PROT_WRITE, MAP_SHARED, Fd_.Get(), static_cast<off_t>(End_));
    if (block == MAP_FAILED) {
        if (IsResourceError(errno)) return errno;
        Mapped_ = false;  // written line by line from here on
        return 0;
    }
    Block_ = static_cast<char*>(block);
    Used_ = 0;
    End_ += BlockSize_;
    return 0;
}

int TDeletionJournal::Append(std::string_view line) noexcept {
    if (Mapped_ && (!Block_ || Used_ + line.size() > BlockSize_)) {
        if (const int error = NextBlock(line.size()); error != 0) {
            if (!IsResourceError(error)) Error_ = error;
            return error;
        }
    }
    if (Block_) {
        // The line end last: a process killed half way through the copy leaves a line without
        // its end, which a recovery passes over.
        std::memcpy(Block_ + Used_, line.data(), line.size() - 1);
        std::atomic_signal_fence(std::memory_order_seq_cst);
        Block_[Used_ + line.size() - 1] = line.back();
        Used_ += line.size();
        return 0;
    }
    while (!line.empty()) {
        const ssize_t written = ::pwrite(Fd_.Get(), line.data(), line.size(), static_cast<off_t>(End_));
        if (written < 0) {
            if (errno == EINTR) continue;
            // A record cut short would spoil every one after it: the journal takes no more.
            Error_ = errno;
            return Error_;
        }
        line.remove_prefix(static_cast<std::size_t>(written));
        End_ += static_cast<std::uint64_t>(written);
    }
    return 0;
}

unsigned TDeletionJournal::FolderId(int fd, std::string& line) {
    if (const auto it = FolderIds_.find(fd); it != FolderIds_.end()) return it->second;
    struct stat st;
    const std::string path = RealPathOf(fd);
    if (path.empty() || ::fstatat(fd, "", &st, AT_EMPTY_PATH) != 0) return 0;
    const unsigned id = NextId_++;
    AppendRecord(line, 'D', std::uint64_t{id}, static_cast<std::uint64_t>(st.st_dev),
                 static_cast<std::uint64_t>(st.st_ino), TText{path});
    FolderIds_.emplace(fd, id);
    return id;
}

int TDeletionJournal::RecordMove(int folderFd, std::string_view aside, std::string_view name, std::uint64_t device,
                                 std::uint64_t inode) noexcept {
    try {
        if (const int error = Open(); error != 0) return error;
        Line_.clear();
        const unsigned folder = FolderId(folderFd, Line_);
        if (folder == 0) {
            // Without the folder's path nothing could be put back: no record is worth more.
            Error_ = ENOENT;
            return Error_;
        }
        AppendRecord(Line_, 'M', std::uint64_t{folder}, TText{aside}, device, inode, TText{name});
        return Append(Line_);
    } catch (const std::bad_alloc&) {
        return ENOMEM;
    }
}

int TDeletionJournal::RecordTrash(int folderFd, std::string_view aside, int trashFd, std::string_view entry) noexcept {
    try {
        if (const int error = Open(); error != 0) return error;
        Line_.clear();
        const unsigned folder = FolderId(folderFd, Line_);
        const unsigned trash = FolderId(trashFd, Line_);
        if (folder == 0 || trash == 0) {
            Error_ = ENOENT;
            return Error_;
        }
        AppendRecord(Line_, 'T', std::uint64_t{folder}, TText{aside}, std::uint64_t{trash}, TText{entry});
        return Append(Line_);
    } catch (const std::bad_alloc&) {
        return ENOMEM;
    }
}

void TDeletionJournal::FolderClosed(int fd) noexcept { FolderIds_.erase(fd); }

// --- Recovery ------------------------------------------------------------------------------------

namespace {

struct TFolderRecord {
    std::uint64_t Device = 0, Inode = 0;
    std::string Path;
};

struct TMoveRecord {
    std::uint64_t Device = 0, Inode = 0;
    std::string Name;
};

struct TTrashRecord {
    unsigned Trash = 0;
    std::string Entry;
};

// What one private name in one folder was recorded for.
struct TAsideGroup {
    unsigned Folder = 0;
    std::string Aside;
    std::vector<TMoveRecord> Moves;
    std::vector<TTrashRecord> Trash;
};

struct TJournal {
    std::map<unsigned, TFolderRecord> Folders;
    std::vector<TAsideGroup> Groups;  // in the order the journal names them first
};

// Splits `line` at spaces into exactly `count` fields.
bool SplitFields(std::string_view line, std::string_view* fields, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t space = i + 1 < count ? line.find(' ') : std::string_view::npos;
        if (i + 1 < count && space == std::string_view::npos) return false;
        fields[i] = line.substr(0, space);
        line.remove_prefix(space == std::string_view::npos ? line.size() : space + 1);
    }
    return true;
}

TJournal ParseJournal(std::string_view text) {
    TJournal journal;
    std::map<std::pair<unsigned, std::string>, std::size_t> groupOf;
    auto group = [&](unsigned folder, std::string aside) -> TAsideGroup& {
        const auto [it, added] = groupOf.try_emplace({folder, aside}, journal.Groups.size());
        if (added) journal.Groups.push_back({folder, std::move(aside), {}, {}});
        return journal.Groups[it->second];
    };
    std::string decoded, aside;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) break;  // never finished
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        // What a block left unwritten before the next one is zero bytes; a line with a zero byte
        // inside was cut short.
        line.remove_prefix(std::min(line.find_first_not_of('\0'), line.size()));
        if (line.find('\0') != std::string_view::npos) continue;
        std::string_view f[6];
        unsigned folder = 0, trash = 0;
        std::uint64_t device = 0, inode = 0;
        if (line.starts_with("D ") && SplitFields(line, f, 5) && ParseNumber(f[1], folder) &&
            ParseNumber(f[2], device) && ParseNumber(f[3], inode) && Decode(f[4], decoded)) {
            journal.Folders[folder] = {device, inode, decoded};
        } else if (line.starts_with("M ") && SplitFields(line, f, 6) && ParseNumber(f[1], folder) &&
                   Decode(f[2], aside) && ParseNumber(f[3], device) && ParseNumber(f[4], inode) &&
                   Decode(f[5], decoded)) {
            group(folder, aside).Moves.push_back({device, inode, decoded});
        } else if (line.starts_with("T ") && SplitFields(line, f, 5) && ParseNumber(f[1], folder) &&
                   Decode(f[2], aside) && ParseNumber(f[3], trash) && Decode(f[4], decoded)) {
            group(folder, aside).Trash.push_back({trash, decoded});
        }
    }
    return journal;
}

class TRecoverer {
public:
    TRecoverer(const TJournal& journal, TRecovery& recovery) : Journal_(journal), Recovery_(recovery) {}

    void Recover(const TAsideGroup& group) {
        const int fd = Folder(group.Folder);
        if (fd < 0) return;
        const std::string& folder = Journal_.Folders.at(group.Folder).Path;
        struct stat st;
        const TMoveRecord* move = nullptr;
        bool backUnderName = false;  // the file under the private name went back where it was
        if (::fstatat(fd, group.Aside.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT)
                Recovery_.Left.push_back({Joined(folder, group.Aside), Joined(folder, group.Aside), ErrorText(errno)});
        } else if (!group.Moves.empty()) {
            // The move it belongs to: the last that moved this very file; a file that is none of
            // them came in by the last move.
            move = &group.Moves.back();
            for (auto it = group.Moves.rbegin(); it != group.Moves.rend(); ++it)
                if (it->Device == static_cast<std::uint64_t>(st.st_dev) && it->Inode == static_cast<std::uint64_t>(st.st_ino)) {
                    move = &*it;
                    break;
                }
            std::string now;
            const std::string path = Joined(folder, move->Name);
            if (const int error = PutBackBeside(fd, group.Aside.c_str(), move->Name, now); error != 0) {
                Recovery_.Left.push_back({path, Joined(folder, group.Aside), ErrorText(error)});
            } else if (now.empty()) {
                ++Recovery_.PutBack;
                backUnderName = true;
            } else {
                Recovery_.KeptBeside.push_back({path, Joined(folder, now), "its name was taken"});
                backUnderName = true;
            }
        }
        if (!group.Moves.empty())
            for (const TTrashRecord& trash : group.Trash) ClearTrashEntry(trash, group.Moves.back(), backUnderName);
    }

private:
    // The recorded folder, open, or -1 when it is gone or another folder has its path now (said
    // once a folder).
    int Folder(unsigned id) {
        const auto [it, added] = Open_.try_emplace(id);
        if (!added) return it->second.Get();
        const auto record = Journal_.Folders.find(id);
        if (record == Journal_.Folders.end()) return -1;
        TFd fd(::open(record->second.Path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        struct stat st;
        std::string reason;
        if (!fd) {
            reason = ErrorText(errno);
        } else if (::fstat(fd.Get(), &st) != 0 || static_cast<std::uint64_t>(st.st_dev) != record->second.Device ||
                   static_cast<std::uint64_t>(st.st_ino) != record->second.Inode) {
            reason = "another folder has its path now";
        } else {
            it->second.Reset(fd.Release());
            return it->second.Get();
        }
        Recovery_.Left.push_back({record->second.Path, {}, reason});
        return -1;
    }

    // After the file `move` recorded went back from its private name (`putBack`) or did not (it
    // was gone from there): an entry of the trash that the interrupted move left without its file,
    // or with a second name of a file that is back, is removed.
    void ClearTrashEntry(const TTrashRecord& trash, const TMoveRecord& move, bool putBack) {
        const auto [it, added] = Trashes_.try_emplace(trash.Trash);
        if (added) {
            const int trashFd = Folder(trash.Trash);
            if (trashFd < 0) return;
            it->second.first.Reset(::openat(trashFd, "files", O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            it->second.second.Reset(::openat(trashFd, "info", O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        }
        const int files = it->second.first.Get(), info = it->second.second.Get();
        struct stat st;
        const bool inTrash = files >= 0 && ::fstatat(files, trash.Entry.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                             static_cast<std::uint64_t>(st.st_dev) == move.Device &&
                             static_cast<std::uint64_t>(st.st_ino) == move.Inode;
        // Moved in by a link that the removal of the old name did not follow: the file is back.
        if (inTrash && putBack) ::unlinkat(files, trash.Entry.c_str(), 0);
        if (info >= 0 && (!inTrash || putBack)) {
            const std::string infoName = trash.Entry + ".trashinfo";
            if (NamesTheFile(info, infoName, move.Name)) ::unlinkat(info, infoName.c_str(), 0);
        }
    }

    // Whether the info file is the one written for the file named `name`: it says so in its path,
    // or its writing was cut short before the path.
    static bool NamesTheFile(int infoFd, const std::string& infoName, const std::string& name) {
        std::string text;
        {
            const TFd fd(::openat(infoFd, infoName.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
            if (!fd) return false;
            char buffer[8192];
            for (ssize_t got; (got = ::read(fd.Get(), buffer, sizeof buffer)) > 0 && text.size() < 65536;)
                text.append(buffer, static_cast<std::size_t>(got));
        }
        const std::size_t start = text.find("\nPath=");
        const std::size_t end = start == std::string::npos ? start : text.find('\n', start + 1);
        if (end == std::string::npos) return true;
        const std::string_view path = std::string_view(text).substr(start + 6, end - start - 6);
        const std::string encoded = TTrash::EncodePath(name);
        return path == encoded || path.ends_with("/" + encoded);
    }

    const TJournal& Journal_;
    TRecovery& Recovery_;
    // The trashes' folders close after the folders: members go in the reverse of this order.
    std::map<unsigned, std::pair<TFd, TFd>> Trashes_;  // the files/ and info/ folders of trashes by id
    std::map<unsigned, TFd> Open_;                      // folders by id
};

void RecoverJournal(const std::string& path, TRecovery& recovery) {
    const TFd journalFd(::open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
    const int fd = journalFd.Get();
    if (fd < 0) {
        if (errno != ENOENT) recovery.Left.push_back({path, {}, ErrorText(errno)});
        return;
    }
    // A run that holds its journal is alive (or another recovery has it): not ours to touch. One
    // that another recovery removed meanwhile has been dealt with.
    struct stat st;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::fstat(fd, &st) != 0 || st.st_nlink == 0) return;
    std::string text;
    char buffer[65536];
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) != 0;) {
        if (got < 0) {
            if (errno == EINTR) continue;
            recovery.Left.push_back({path, {}, ErrorText(errno)});
            return;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
    const TJournal journal = ParseJournal(text);
    {
        TRecoverer recoverer(journal, recovery);
        for (const TAsideGroup& group : journal.Groups) recoverer.Recover(group);
    }
    ::unlink(path.c_str());
}

}  // namespace

TRecovery RecoverInterruptedDeletions(const std::string& folder) {
    TRecovery recovery;
    try {
        const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
        if (!dir) {
            // A state folder this user may not read holds no journal of theirs: theirs are made
            // for them alone.
            if (errno != ENOENT && errno != EACCES && errno != ENOTDIR)
                recovery.Left.push_back({folder, {}, ErrorText(errno)});
            return recovery;
        }
        std::vector<std::string> journals;
        while (const dirent* entry = ::readdir(dir.get())) {
            const std::string_view name = entry->d_name;
            if (name.starts_with("deletion-") && name.ends_with(JournalSuffix)) journals.emplace_back(name);
        }
        std::sort(journals.begin(), journals.end());
        for (const std::string& name : journals) RecoverJournal(Joined(folder, name), recovery);
    } catch (const std::bad_alloc&) {
        // What was not looked at stays recorded for the next run.
    }
    return recovery;
}

}  // namespace nulvane
