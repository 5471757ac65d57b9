#include "platform/files/journal/UndoRecords.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <new>
#include <system_error>
#include <tuple>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files/NoReplace.h"
#include "platform/files/PathNames.h"
#include "platform/files/journal/PrivateFolder.h"
#include "platform/files/PrivateName.h"
#include "platform/text/Translatable.h"

namespace nulvane {
namespace {

TUndoResult Result(TUndoOutcome outcome, int error = 0, unsigned lost = LostNothing) {
    return {outcome, error, {}, lost};
}

constexpr std::int64_t KeptSeconds = 30 * 24 * 3600;
constexpr std::size_t KeptRecords = 20;
// Folders an undo keeps open at once: entries come folder by folder, mostly.
constexpr std::size_t OpenFolders = 16;

// The parts of each record in the state folder open as `stateFd`, by ID (sorted), with their sizes.
struct TPartFile {
    std::string Name;
    std::uint64_t Size = 0;
};

std::map<std::string, std::vector<TPartFile>> PartsIn(int stateFd, int& error) {
    std::map<std::string, std::vector<TPartFile>> records;
    error = 0;
    const int copy = ::openat(stateFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = copy >= 0 ? ::fdopendir(copy) : nullptr;
    if (!dir) {
        error = errno;
        if (copy >= 0) ::close(copy);
        return records;
    }
    while (const dirent* entry = ::readdir(dir)) {
        std::string_view id;
        if (!IsUndoPartName(entry->d_name, &id)) continue;
        struct stat st{};
        ::fstatat(stateFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW);
        records[std::string(id)].push_back({entry->d_name, static_cast<std::uint64_t>(st.st_size)});
    }
    ::closedir(dir);
    for (auto& [id, parts] : records)
        std::sort(parts.begin(), parts.end(), [](const TPartFile& a, const TPartFile& b) { return a.Name < b.Name; });
    return records;
}

// Removes the parts of a record, each only while no other run holds it.
void RemoveParts(int stateFd, const std::vector<TPartFile>& parts) {
    for (const TPartFile& part : parts) {
        const TFd fd(::openat(stateFd, part.Name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (fd && ::flock(fd.Get(), LOCK_EX | LOCK_NB) == 0) ::unlinkat(stateFd, part.Name.c_str(), 0);
    }
}

// The folder that holds both `a` and `b` (real paths).
std::string CommonFolder(const std::string& a, const std::string& b) {
    std::size_t same = 0;
    while (same < a.size() && same < b.size() && a[same] == b[same]) ++same;
    if (same == a.size() && same == b.size()) return a;
    if ((same == a.size() && b[same] == '/') || (same == b.size() && a[same] == '/')) return a.substr(0, same);
    const std::size_t slash = a.rfind('/', same == 0 ? 0 : same - 1);
    return slash == 0 || slash == std::string::npos ? std::string("/") : a.substr(0, slash);
}

}  // namespace

std::string NewUndoRecordId() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const auto micros = static_cast<unsigned long long>(now.tv_sec) * 1'000'000ull + static_cast<unsigned long long>(now.tv_nsec) / 1000;
    unsigned random = 0;
    if (::getrandom(&random, sizeof random, GRND_NONBLOCK) != sizeof random) random = static_cast<unsigned>(::getpid());
    char id[24];
    std::snprintf(id, sizeof id, "%013llx%03x", micros & 0xfffffffffffffull, random & 0xfff);
    return id;
}

std::int64_t UndoRecordTime(std::string_view id) noexcept {
    if (id.size() < 13) return 0;
    std::uint64_t micros = 0;
    for (const char c : id.substr(0, 13)) {
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0) return 0;
        micros = micros * 16 + static_cast<unsigned>(digit);
    }
    return static_cast<std::int64_t>(micros / 1'000'000);
}

TUndoListing ListUndoRecords(const std::string& folder) {
    TUndoListing listing;
    try {
        int error = 0;
        const TFd stateFd(OpenPrivateFolder(folder, error, listing.Problem));
        if (!stateFd) {
            if (error == ENOENT) listing.Problem.clear();  // nothing was ever deleted
            return listing;
        }
        const auto records = PartsIn(stateFd.Get(), error);
        for (auto it = records.rbegin(); it != records.rend(); ++it) {
            std::string problem;
            const std::unique_ptr<TUndoRecord> record = TUndoRecord::Open(it->first, problem, listing.Problems, folder);
            if (!record) continue;  // not used, set aside or in use: said in Problems, or by --undo
            TUndoRecordInfo info{record->Id(), UndoRecordTime(record->Id()), 0, 0, {}, 0};
            std::string last;
            for (std::size_t n = 0; n < record->Count(); ++n) {
                (record->Folder(n) ? info.Folders : info.Files) += 1;
                std::string path = record->Path(n);
                path.resize(ParentFolderOf(path).size());
                if (path == last) continue;
                info.Where = info.WhereCount == 0 ? path : CommonFolder(info.Where, path);
                last = std::move(path);
                ++info.WhereCount;
            }
            listing.Records.push_back(std::move(info));
        }
    } catch (const std::bad_alloc&) {
        listing.Problem = std::system_category().message(ENOMEM);
    }
    return listing;
}

void PruneUndoRecords(const std::string& folder) {
    try {
        int error = 0;
        std::string problem;
        const TFd stateFd(OpenPrivateFolder(folder, error, problem));
        if (!stateFd) return;
        const auto records = PartsIn(stateFd.Get(), error);
        const std::int64_t now = static_cast<std::int64_t>(::time(nullptr));
        std::uint64_t bytes = 0;
        std::size_t newer = 0;
        for (auto it = records.rbegin(); it != records.rend(); ++it, ++newer) {
            for (const TPartFile& part : it->second) bytes += part.Size;
            const bool kept = newer < KeptRecords && now - UndoRecordTime(it->first) <= KeptSeconds &&
                              (newer == 0 || bytes <= MaxUndoBytes);
            if (!kept) RemoveParts(stateFd.Get(), it->second);
        }
    } catch (const std::bad_alloc&) {
        // Pruned by the next deletion.
    }
}

// --- One record ------------------------------------------------------------------------------------

std::unique_ptr<TUndoRecord> TUndoRecord::Open(std::string_view id, std::string& problem, TUndoProblems& problems,
                                               const std::string& folder) {
    problem.clear();
    try {
        std::unique_ptr<TUndoRecord> record(new TUndoRecord());
        int error = 0;
        record->StateFd_.Reset(OpenPrivateFolder(folder, error, problem));
        if (!record->StateFd_) {
            if (error == EPERM) {
                problems.NotUsed.push_back(problem);
                problem = N_("nothing undone");
            } else if (error == ENOENT) {
                problem = N_("no deletion to undo");
            } else {
                problem = folder + ": " + std::system_category().message(error);
            }
            return nullptr;
        }
        const int stateFd = record->StateFd_.Get();
        const auto records = PartsIn(stateFd, error);
        if (error != 0) {
            problem = folder + ": " + std::system_category().message(error);
            return nullptr;
        }
        auto chosen = records.end();
        if (id.empty()) {
            if (!records.empty()) chosen = std::prev(records.end());
        } else {
            for (auto it = records.lower_bound(std::string(id)); it != records.end() && it->first.starts_with(id); ++it) {
                if (chosen != records.end()) {
                    problem = std::string(id) + " names more than one deletion";
                    return nullptr;
                }
                chosen = it;
            }
        }
        if (chosen == records.end()) {
            problem = id.empty() ? N_("no deletion to undo") : "no deletion " + std::string(id) + " to undo";
            return nullptr;
        }
        record->Id_ = chosen->first;
        record->Folder_ = folder;
        // Every part is read, and found in form, before anything is done.
        std::map<std::tuple<std::string, std::uint64_t, std::uint64_t>, std::size_t> folders;
        for (const TPartFile& file : chosen->second) {
            TUndoPart part;
            TFd locked;
            std::string why;
            switch (ReadUndoPart(stateFd, folder, file.Name, part, why, locked)) {
            case TJournalRead::Read: break;
            case TJournalRead::Gone: continue;  // dropped meanwhile
            case TJournalRead::InUse: problem = "deletion " + record->Id_ + " is being undone or written by another run"; return nullptr;
            case TJournalRead::NotOurs:
                problems.NotUsed.push_back(why);
                problem = N_("nothing undone");
                return nullptr;
            case TJournalRead::Failed: problem = JoinedPath(folder, file.Name) + ": " + why; return nullptr;
            case TJournalRead::Damaged:
                // Never half obeyed: the whole record goes aside.
                for (const TPartFile& each : chosen->second) {
                    const std::string aside = each.Name + ".damaged";
                    const bool moved = MoveNoReplace(stateFd, each.Name.c_str(), stateFd, aside.c_str()) == 0;
                    problems.Damaged.push_back({JoinedPath(folder, each.Name), moved ? JoinedPath(folder, aside) : std::string(),
                                                &each == &file ? why : N_("a part of a damaged undo record")});
                }
                problem = "deletion " + record->Id_ + " has a damaged undo record, set aside";
                return nullptr;
            }
            const std::size_t first = record->Entries_.size();
            std::vector<std::size_t> folderOf(part.Folders.size());
            for (std::size_t n = 0; n < part.Folders.size(); ++n) {
                const TUndoFolder& f = part.Folders[n];
                const auto [it, added] = folders.try_emplace({f.Path, f.Device, f.Inode}, record->Folders_.size());
                if (added) record->Folders_.push_back(f);
                folderOf[n] = it->second;
            }
            for (TUndoEntry& entry : part.Entries) {
                entry.Folder = folderOf.at(entry.Folder);
                if (entry.Parent != NoUndoParent) entry.Parent += first;
                record->Entries_.push_back(std::move(entry));
            }
            record->PartNames_.push_back(file.Name);
            record->Parts_.emplace_back(locked.Release());
        }
        record->Inside_.resize(record->Entries_.size());
        for (std::size_t n = 0; n < record->Entries_.size(); ++n) {
            const std::size_t parent = record->Entries_[n].Parent;
            (parent == NoUndoParent ? record->Tops_ : record->Inside_.at(parent)).push_back(n);
        }
        record->Back_.assign(record->Tops_.size(), false);
        return record;
    } catch (const std::bad_alloc&) {
        problem = std::system_category().message(ENOMEM);
    } catch (const std::out_of_range&) {
        problem = N_("an undo record out of form");
    }
    return nullptr;
}

TUndoRecord::~TUndoRecord() {
    // A folder made again and then given back its files has their making as its write time: its
    // recorded times come back last.
    for (const auto& [index, entry] : RemadeFolders_) {
        if (!Refilled_.count(index)) continue;
        const TUndoFolder& folder = Folders_[index];
        const TEntryMetadata& metadata = Entries_[entry].Metadata;
        std::string why;
        const TFd fd(OpenRecordedFolder(folder.Path, folder.Device, Remade_[entry], why));
        char path[64];
        std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd.Get());
        const struct timespec times[2] = {{static_cast<time_t>(metadata.AccessSeconds), static_cast<long>(metadata.AccessNanoseconds)},
                                          {static_cast<time_t>(metadata.WriteSeconds), static_cast<long>(metadata.WriteNanoseconds)}};
        if (fd) ::utimensat(AT_FDCWD, path, times, 0);
    }
}

std::string TUndoRecord::Path(std::size_t entry) const {
    const TUndoEntry& e = Entry(entry);
    return JoinedPath(Folders_.at(e.Folder).Path, e.Name);
}

std::size_t TUndoRecord::Find(std::string_view path, std::uint64_t device, std::uint64_t inode) {
    if (ByInode_.empty())
        for (std::size_t n = 0; n < Tops_.size(); ++n) ByInode_.emplace(Entries_[Tops_[n]].Metadata.Inode, n);
    // The list may name a folder by a path through a link, the record by its real path: the name
    // and identity decide, the whole path only between names of one file.
    while (path.size() > 1 && path.ends_with('/')) path.remove_suffix(1);
    const std::string_view name = NameOf(path);
    std::size_t found = Tops_.size();
    const auto [from, to] = ByInode_.equal_range(inode);
    for (auto it = from; it != to; ++it) {
        const TUndoEntry& entry = Entries_[Tops_[it->second]];
        if (Folders_[entry.Folder].Device != device || entry.Name != name) continue;
        if (Path(it->second) == path) return it->second;
        if (found == Tops_.size() || Back_[found]) found = it->second;
    }
    return found;
}

int TUndoRecord::FolderFd(std::size_t index, std::string& reason) {
    if (const auto it = Open_.find(index); it != Open_.end()) {
        reason = it->second.second;
        return it->second.first.Get();
    }
    const TUndoFolder folder = Folders_.at(index);
    std::string why;
    TFd fd(OpenRecordedFolder(folder.Path, folder.Device, folder.Inode, why));
    if (!fd) {
        // A folder this deletion took as well (files go before their folders): made again first,
        // it is known by the inode it was made with.
        // The path of entry `n`: a folder inside another is named in it.
        const auto pathOf = [this](std::size_t n) {
            std::vector<std::size_t> chain{n};
            while (Entries_[chain.back()].Parent != NoUndoParent) chain.push_back(Entries_[chain.back()].Parent);
            std::string path = Folders_.at(Entries_[chain.back()].Folder).Path;
            for (auto it = chain.rbegin(); it != chain.rend(); ++it) path = JoinedPath(path, Entries_[*it].Name);
            return path;
        };
        for (std::size_t n = 0; n < Entries_.size(); ++n) {
            const TUndoEntry& own = Entries_[n];
            if (!own.Metadata.Folder || own.Metadata.Inode != folder.Inode ||
                Folders_.at(own.Folder).Device != folder.Device || pathOf(n) != folder.Path)
                continue;
            std::size_t top = n;
            while (Entries_[top].Parent != NoUndoParent) top = Entries_[top].Parent;
            const auto at = std::find(Tops_.begin(), Tops_.end(), top);
            if (const auto place = static_cast<std::size_t>(at - Tops_.begin()); at != Tops_.end() && !Back_[place])
                Early_.emplace(place, PutBack(place));
            if (const auto made = Remade_.find(n); made != Remade_.end()) {
                std::string again;
                fd.Reset(OpenRecordedFolder(folder.Path, folder.Device, made->second, again));
                if (fd) {
                    why.clear();
                    RemadeFolders_[index] = n;
                }
            }
            break;
        }
    }
    if (Open_.size() >= OpenFolders) Open_.erase(Open_.begin());
    auto& kept = Open_[index];
    kept.first.Reset(fd.Release());
    kept.second = why;
    reason = why;
    return kept.first.Get();
}

TUndoResult TUndoRecord::PutBack(std::size_t entry) {
    try {
        // Put back early, for files that went from inside it: told now.
        if (const auto early = Early_.find(entry); early != Early_.end()) {
            const TUndoResult result = early->second;
            Early_.erase(early);
            return result;
        }
        if (Back_.at(entry)) return Result(TUndoOutcome::AlreadyBack);
        const TUndoEntry& e = Entry(entry);
        std::string reason;
        const int folderFd = FolderFd(e.Folder, reason);
        if (folderFd < 0) return {TUndoOutcome::FolderGone, 0, reason, LostNothing};
        TUndoResult result = e.Metadata.Folder ? PutBackFolder(folderFd, Tops_[entry]) : PutBackFile(folderFd, e);
        if (result.Outcome == TUndoOutcome::PutBack && RemadeFolders_.count(e.Folder)) Refilled_.insert(e.Folder);
        if (result.Outcome == TUndoOutcome::PutBack || result.Outcome == TUndoOutcome::AlreadyBack) Back_[entry] = true;
        return result;
    } catch (const std::bad_alloc&) {
        return Result(TUndoOutcome::Failed, ENOMEM);
    }
}

int TUndoRecord::RecordMaking(int folderFd, const char* aside, const std::string& name) {
    if (!Journal_) Journal_ = std::make_unique<TDeletionJournal>(Folder_);
    return Journal_->RecordMaking(folderFd, aside, name);
}

namespace {

// What a name that is taken holds: the very entry (it never went: an empty file or a folder with the
// recorded inode and mode; a freed inode number is soon given to another file), one an earlier
// undo made, or something else.
TUndoResult Taken(const struct stat& st, const TEntryMetadata& metadata) {
    const bool same = static_cast<std::uint64_t>(st.st_ino) == metadata.Inode &&
                      static_cast<std::uint32_t>(st.st_mode & 07777) == metadata.Mode &&
                      (metadata.Folder ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode) && st.st_size == 0);
    return Result(same || LooksAsRecorded(st, metadata) ? TUndoOutcome::AlreadyBack : TUndoOutcome::NameTaken);
}

// Gives the unnamed file open as `fd` the name `name` in `folderFd`: 0, or the error (EEXIST when
// the name is taken).
int GiveName(int fd, int folderFd, const char* name) {
    char self[64];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    if (::linkat(AT_FDCWD, self, folderFd, name, AT_SYMLINK_FOLLOW) == 0) return 0;
    if (errno != ENOENT) return errno;
    // Without /proc, only who may read any file links a descriptor directly.
    return ::linkat(fd, "", folderFd, name, AT_EMPTY_PATH) == 0 ? 0 : errno;
}

}  // namespace

