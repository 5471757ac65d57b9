#include "platform/files/journal/DeletionJournal.h"

// A journal is text, one record a line, fields parted by a space, names percent-encoded where a
// byte would break a line or a field (a name need not be valid UTF-8):
//
//     nulvane deletion journal 3
//     R RECORD                            (first, or not at all) a part of the undo record RECORD
//     D ID DEVICE INODE PATH              a folder, by its real path and identity
//     M FOLDER ASIDE DEVICE INODE NAME    NAME (that file) is about to be moved to ASIDE
//     T FOLDER ASIDE TRASH TEMP PATH DATE ASIDE's info file is about to be made as info/TEMP in the
//                                         trash folder TRASH, holding PATH and DATE
//     I FOLDER ASIDE TRASH ENTRY INODE    that info file, INODE, is about to become ENTRY.trashinfo,
//                                         and ASIDE to go into the trash as ENTRY
//     U FOLDER INODE MODE UID GID ATIME MTIME NAME [ATTRIBUTE VALUE]...
//                                         the file NAME is about to go for good: what makes it again
//     F FOLDER INODE MODE ... NAME [...]  the same for a folder, followed by its folders inside:
//     S PARENT INODE MODE ... NAME [...]  a folder inside the folder (or inside a folder inside it)
//                                         whose inode is PARENT
//     X FOLDER INODE NAME                 the entry last recorded by U or F did not go after all
//     C FOLDER ASIDE NAME                 an undo is about to make NAME again under ASIDE
//
// MODE is octal, times are SECONDS.NANOSECONDS (nine digits). A line cut short by the end of the
// file was never finished and is passed over. Journals of the first version recorded the trash entry
// before its info file was made, so that their trash records cannot tell an info file of theirs from
// another program's: they are passed over; those of the first two versions hold no undo records.
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <new>
#include <span>
#include <stdexcept>
#include <system_error>
#include <utility>

#include <atomic>

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/FileDescriptor.h"
#include "platform/files/NoReplace.h"
#include "platform/files/PathNames.h"
#include "platform/files/journal/PrivateFolder.h"
#include "platform/files/PrivateName.h"
#include "platform/files/trash/Trash.h"
#include "platform/files/trash/TrashLayout.h"
#include "platform/system/UserFolders.h"
#include "platform/text/Translatable.h"

namespace nulvane {
namespace {

constexpr std::string_view Header = "nulvane deletion journal 3\n";
constexpr std::string_view SecondHeader = "nulvane deletion journal 2\n";
constexpr std::string_view FirstHeader = "nulvane deletion journal 1\n";
constexpr std::string_view UndoPrefix = "undo-";
constexpr std::string_view JournalPrefix = "deletion-";
constexpr std::string_view JournalSuffix = ".journal";
constexpr std::string_view DamagedSuffix = ".damaged";
// A journal that still records what could not be put back, once that was said: tried again by
// every recovery without a word, until it is through or has waited WaitingDays.
constexpr std::string_view WaitingSuffix = ".waiting";
constexpr long WaitingDays = 30;
// A journal of a few files stays small; a long deletion takes larger blocks.
constexpr std::size_t FirstBlock = 64 << 10, LaterBlock = 1 << 20;
// A remover goes on in a new journal once its journal reaches this size, so that no journal of
// ours grows past RotateAt and a block; a recovery reads none larger than MaxJournalSize.
constexpr std::uint64_t RotateAt = 4 << 20;
constexpr std::uint64_t MaxJournalSize = 16 << 20;

std::string ErrorText(int error) { return std::system_category().message(error); }

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

// Record lines are written field by field into room made for them beforehand: a deletion writes
// one or two lines a file, and appending to a string piece by piece would cost more than the rest
// of the record.

// A field of a record line that is a name or a path: stored encoded, so that spaces and line
// breaks in it cannot split the line (a name need not be valid UTF-8).
struct TText {
    std::string_view Bytes;
};

// A mode, in octal.
struct TOctal {
    std::uint32_t Value;
};

// A time to the nanosecond: SECONDS.NANOSECONDS.
struct TTime {
    std::int64_t Seconds;
    std::uint32_t Nanoseconds;
};

// The most a field takes, its space included.
constexpr std::size_t Room(std::uint64_t) noexcept { return 21; }
constexpr std::size_t Room(TOctal) noexcept { return 12; }
constexpr std::size_t Room(TTime) noexcept { return 32; }
constexpr std::size_t Room(TText text) noexcept { return 1 + 3 * text.Bytes.size(); }

char* Put(char* at, std::uint64_t value) noexcept {
    *at++ = ' ';
    return std::to_chars(at, at + 20, value).ptr;
}

char* Put(char* at, TOctal mode) noexcept {
    *at++ = ' ';
    return std::to_chars(at, at + 11, mode.Value, 8).ptr;
}

char* Put(char* at, TTime time) noexcept {
    *at++ = ' ';
    at = std::to_chars(at, at + 20, time.Seconds).ptr;
    *at++ = '.';
    char digits[10];
    const char* end = std::to_chars(digits, digits + sizeof digits, time.Nanoseconds % 1'000'000'000u).ptr;
    const std::size_t count = static_cast<std::size_t>(end - digits);
    std::memset(at, '0', 9 - count);
    std::memcpy(at + 9 - count, digits, count);
    return at + 9;
}

char* Put(char* at, TText text) noexcept {
    static constexpr char Hex[] = "0123456789ABCDEF";
    *at++ = ' ';
    for (const char c : text.Bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte > 0x20 && byte != '%' && byte != 0x7f) {
            *at++ = c;
        } else {
            at[0] = '%';
            at[1] = Hex[byte >> 4];
            at[2] = Hex[byte & 15];
            at += 3;
        }
    }
    return at;
}

// Appends the fields to `line`, each after a single space.
template <typename... TFields>
void AppendFields(std::string& line, const TFields&... fields) {
    const std::size_t start = line.size();
    line.resize(start + (Room(fields) + ... + 0));
    char* at = line.data() + start;
    ((at = Put(at, fields)), ...);
    line.resize(static_cast<std::size_t>(at - line.data()));
}

// One record line: its kind letter, then its fields, each after a single space.
template <typename... TFields>
void AppendRecord(std::string& line, char kind, const TFields&... fields) {
    line += kind;
    AppendFields(line, fields...);
    line += '\n';
}

template <typename T>
bool ParseNumber(std::string_view text, T& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

}  // namespace

std::string DeletionJournalFolder() {
    const char* stateHome = std::getenv("XDG_STATE_HOME");
    if (stateHome && stateHome[0] == '/') return std::string(stateHome) + "/nulvane";
    return HomeFolder() + "/.local/state/nulvane";
}

// --- Writing -------------------------------------------------------------------------------------

TDeletionJournal::TFile::TFile(TFile&& other) noexcept
    : Fd(other.Fd.Release()), Path(std::move(other.Path)), Block(std::exchange(other.Block, nullptr)),
      BlockSize(other.BlockSize), Used(other.Used), End(other.End), Gone(other.Gone) {}

TDeletionJournal::TFile& TDeletionJournal::TFile::operator=(TFile&& other) noexcept {
    if (this == &other) return *this;
    if (Block) ::munmap(Block, BlockSize);
    Fd.Reset(other.Fd.Release());
    Path = std::move(other.Path);
    Block = std::exchange(other.Block, nullptr);
    BlockSize = other.BlockSize;
    Used = other.Used;
    End = other.End;
    Gone = other.Gone;
    return *this;
}

TDeletionJournal::TFile::~TFile() {
    if (Block) ::munmap(Block, BlockSize);
}

TDeletionJournal::TDeletionJournal(std::string folder) : Folder_(std::move(folder)) {}

TDeletionJournal::~TDeletionJournal() {
    // Removed (or kept as a part of the undo record) while the lock is held (the descriptor closes
    // after), so that no recovery reads it half gone.
    if (File_.Fd && !Keep_) Finish(File_);
}

void TDeletionJournal::Finish(TFile& file) noexcept {
    if (file.Gone && !UndoId_.empty()) {
        try {
            std::string part(FolderPartOf(file.Path));
            part.append(UndoPrefix).append(UndoId_).append(".").append(NameOf(file.Path));
            // Where it cannot be renamed, the next run's recovery finds it a journal without
            // anything to put back, and keeps it for the record all the same.
            MoveNoReplace(AT_FDCWD, file.Path.c_str(), AT_FDCWD, part.c_str());
        } catch (const std::bad_alloc&) {
        }
        return;
    }
    ::unlink(file.Path.c_str());
}

int TDeletionJournal::Fail(int error) noexcept {
    if (!IsResourceError(error)) Error_ = error;
    return error;
}

std::string TDeletionJournal::Problem() const {
    if (!Problem_.empty()) return Problem_;
    return Error_ == 0 ? std::string() : Folder_ + ": " + ErrorText(Error_);
}

int TDeletionJournal::Start() noexcept { return Open(); }

int TDeletionJournal::Open() noexcept {
    // A journal that failed once takes no more records: what they would record could not be put
    // back.
    if (Error_ != 0) return Error_;
    if (File_.Fd) return 0;
    try {
        // Only where a recovery would read it: a journal it refuses would put nothing back. The
        // folder is not kept open: a deletion short of descriptors needs each.
        MakeUserFolderQuietly(Folder_);
        int error = 0;
        const TFd folder(OpenPrivateFolder(Folder_, error, Problem_));
        if (!folder) return Fail(error);
        for (int attempt = 0; attempt < 16; ++attempt) {
            std::uint64_t random = 0;
            if (::getrandom(&random, sizeof random, GRND_NONBLOCK) != sizeof random)
                random = static_cast<std::uint64_t>(::time(nullptr)) * 0x9E3779B97F4A7C15ull + attempt;
            char name[64];
            std::snprintf(name, sizeof name, "deletion-%d-%016llx.journal", static_cast<int>(::getpid()),
                          static_cast<unsigned long long>(random));
            TFd fd(::openat(folder.Get(), name, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
            if (!fd) {
                if (errno == EEXIST) continue;
                return Fail(errno);
            }
            // Between its creation and the lock, a recovery may have taken the empty journal for a
            // dead run's and removed it: then it is no journal.
            struct stat st;
            if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0 || ::fstat(fd.Get(), &st) != 0 || st.st_nlink == 0) continue;
            File_ = TFile();
            File_.Fd.Reset(fd.Release());
            File_.Path = JoinedPath(Folder_, name);
            Line_.assign(Header);
            if (!UndoId_.empty()) AppendRecord(Line_, 'R', TText{UndoId_});
            return Append(Line_);
        }
        return Fail(EEXIST);
    } catch (const std::bad_alloc&) {
        return ENOMEM;
    }
}

bool TDeletionJournal::Full() const noexcept { return File_.Fd && File_.End >= RotateAt; }

int TDeletionJournal::Rotate(const std::function<int(TDeletionJournal&)>& carry) noexcept {
    if (!File_.Fd) return 0;
    TFile old = std::move(File_);
    File_ = TFile();
    std::unordered_map<int, unsigned> oldIds;
    oldIds.swap(FolderIds_);
    int error = Open();
    if (error == 0) error = carry(*this);
    if (error != 0) {
        // The old journal still records everything: it goes on.
        if (File_.Fd) ::unlink(File_.Path.c_str());
        File_ = std::move(old);
        FolderIds_.swap(oldIds);
        return error;
    }
    Finish(old);
    return 0;
}

int TDeletionJournal::NextBlock(std::size_t needed) noexcept {
    if (File_.Block) ::munmap(File_.Block, File_.BlockSize);
    File_.Block = nullptr;
    if (!Mapped_) return 0;
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t size = std::max(File_.End == 0 ? FirstBlock : LaterBlock, (needed + page - 1) / page * page);
    int error;
    do error = ::posix_fallocate(File_.Fd.Get(), static_cast<off_t>(File_.End), static_cast<off_t>(size));
    while (error == EINTR);
    if (error != 0) return error;
    void* block = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, File_.Fd.Get(), static_cast<off_t>(File_.End));
    if (block == MAP_FAILED) {
        if (IsResourceError(errno)) return errno;
        Mapped_ = false;  // written line by line from here on
        return 0;
    }
    File_.Block = static_cast<char*>(block);
    File_.BlockSize = size;
    File_.Used = 0;
    File_.End += size;
    return 0;
}

int TDeletionJournal::Append(std::string_view line) noexcept {
    TFile& file = File_;
    if (Mapped_ && (!file.Block || file.Used + line.size() > file.BlockSize)) {
        if (const int error = NextBlock(line.size()); error != 0) return Fail(error);
    }
    if (file.Block) {
        // The line end last: a process killed half way through the copy leaves a line without
        // its end, which a recovery passes over.
        std::memcpy(file.Block + file.Used, line.data(), line.size() - 1);
        std::atomic_signal_fence(std::memory_order_seq_cst);
        file.Block[file.Used + line.size() - 1] = line.back();
        file.Used += line.size();
        return 0;
    }
    while (!line.empty()) {
        const ssize_t written = ::pwrite(file.Fd.Get(), line.data(), line.size(), static_cast<off_t>(file.End));
        if (written < 0) {
            if (errno == EINTR) continue;
            // A record cut short would spoil every one after it: the journal takes no more.
            Error_ = errno;
            return Error_;
        }
        line.remove_prefix(static_cast<std::size_t>(written));
        file.End += static_cast<std::uint64_t>(written);
    }
    return 0;
}

unsigned TDeletionJournal::FolderId(int fd, std::string& line) {
    if (const auto it = FolderIds_.find(fd); it != FolderIds_.end()) return it->second;
    struct stat st;
    const std::string path = FolderPath(fd);
    if (path.empty() || ::fstatat(fd, "", &st, AT_EMPTY_PATH) != 0) return 0;
    const unsigned id = NextId_++;
    AppendRecord(line, 'D', std::uint64_t{id}, static_cast<std::uint64_t>(st.st_dev),
                 static_cast<std::uint64_t>(st.st_ino), TText{path});
    FolderIds_.emplace(fd, id);
    return id;
}

template <class TWrite>
int TDeletionJournal::RecordIn(int folderFd, TWrite write) noexcept {
    try {
        if (const int error = Open(); error != 0) return error;
        Line_.clear();
        const unsigned folder = FolderId(folderFd, Line_);
        if (folder == 0) return Fail(ENOENT);  // without the folder's path nothing could be put back
        return write(folder);
    } catch (const std::bad_alloc&) {
        return ENOMEM;
    }
}

int TDeletionJournal::RecordMove(int folderFd, std::string_view aside, std::string_view name, std::uint64_t device,
                                 std::uint64_t inode) noexcept {
    return RecordIn(folderFd, [&](unsigned folder) {
        AppendRecord(Line_, 'M', std::uint64_t{folder}, TText{aside}, device, inode, TText{name});
        return Append(Line_);
    });
}

int TDeletionJournal::RecordTrash(int folderFd, std::string_view aside, int trashFd, std::string_view temp,
                                  std::string_view path, std::string_view date) noexcept {
    try {
        if (const int error = Open(); error != 0) return error;
        Line_.clear();
        const unsigned folder = FolderId(folderFd, Line_);
        const unsigned trash = FolderId(trashFd, Line_);
        if (folder == 0 || trash == 0) return Fail(ENOENT);
        AppendRecord(Line_, 'T', std::uint64_t{folder}, TText{aside}, std::uint64_t{trash}, TText{temp}, TText{path},
                     TText{date});
        return Append(Line_);
    } catch (const std::bad_alloc&) {
        return ENOMEM;
    }
}

int TDeletionJournal::RecordTrashEntry(int folderFd, std::string_view aside, int trashFd, std::string_view entry,
                                       std::uint64_t infoInode) noexcept {
    try {
        if (const int error = Open(); error != 0) return error;
        Line_.clear();
        const unsigned folder = FolderId(folderFd, Line_);
        const unsigned trash = FolderId(trashFd, Line_);
        if (folder == 0 || trash == 0) return Fail(ENOENT);
        AppendRecord(Line_, 'I', std::uint64_t{folder}, TText{aside}, std::uint64_t{trash}, TText{entry}, infoInode);
        return Append(Line_);
    } catch (const std::bad_alloc&) {
        return ENOMEM;
    }
}

void TDeletionJournal::AppendGone(char kind, std::uint64_t folderOrParent, std::string_view name,
                                  const TEntryMetadata& entry) {
    AppendRecord(Line_, kind, folderOrParent, entry.Inode, TOctal{entry.Mode}, std::uint64_t{entry.Owner},
                 std::uint64_t{entry.Group}, TTime{entry.AccessSeconds, entry.AccessNanoseconds},
                 TTime{entry.WriteSeconds, entry.WriteNanoseconds}, TText{name});
    if (entry.Attributes.empty()) return;
    Line_.pop_back();  // the line end goes after the attributes
    entry.ForEachAttribute([this](std::string_view attribute, std::string_view value) {
        AppendFields(Line_, TText{attribute}, TText{value});
    });
    Line_ += '\n';
}

int TDeletionJournal::RecordGone(int folderFd, std::string_view name, const TEntryMetadata& entry) noexcept {
    return RecordIn(folderFd, [&](unsigned folder) {
        AppendGone('U', folder, name, entry);
        const int error = Append(Line_);
        File_.Gone = File_.Gone || error == 0;
        return error;
    });
}

int TDeletionJournal::RecordGoneTree(int folderFd, std::span<const TGoneFolder> tree) noexcept {
    if (tree.empty()) return EINVAL;
    return RecordIn(folderFd, [&](unsigned folder) {
        AppendGone('F', folder, tree[0].Name, tree[0].Metadata);
        for (std::size_t n = 1; n < tree.size(); ++n) {
            if (tree[n].Parent >= n) return EINVAL;
            AppendGone('S', tree[tree[n].Parent].Metadata.Inode, tree[n].Name, tree[n].Metadata);
        }
        const int error = Append(Line_);
        File_.Gone = File_.Gone || error == 0;
        return error;
    });
}

int TDeletionJournal::RecordNotGone(int folderFd, std::string_view name, std::uint64_t inode) noexcept {
    return RecordIn(folderFd, [&](unsigned folder) {
        AppendRecord(Line_, 'X', std::uint64_t{folder}, inode, TText{name});
        return Append(Line_);
    });
}

int TDeletionJournal::RecordMaking(int folderFd, std::string_view aside, std::string_view name) noexcept {
    return RecordIn(folderFd, [&](unsigned folder) {
        AppendRecord(Line_, 'C', std::uint64_t{folder}, TText{aside}, TText{name});
        return Append(Line_);
    });
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

// An info file about to be written under a private name of the trash's info/ folder.
struct TTrashInfoRecord {
    unsigned Trash = 0;
    std::string Temp, Path, Date;
};

// That info file about to take its entry's name.
struct TTrashEntryRecord {
    unsigned Trash = 0;
    std::string Entry;
    std::uint64_t InfoInode = 0;
};

// What one private name in one folder was recorded for.
struct TAsideGroup {
    unsigned Folder = 0;
    std::string Aside;
    std::vector<TMoveRecord> Moves;
    std::vector<TTrashInfoRecord> Infos;
    std::vector<TTrashEntryRecord> Entries;
    std::string Making;  // the name an undo was making under the private name, or empty
};

struct TJournal {
    std::map<unsigned, TFolderRecord> Folders;
    std::vector<TAsideGroup> Groups;  // in the order the journal names them first
    std::string UndoId;               // the undo record the journal is a part of, or empty
    bool Gone = false;                // it records an entry that went for good
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

// A name that stands for one entry of a folder: never a path, never the folder or its parent.
bool IsOneComponent(std::string_view name) noexcept {
    return !name.empty() && name != "." && name != ".." && name.size() <= NAME_MAX &&
           name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

// An absolute path as the kernel names an open folder: no ".", "..", empty component or NUL.
bool IsRealFolderPath(std::string_view path) noexcept {
    if (path == "/") return true;
    if (!path.starts_with('/') || path.ends_with('/')) return false;
    for (std::size_t at = 1; at < path.size();) {
        const std::size_t slash = std::min(path.find('/', at), path.size());
        if (!IsOneComponent(path.substr(at, slash - at))) return false;
        at = slash + 1;
    }
    return true;
}

// A text field of the info file (its path or date): one line of it.
bool IsInfoValue(std::string_view text) noexcept {
    return !text.empty() && text.size() <= 64 * 1024 && text.find_first_of(std::string_view("\0\n\r", 3)) == std::string_view::npos;
}

// Whether `text` holds nothing but a beginning of `header` and the zero bytes of a block reserved
// after it: a journal its remover was killed in before its first line was through.
bool RecordsNothing(std::string_view text) {
    const std::size_t end = text.find_last_not_of('\0');
    const std::string_view written = end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
    return Header.starts_with(written) || SecondHeader.starts_with(written) || FirstHeader.starts_with(written);
}

// Whether `id` has the form of an undo record's ID: 16 hexadecimal digits.
bool IsUndoId(std::string_view id) noexcept {
    return id.size() == 16 &&
           std::all_of(id.begin(), id.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

bool ParseTime(std::string_view text, std::int64_t& seconds, std::uint32_t& nanoseconds) {
    const std::size_t dot = text.find('.');
    return dot != std::string_view::npos && text.size() - dot == 10 && ParseNumber(text.substr(0, dot), seconds) &&
           text[dot + 1] != '-' && text[dot + 1] != '+' && ParseNumber(text.substr(dot + 1), nanoseconds);
}

// Reads the fields of a U, F or S record after its kind and first number (f[0], f[1]): inode, mode,
// owner, group, times, name and the attributes in pairs.
bool ParseGone(std::span<const std::string_view> f, bool folder, std::string& name, TEntryMetadata& entry) {
    std::string attribute, value;
    entry.Folder = folder;
    entry.Attributes.clear();
    if (f.size() < 9 || (f.size() - 9) % 2 != 0 || !ParseNumber(f[2], entry.Inode)) return false;
    const auto [end, error] = std::from_chars(f[3].data(), f[3].data() + f[3].size(), entry.Mode, 8);
    if (error != std::errc() || end != f[3].data() + f[3].size() || f[3].empty() || entry.Mode > 07777) return false;
    if (!ParseNumber(f[4], entry.Owner) || !ParseNumber(f[5], entry.Group) ||
        !ParseTime(f[6], entry.AccessSeconds, entry.AccessNanoseconds) ||
        !ParseTime(f[7], entry.WriteSeconds, entry.WriteNanoseconds) || !Decode(f[8], name) || !IsOneComponent(name))
        return false;
    for (std::size_t n = 9; n < f.size(); n += 2) {
        if (!Decode(f[n], attribute) || attribute.empty() || attribute.find('\0') != std::string::npos ||
            !Decode(f[n + 1], value) || !entry.AddAttribute(attribute, value))
            return false;
    }
    return true;
}

// Reads `text` as a journal of ours into `journal`, and its undo records into `undo` when given:
// false, with `problem`, at the first line that is not one of its records.
bool ParseJournal(std::string_view text, TJournal& journal, std::string& problem, TUndoPart* undo = nullptr) {
    const bool first = text.starts_with(FirstHeader), third = text.starts_with(Header);
    if (!first && !third && !text.starts_with(SecondHeader)) {
        problem = N_("not a deletion journal");
        return false;
    }
    text.remove_prefix(Header.size());
    // The undo records: where each folder is among the part's folders, the inodes of the folder
    // tree being read (an S record follows its F record or another S record), and a record's fields.
    std::map<unsigned, std::size_t> partFolder;
    std::map<std::uint64_t, std::size_t> treeInodes;
    std::vector<std::string_view> fields;
    TEntryMetadata entry;
    bool inTree = false;
    auto folderOf = [&](unsigned id) {
        const auto [it, added] = partFolder.try_emplace(id, undo->Folders.size());
        if (added) {
            const TFolderRecord& record = journal.Folders.at(id);
            undo->Folders.push_back({record.Path, record.Device, record.Inode});
        }
        return it->second;
    };
    std::map<std::pair<unsigned, std::string>, std::size_t> groupOf;
    auto group = [&](unsigned folder, std::string aside) -> TAsideGroup& {
        const auto [it, added] = groupOf.try_emplace({folder, aside}, journal.Groups.size());
        if (added) journal.Groups.push_back({folder, std::move(aside), {}, {}, {}, {}});
        return journal.Groups[it->second];
    };
    auto known = [&](unsigned id) { return journal.Folders.count(id) > 0; };
    std::string name, aside, temp, path, date;
    std::size_t number = 1;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) break;  // never finished
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        ++number;
        // What a block left unwritten before the next one is zero bytes.
        line.remove_prefix(std::min(line.find_first_not_of('\0'), line.size()));
        std::string_view f[7];
        unsigned folder = 0, trash = 0;
        std::uint64_t device = 0, inode = 0;
        bool ok = false;
        const bool wasTree = std::exchange(inTree, false);
        if (third && (line.starts_with("U ") || line.starts_with("F ") || line.starts_with("S "))) {
            fields.clear();
            for (std::string_view rest = line;;) {
                const std::size_t space = rest.find(' ');
                fields.push_back(rest.substr(0, space));
                if (space == std::string_view::npos) break;
                rest.remove_prefix(space + 1);
            }
            const char kind = line[0];
            std::uint64_t parent = 0;
            ok = fields.size() >= 2 &&
                 (kind == 'S' ? wasTree && ParseNumber(fields[1], parent) && treeInodes.count(parent) > 0
                              : ParseNumber(fields[1], folder) && known(folder)) &&
                 ParseGone(fields, kind != 'U', name, entry);
            if (ok) {
                journal.Gone = true;
                inTree = kind != 'U';
                if (kind == 'F') treeInodes.clear();
                if (inTree) treeInodes[entry.Inode] = undo ? undo->Entries.size() : 0;
                if (undo) {
                    TUndoEntry gone{0, NoUndoParent, std::move(name), std::move(entry)};
                    if (kind == 'S') {
                        gone.Parent = treeInodes.at(parent);
                        gone.Folder = undo->Entries.at(gone.Parent).Folder;
                    } else {
                        gone.Folder = folderOf(folder);
                    }
                    undo->Entries.push_back(std::move(gone));
                }
            }
        } else if (third && line.starts_with("X ")) {
            ok = SplitFields(line, f, 4) && ParseNumber(f[1], folder) && known(folder) && ParseNumber(f[2], inode) &&
                 Decode(f[3], name) && IsOneComponent(name);
            // The last entry recorded so (a file, or a folder with what was recorded inside it).
            for (std::size_t n = undo && ok ? undo->Entries.size() : 0; n-- > 0;) {
                TUndoEntry& gone = undo->Entries[n];
                if (gone.Parent != NoUndoParent || gone.Metadata.Inode != inode || gone.Name != name ||
                    undo->Folders[gone.Folder].Path != journal.Folders.at(folder).Path)
                    continue;
                const auto from = undo->Entries.begin() + static_cast<std::ptrdiff_t>(n);
                const auto after = std::find_if(from + 1, undo->Entries.end(),
                                                [](const TUndoEntry& e) { return e.Parent == NoUndoParent; });
                const std::size_t erased = static_cast<std::size_t>(after - from);
                undo->Entries.erase(from, after);
                for (std::size_t later = n; later < undo->Entries.size(); ++later)
                    if (undo->Entries[later].Parent != NoUndoParent) undo->Entries[later].Parent -= erased;
                break;
            }
        } else if (third && line.starts_with("C ")) {
            ok = SplitFields(line, f, 4) && ParseNumber(f[1], folder) && known(folder) && Decode(f[2], aside) &&
                 IsPrivateName(aside) && Decode(f[3], name) && IsOneComponent(name);
            if (ok) group(folder, aside).Making = name;
        } else if (third && number == 2 && line.starts_with("R ")) {
            ok = SplitFields(line, f, 2) && IsUndoId(f[1]);
            if (ok) journal.UndoId = f[1];
        } else if (line.starts_with("D ")) {
            ok = SplitFields(line, f, 5) && ParseNumber(f[1], folder) && folder != 0 && ParseNumber(f[2], device) &&
                 ParseNumber(f[3], inode) && Decode(f[4], path) && IsRealFolderPath(path);
            if (ok) journal.Folders[folder] = {device, inode, path};
        } else if (line.starts_with("M ")) {
            ok = SplitFields(line, f, 6) && ParseNumber(f[1], folder) && known(folder) && Decode(f[2], aside) &&
                 IsPrivateName(aside) && ParseNumber(f[3], device) && ParseNumber(f[4], inode) && Decode(f[5], name) &&
                 IsOneComponent(name);
            if (ok) group(folder, aside).Moves.push_back({device, inode, name});
        } else if (line.starts_with("T ") && first) {
            // The first version's trash record: read for its form, passed over (see above).
            ok = SplitFields(line, f, 5) && ParseNumber(f[1], folder) && known(folder) && Decode(f[2], aside) &&
                 IsPrivateName(aside) && ParseNumber(f[3], trash) && known(trash) && Decode(f[4], name) &&
                 IsOneComponent(name);
        } else if (line.starts_with("T ")) {
            ok = SplitFields(line, f, 7) && ParseNumber(f[1], folder) && known(folder) && Decode(f[2], aside) &&
                 IsPrivateName(aside) && ParseNumber(f[3], trash) && known(trash) && Decode(f[4], temp) &&
                 temp.ends_with(TTrash::WritingSuffix) &&
                 IsPrivateName(std::string_view(temp).substr(0, temp.size() - TTrash::WritingSuffix.size())) &&
                 Decode(f[5], path) && IsInfoValue(path) && Decode(f[6], date) &&
                 IsInfoValue(date);
            if (ok) group(folder, aside).Infos.push_back({trash, temp, path, date});
        } else if (line.starts_with("I ") && !first) {
            ok = SplitFields(line, f, 6) && ParseNumber(f[1], folder) && known(folder) && Decode(f[2], aside) &&
                 IsPrivateName(aside) && ParseNumber(f[3], trash) && known(trash) && Decode(f[4], name) &&
                 IsOneComponent(name) && name.size() + TrashInfoSuffix.size() <= NAME_MAX && ParseNumber(f[5], inode);
            if (ok) group(folder, aside).Entries.push_back({trash, name, inode});
        }
        if (!ok) {
            problem = "line " + std::to_string(number) + " is not a record of a deletion";
            return false;
        }
    }
    return true;
}

// The folder at the absolute `path`, opened from the root one component at a time without
// following a link (O_PATH); -1 with errno.
int OpenWithoutLinks(const std::string& path) noexcept {
    TFd at(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC));
    for (std::size_t start = 1; at && start < path.size();) {
        const std::size_t slash = std::min(path.find('/', start), path.size());
        const std::string component = path.substr(start, slash - start);
        at.Reset(::openat(at.Get(), component.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        start = slash + 1;
    }
    return at.Release();
}

bool SameFile(const struct stat& st, std::uint64_t device, std::uint64_t inode) noexcept {
    return static_cast<std::uint64_t>(st.st_dev) == device && static_cast<std::uint64_t>(st.st_ino) == inode;
}

// Whether the folder `name` of `parent` holds nothing but folders of its own file system, each
// empty all the way down: what a remover moves aside as an empty folder.
bool EmptyAllTheWayDown(int parent, const char* name, dev_t device, unsigned depth = 0) {
    if (depth > 2048) return false;
    const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::fdopendir(fd), ::closedir);
    if (!dir) {
        ::close(fd);
        return false;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || st.st_dev != device) return false;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (!entry) return errno == 0;
        const std::string_view child = entry->d_name;
        if (child == "." || child == "..") continue;
        if (entry->d_type != DT_DIR && entry->d_type != DT_UNKNOWN) return false;
        if (!EmptyAllTheWayDown(fd, entry->d_name, device, depth + 1)) return false;
    }
}

class TRecoverer {
public:
    TRecoverer(const TJournal& journal, TRecovery& recovery) : Journal_(journal), Recovery_(recovery) {}

    // Whether something the journal records could not be put back: the journal is kept for a later
    // run.
    bool Unfinished() const noexcept { return Unfinished_; }

    void Recover(const TAsideGroup& group) {
        const TFolderRecord& folder = Journal_.Folders.at(group.Folder);
        if (!group.Making.empty()) return Unmake(group, folder);
        const std::string ownName = group.Moves.empty() ? group.Aside : group.Moves.back().Name;
        std::string reason;
        const int fd = Folder(group.Folder, reason);
        if (fd < 0) {
            // The file may well be in that folder, wherever it is now: its journal waits for it.
            if (!group.Moves.empty()) {
                Recovery_.Left.push_back({JoinedPath(folder.Path, ownName), JoinedPath(folder.Path, group.Aside),
                                          reason + "; it keeps the name " + group.Aside + " in its folder"});
                Unfinished_ = true;
            }
            return;
        }
        struct stat st;
        const TMoveRecord* move = nullptr;
        bool backUnderName = false;  // the file under the private name went back where it was
        if (::fstatat(fd, group.Aside.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT) {
                Recovery_.Left.push_back({JoinedPath(folder.Path, ownName), JoinedPath(folder.Path, group.Aside), ErrorText(errno)});
                Unfinished_ = true;
            }
        } else if (!group.Moves.empty()) {
            // The move it belongs to: the last that moved this very file.
            for (auto it = group.Moves.rbegin(); it != group.Moves.rend() && !move; ++it)
                if (SameFile(st, it->Device, it->Inode)) move = &*it;
            const bool ours = move && ((S_ISREG(st.st_mode) && st.st_size == 0) ||
                                       (S_ISDIR(st.st_mode) && EmptyAllTheWayDown(fd, group.Aside.c_str(), st.st_dev)));
            std::string now;
            if (!ours) {
                Recovery_.Left.push_back({JoinedPath(folder.Path, ownName), JoinedPath(folder.Path, group.Aside),
                                          move ? N_("no longer empty") : N_("not the file the deletion moved aside")});
                Unfinished_ = true;
            } else if (const int error = PutBackBeside(fd, group.Aside.c_str(), move->Name, now); error != 0) {
                Recovery_.Left.push_back({JoinedPath(folder.Path, move->Name), JoinedPath(folder.Path, group.Aside), ErrorText(error)});
                Unfinished_ = true;
            } else if (now.empty()) {
                ++Recovery_.PutBack;
                backUnderName = true;
            } else {
                Recovery_.KeptBeside.push_back({JoinedPath(folder.Path, move->Name), JoinedPath(folder.Path, now), N_("its name was taken")});
                backUnderName = true;
            }
        }
        if (group.Moves.empty()) return;
        const TMoveRecord& moved = move ? *move : group.Moves.back();
        for (const TTrashInfoRecord& info : group.Infos) RemoveTemporaryInfo(info);
        for (const TTrashEntryRecord& entry : group.Entries) ClearTrashEntry(group, entry, moved, backUnderName);
    }

private:
    // What an undo killed half way was making under a private name: taken away again, for the undo
    // record still holds what makes it.
    void Unmake(const TAsideGroup& group, const TFolderRecord& folder) {
        std::string reason;
        const int fd = Folder(group.Folder, reason);
        const std::string path = JoinedPath(folder.Path, group.Making), now = JoinedPath(folder.Path, group.Aside);
        if (fd < 0) {
            Recovery_.Left.push_back({path, now, reason + "; it keeps the name " + group.Aside + " in its folder"});
            Unfinished_ = true;
            return;
        }
        if (const int error = RemoveUnmade(fd, group.Aside.c_str()); error == 0) {
            Recovery_.Unmade.push_back(path);
        } else if (error != ENOENT) {
            Recovery_.Left.push_back({path, now, error == ENOTEMPTY ? N_("no longer empty") : ErrorText(error)});
            Unfinished_ = true;
        }
    }

    // The recorded folder, open, or -1 with `reason` when it is gone or another folder has its path
    // now.
    int Folder(unsigned id, std::string& reason) {
        const auto [it, added] = Open_.try_emplace(id);
        if (!added) {
            reason = it->second.second;
            return it->second.first.Get();
        }
        const TFolderRecord& record = Journal_.Folders.at(id);
        it->second.first.Reset(OpenRecordedFolder(record.Path, record.Device, record.Inode, reason));
        it->second.second = reason;
        return it->second.first.Get();
    }

    // The files/ and info/ folders of the recorded trash folder, opened once.
    const std::pair<TFd, TFd>& Trash(unsigned id) {
        const auto [it, added] = Trashes_.try_emplace(id);
        if (added) {
            std::string reason;
            if (const int trashFd = Folder(id, reason); trashFd >= 0) {
                it->second.first.Reset(::openat(trashFd, TrashFilesFolder, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
                it->second.second.Reset(::openat(trashFd, TrashInfoFolder, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            }
        }
        return it->second;
    }

    // An info file the deletion was writing under its private name, left there by the kill.
    void RemoveTemporaryInfo(const TTrashInfoRecord& record) {
        const int info = Trash(record.Trash).second.Get();
        struct stat st;
        if (info >= 0 && ::fstatat(info, record.Temp.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
            st.st_uid == ::geteuid())
            ::unlinkat(info, record.Temp.c_str(), 0);
    }

    // After the file `moved` went back from its private name (`putBack`) or did not (it was gone
    // from there): the trash entry the deletion made for it is removed when it never received the
    // file, or holds it under a second name while the file is back. Its info file goes only while
    // it is the very file the deletion wrote: the inode recorded, the path and date it was given.
    void ClearTrashEntry(const TAsideGroup& group, const TTrashEntryRecord& entry, const TMoveRecord& moved, bool putBack) {
        const auto& [files, info] = Trash(entry.Trash);
        struct stat st;
        const bool inTrash = files && ::fstatat(files.Get(), entry.Entry.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                             SameFile(st, moved.Device, moved.Inode);
        // Moved in by a link that the removal of the old name did not follow: the file is back.
        if (inTrash && putBack) ::unlinkat(files.Get(), entry.Entry.c_str(), 0);
        if (!info || (inTrash && !putBack)) return;
        const TTrashInfoRecord* written = nullptr;
        for (const TTrashInfoRecord& record : group.Infos)
            if (record.Trash == entry.Trash) written = &record;
        if (!written) return;
        const std::string infoName = entry.Entry + std::string(TrashInfoSuffix);
        const TFd fd(::openat(info.Get(), infoName.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (!fd || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) || static_cast<std::uint64_t>(st.st_ino) != entry.InfoInode)
            return;
        const std::string expected = TTrash::InfoText(written->Path, written->Date);
        std::string text(expected.size() + 1, '\0');
        const ssize_t got = ::pread(fd.Get(), text.data(), text.size(), 0);
        if (got == static_cast<ssize_t>(expected.size()) && text.compare(0, expected.size(), expected) == 0)
            ::unlinkat(info.Get(), infoName.c_str(), 0);
    }

    const TJournal& Journal_;
    TRecovery& Recovery_;
    bool Unfinished_ = false;
    // The trashes' folders close after the folders: members go in the reverse of this order.
    std::map<unsigned, std::pair<TFd, TFd>> Trashes_;            // the files/ and info/ folders of trashes by id
    std::map<unsigned, std::pair<TFd, std::string>> Open_;       // folders by id, or why not
};

// Names the journal `name` in the state folder as damaged: renamed aside, never obeyed.
void SetAside(int folderFd, const std::string& folder, const std::string& name, const std::string& reason,
              TRecovery& recovery) {
    const std::string aside = name + std::string(DamagedSuffix);
    const bool moved = MoveNoReplace(folderFd, name.c_str(), folderFd, aside.c_str()) == 0;
    recovery.Damaged.push_back({JoinedPath(folder, name), moved ? JoinedPath(folder, aside) : std::string(), reason});
}

// Opens the journal `name` of the state folder open as `folderFd` (whose path is `folder`) and
// reads it, when it is ours, under a lock: Read with `fd` and `text`; else what it is, with
// `problem` in words.
TJournalRead ReadJournalFile(int folderFd, const std::string& folder, const std::string& name, TFd& fd,
                             std::string& text, std::string& problem) {
    const std::string path = JoinedPath(folder, name);
    struct stat st;
    if (::fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        problem = ErrorText(errno);
        return errno == ENOENT ? TJournalRead::Gone : TJournalRead::Failed;
    }
    const uid_t user = ::geteuid();
    auto notOurs = [&](const struct stat& file) -> std::string {
        if (S_ISLNK(file.st_mode)) return path + " is a symbolic link";
        if (!S_ISREG(file.st_mode)) return path + " is not a regular file";
        if (file.st_uid != user) return path + " is owned by uid " + std::to_string(file.st_uid);
        if ((file.st_mode & (S_IWGRP | S_IWOTH)) != 0) return path + " may be written by others";
        return {};
    };
    if (problem = notOurs(st); !problem.empty()) return TJournalRead::NotOurs;
    fd.Reset(::openat(folderFd, name.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd) {
        problem = "cannot be opened: " + ErrorText(errno);
        return errno == ENOENT ? TJournalRead::Gone : TJournalRead::Damaged;
    }
    // A run that holds its journal is alive (or another recovery has it): not ours to touch. One
    // that another recovery removed meanwhile has been dealt with.
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) return TJournalRead::InUse;
    if (::fstat(fd.Get(), &st) != 0 || st.st_nlink == 0) return TJournalRead::Gone;
    if (problem = notOurs(st); !problem.empty()) return TJournalRead::NotOurs;
    if (static_cast<std::uint64_t>(st.st_size) > MaxJournalSize) {
        problem = "larger than a deletion journal grows (" + std::to_string(st.st_size) + " bytes)";
        return TJournalRead::Damaged;
    }
    text.assign(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t have = 0;
    while (have < text.size()) {
        const ssize_t got = ::pread(fd.Get(), text.data() + have, text.size() - have, static_cast<off_t>(have));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            problem = "cannot be read: " + ErrorText(errno);
            return TJournalRead::Damaged;
        }
        if (got == 0) break;
        have += static_cast<std::size_t>(got);
    }
    text.resize(have);
    return TJournalRead::Read;
}

void RecoverJournal(int folderFd, const std::string& folder, const std::string& name, TRecovery& recovery) {
    TFd fd;
    std::string text, problem;
    switch (ReadJournalFile(folderFd, folder, name, fd, text, problem)) {
    case TJournalRead::Read: break;
    case TJournalRead::NotOurs: recovery.NotUsed.push_back(std::move(problem)); return;
    case TJournalRead::Damaged: SetAside(folderFd, folder, name, problem, recovery); return;
    case TJournalRead::Failed: recovery.Left.push_back({JoinedPath(folder, name), {}, problem}); return;
    case TJournalRead::InUse:
    case TJournalRead::Gone: return;
    }
    if (RecordsNothing(text)) {
        ::unlinkat(folderFd, name.c_str(), 0);
        return;
    }
    TJournal journal;
    if (!ParseJournal(text, journal, problem)) {
        SetAside(folderFd, folder, name, problem, recovery);
        return;
    }
    text = {};
    bool unfinished;
    const std::size_t saidBefore = recovery.Left.size();
    {
        TRecoverer recoverer(journal, recovery);
        for (const TAsideGroup& group : journal.Groups) recoverer.Recover(group);
        unfinished = recoverer.Unfinished();
    }
    const bool waiting = name.ends_with(WaitingSuffix);
    if (unfinished) {
        if (!waiting) {
            // Said now; from here on tried again without a word.
            const std::string later = name.substr(0, name.size() - JournalSuffix.size()) + std::string(WaitingSuffix);
            MoveNoReplace(folderFd, name.c_str(), folderFd, later.c_str());
        } else {
            recovery.Left.resize(saidBefore);
            struct stat st;
            if (::fstat(fd.Get(), &st) == 0 && ::time(nullptr) - st.st_mtime > WaitingDays * 24 * 3600) {
                ::unlinkat(folderFd, name.c_str(), 0);
                recovery.GivenUp.push_back(JoinedPath(folder, name));
            }
        }
        return;
    }
    // What went for good in a killed deletion stays undoable: the journal joins its undo record.
    if (!journal.UndoId.empty() && journal.Gone) {
        const std::string own = waiting ? name.substr(0, name.size() - WaitingSuffix.size()) + std::string(JournalSuffix) : name;
        const std::string part = std::string(UndoPrefix) + journal.UndoId + "." + own;
        if (MoveNoReplace(folderFd, name.c_str(), folderFd, part.c_str()) == 0) return;
    }
    ::unlinkat(folderFd, name.c_str(), 0);
}

// Whether `name` is a journal's: "deletion-PID-HEX.journal", or ".waiting" for one said already.
bool IsJournalName(std::string_view name) noexcept {
    return name.starts_with(JournalPrefix) &&
           ((name.ends_with(JournalSuffix) && name.size() > JournalPrefix.size() + JournalSuffix.size()) ||
            (name.ends_with(WaitingSuffix) && name.size() > JournalPrefix.size() + WaitingSuffix.size()));
}

}  // namespace

bool IsUndoPartName(std::string_view name, std::string_view* id) noexcept {
    if (!name.starts_with(UndoPrefix) || name.size() < UndoPrefix.size() + 17 || name[UndoPrefix.size() + 16] != '.')
        return false;
    const std::string_view record = name.substr(UndoPrefix.size(), 16);
    if (!IsUndoId(record) || !IsJournalName(name.substr(UndoPrefix.size() + 17))) return false;
    if (id) *id = record;
    return true;
}

TJournalRead ReadUndoPart(int stateFd, const std::string& folder, const std::string& name, TUndoPart& part,
                          std::string& problem, TFd& locked) {
    try {
        std::string text;
        const TJournalRead read = ReadJournalFile(stateFd, folder, name, locked, text, problem);
        if (read != TJournalRead::Read) return read;
        TJournal journal;
        part = {};
        std::string_view id;
        if (!ParseJournal(text, journal, problem, &part)) return TJournalRead::Damaged;
        if (!IsUndoPartName(name, &id) || journal.UndoId != id) {
            problem = N_("not a part of the undo record its name gives");
            return TJournalRead::Damaged;
        }
        part.Id = journal.UndoId;
        return TJournalRead::Read;
    } catch (const std::bad_alloc&) {
        problem = ErrorText(ENOMEM);
        return TJournalRead::Failed;
    } catch (const std::out_of_range&) {
        problem = N_("not a record of a deletion");
        return TJournalRead::Damaged;
    }
}

int OpenRecordedFolder(const std::string& path, std::uint64_t device, std::uint64_t inode, std::string& reason) {
    TFd fd(OpenWithoutLinks(path));
    struct stat st;
    if (!fd) {
        reason = errno == ENOENT ? N_("its folder is no longer there") : errno == ELOOP || errno == ENOTDIR
            ? N_("its folder's path leads elsewhere now") : ErrorText(errno);
        return -1;
    }
    if (::fstat(fd.Get(), &st) != 0 || !SameFile(st, device, inode)) {
        reason = N_("another folder has its folder's path now");
        return -1;
    }
    return fd.Release();
}

namespace {

int RemoveUnmadeFolder(int parent, const char* name, dev_t device, unsigned depth) {
    if (depth > 2048) return ENAMETOOLONG;
    const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno == ENOTDIR || errno == ELOOP ? ENOTEMPTY : errno;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::fdopendir(fd), ::closedir);
    if (!dir) {
        const int error = errno;
        ::close(fd);
        return error;
    }
    struct stat st;
    if (::fstat(fd, &st) != 0) return errno;
    if (st.st_dev != device) return ENOTEMPTY;
    std::vector<std::string> names;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (!entry) {
            if (errno != 0) return errno;
            break;
        }
        const std::string_view child = entry->d_name;
        if (child == "." || child == "..") continue;
        if (entry->d_type != DT_DIR && entry->d_type != DT_UNKNOWN) return ENOTEMPTY;
        names.emplace_back(child);
    }
    for (const std::string& child : names)
        if (const int error = RemoveUnmadeFolder(fd, child.c_str(), device, depth + 1); error != 0) return error;
    return ::unlinkat(parent, name, AT_REMOVEDIR) == 0 ? 0 : errno;
}

}  // namespace

int RemoveUnmade(int folderFd, const char* name) noexcept {
    try {
        struct stat st;
        if (::fstatat(folderFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return errno;
        if (S_ISREG(st.st_mode)) return st.st_size != 0 ? ENOTEMPTY : ::unlinkat(folderFd, name, 0) == 0 ? 0 : errno;
        return S_ISDIR(st.st_mode) ? RemoveUnmadeFolder(folderFd, name, st.st_dev, 0) : ENOTEMPTY;
    } catch (const std::bad_alloc&) {
        return ENOMEM;
    }
}

TRecovery RecoverInterruptedDeletions(const std::string& folder) {
    TRecovery recovery;
    try {
        int error = 0;
        std::string problem;
        const TFd folderFd(OpenPrivateFolder(folder, error, problem));
        if (!folderFd) {
            // A state folder that is missing, or that this user may not read, holds no journal of
            // theirs: theirs are made for them alone.
            if (error == EPERM)
                recovery.NotUsed.push_back(std::move(problem));
            else if (error != ENOENT && error != EACCES && error != ENOTDIR)
                recovery.Left.push_back({folder, {}, ErrorText(error)});
            return recovery;
        }
        const int copy = ::openat(folderFd.Get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const std::unique_ptr<DIR, int (*)(DIR*)> dir(copy >= 0 ? ::fdopendir(copy) : nullptr, ::closedir);
        if (!dir) {
            const int failure = errno;
            if (copy >= 0) ::close(copy);
            recovery.Left.push_back({folder, {}, ErrorText(failure)});
            return recovery;
        }
        std::vector<std::string> journals;
        while (const dirent* entry = ::readdir(dir.get()))
            if (IsJournalName(entry->d_name)) journals.emplace_back(entry->d_name);
        std::sort(journals.begin(), journals.end());
        for (const std::string& name : journals) RecoverJournal(folderFd.Get(), folder, name, recovery);
    } catch (const std::bad_alloc&) {
        // What was not looked at stays recorded for the next run.
    }
    return recovery;
}

}  // namespace nulvane