TUndoResult TUndoRecord::PutBackFile(int folderFd, const TUndoEntry& entry) {
    const char* name = entry.Name.c_str();
    struct stat st;
    if (::fstatat(folderFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0) return Taken(st, entry.Metadata);
    if (errno != ENOENT) return Result(TUndoOutcome::Failed, errno);
    // Made without a name, and named once whole: a kill leaves nothing.
    if (const TFd file(::openat(folderFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600)); file) {
        const unsigned lost = ApplyEntryMetadata(file.Get(), entry.Metadata);
        const int error = GiveName(file.Get(), folderFd, name);
        if (error == 0) return Result(TUndoOutcome::PutBack, 0, lost);
        if (error == EEXIST) return Result(TUndoOutcome::NameTaken);
        if (error != ENOENT && error != EPERM && error != EOPNOTSUPP) return Result(TUndoOutcome::Failed, error);
    } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        return Result(TUndoOutcome::Failed, errno);
    }
    // Where a file system cannot make a file without a name: under a private name, recorded first.
    const TAsideName aside;
    if (const int error = RecordMaking(folderFd, aside.Text, entry.Name); error != 0) return Result(TUndoOutcome::Failed, error);
    TFd file(::openat(folderFd, aside.Text, O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0600));
    if (!file) return Result(TUndoOutcome::Failed, errno);
    const unsigned lost = ApplyEntryMetadata(file.Get(), entry.Metadata);
    file.Reset();
    const int error = MoveNoReplace(folderFd, aside.Text, folderFd, name);
    if (error == 0) return Result(TUndoOutcome::PutBack, 0, lost);
    if (::unlinkat(folderFd, aside.Text, 0) != 0 && Journal_) Journal_->KeepForRecovery();
    return Result(error == EEXIST ? TUndoOutcome::NameTaken : TUndoOutcome::Failed, error == EEXIST ? 0 : error);
}

TUndoResult TUndoRecord::PutBackFolder(int parentFd, std::size_t entry) {
    const TUndoEntry& e = Entries_.at(entry);
    struct stat st;
    if (::fstatat(parentFd, e.Name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT) return Result(TUndoOutcome::Failed, errno);
        return MakeFolder(parentFd, entry);
    }
    TUndoResult result = Taken(st, e.Metadata);
    if (result.Outcome != TUndoOutcome::AlreadyBack || Inside_[entry].empty()) return result;
    // The folder is there (it never went, or went only in part, or came back before): what is
    // missing inside it comes back.
    const TFd fd(::openat(parentFd, e.Name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat opened;
    if (!fd || ::fstat(fd.Get(), &opened) != 0 || opened.st_ino != st.st_ino || opened.st_dev != st.st_dev)
        return Result(TUndoOutcome::NameTaken);
    bool made = false;
    TUndoResult worst = Result(TUndoOutcome::AlreadyBack);
    for (const std::size_t inside : Inside_[entry]) {
        const TUndoResult part = PutBackFolder(fd.Get(), inside);
        result.Lost |= part.Lost;
        made = made || part.Outcome == TUndoOutcome::PutBack;
        if (part.Outcome != TUndoOutcome::PutBack && part.Outcome != TUndoOutcome::AlreadyBack &&
            worst.Outcome == TUndoOutcome::AlreadyBack)
            worst = part;
    }
    if (worst.Outcome != TUndoOutcome::AlreadyBack) {
        worst.Lost = result.Lost;
        result = worst;
    } else if (made) {
        result.Outcome = TUndoOutcome::PutBack;
    }
    // Making a folder inside changed the write time: the recorded one comes back last.
    if (made) {
        const struct timespec times[2] = {{static_cast<time_t>(e.Metadata.AccessSeconds), static_cast<long>(e.Metadata.AccessNanoseconds)},
                                          {static_cast<time_t>(e.Metadata.WriteSeconds), static_cast<long>(e.Metadata.WriteNanoseconds)}};
        if (::futimens(fd.Get(), times) != 0) result.Lost |= LostTimes;
    }
    return result;
}

TUndoResult TUndoRecord::MakeFolder(int parentFd, std::size_t entry) {
    const TUndoEntry& e = Entries_.at(entry);
    const TAsideName aside;
    if (const int error = RecordMaking(parentFd, aside.Text, e.Name); error != 0) return Result(TUndoOutcome::Failed, error);
    if (::mkdirat(parentFd, aside.Text, 0700) != 0) return Result(TUndoOutcome::Failed, errno);
    unsigned lost = LostNothing;
    int error = 0;
    {
        const TFd fd(::openat(parentFd, aside.Text, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        error = fd ? MakeInside(fd.Get(), entry, lost, 0) : errno;
        if (struct stat st; fd && ::fstat(fd.Get(), &st) == 0) Remade_[entry] = static_cast<std::uint64_t>(st.st_ino);
    }
    if (error == 0) error = MoveNoReplace(parentFd, aside.Text, parentFd, e.Name.c_str());
    if (error == 0) return Result(TUndoOutcome::PutBack, 0, lost);
    // Nothing half made stays: what was made goes again (or waits for the recovery).
    if (RemoveUnmade(parentFd, aside.Text) != 0 && Journal_) Journal_->KeepForRecovery();
    return Result(error == EEXIST ? TUndoOutcome::NameTaken : TUndoOutcome::Failed, error == EEXIST ? 0 : error);
}

int TUndoRecord::MakeInside(int fd, std::size_t entry, unsigned& lost, unsigned depth) {
    if (depth > 2048) return ENAMETOOLONG;
    for (const std::size_t inside : Inside_.at(entry)) {
        const char* name = Entries_[inside].Name.c_str();
        if (::mkdirat(fd, name, 0700) != 0) return errno;
        const TFd sub(::openat(fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (!sub) return errno;
        if (struct stat st; ::fstat(sub.Get(), &st) == 0) Remade_[inside] = static_cast<std::uint64_t>(st.st_ino);
        if (const int error = MakeInside(sub.Get(), inside, lost, depth + 1); error != 0) return error;
    }
    // Last, once nothing more is made inside it: its mode may keep us out, its times would change.
    lost |= ApplyEntryMetadata(fd, Entries_[entry].Metadata);
    return 0;
}

bool TUndoRecord::RemoveIfAllBack() {
    if (std::find(Back_.begin(), Back_.end(), false) != Back_.end()) return false;
    for (const std::string& name : PartNames_) ::unlinkat(StateFd_.Get(), name.c_str(), 0);
    PartNames_.clear();
    return true;
}

}  // namespace nulvane
