#pragma once
// The freedesktop.org trash, the one desktop file managers and tools
// such as gio and trash-cli list and restore from: a file moved there keeps its name, mode and
// times, and an info file says where it was and when it went.
//
// Each file system has its own trash, and a file only ever moves within its file system, by a
// rename; it is never copied. Files on the file system of the home trash ($XDG_DATA_HOME/Trash,
// ~/.local/share/Trash when that is unset) go there, or nowhere when it cannot be used (but for
// another mount of that file system, which a rename cannot leave). On any other file system the
// trash lies at the top of its mount: $topdir/.Trash/$uid when $topdir/.Trash is a real folder (not
// a link) with the sticky bit, so that users cannot take each other's files out, else
// $topdir/.Trash-$uid. Missing
// folders of a trash are made (mode 0700); a user's trash folder that is a link, not a folder, or
// somebody else's is not used. Where no trash can be used, nothing moves.
//
// The info file is written first, exclusively, under a name no other entry has (O_EXCL: two
// programs trashing files of one name at once each get their own), then the file is renamed from
// its open folder into files/ under the same name, never replacing anything; when that fails the
// info file is removed again. Before the info file is made, the entry is recorded in the deletion's
// journal, so that an info file a killed deletion left without its file is removed by the next run. The info file holds the file's path percent-encoded byte for byte (a
// name need not be valid UTF-8): absolute in the home trash, relative to the top of the mount in a
// trash there. The date is the local date and time of the deletion.
//
// A trash folder that could not be opened for want of descriptors or memory is tried again with the
// next file, and the shortage is the answer, not "no trash".
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files/trash/TrashRestore.h"

namespace nulvane {

class TDeletionJournal;

class TTrash {
public:
    // The trash of the user this process runs as, the home trash where the environment puts it.
    TTrash();
    // The trash of user `uid`, with the home trash at `homeTrash` (a path; made when first needed).
    TTrash(std::string homeTrash, unsigned uid);
    ~TTrash();
    TTrash(const TTrash&) = delete;
    TTrash& operator=(const TTrash&) = delete;

    const std::string& HomeTrash() const noexcept { return HomeTrash_; }

    // Moves the file `name` of the open folder `folderFd` into the trash of its file system, as the
    // file found at `path` on `device`: its name there comes from `path`, and the path recorded is
    // the folder's own. Returns 0 once it is in the trash; EXDEV when its file system has no trash
    // that can be used; else the error number that stopped it. In each failure the file stays
    // where it was. The entry is recorded in `journal` first, when given. Several threads may call
    // it at once. Where it went is told in `placed`, when given, for taking it back.
    int Put(int folderFd, const char* name, std::string_view path, std::uint64_t device,
            TDeletionJournal* journal = nullptr, TTrashEntry* placed = nullptr);

    // `bytes` percent-encoded as the info file's Path holds it: letters, digits, "-._~" and "/"
    // stand, every other byte is "%XX".
    static std::string EncodePath(std::string_view bytes);
    // The whole text of an info file for `path` (as EncodePath gives it) deleted at `date`.
    static std::string InfoText(std::string_view path, std::string_view date);
    // What the private name of an info file being written takes in info/ (never ".trashinfo", so
    // that no tool reads it as an entry).
    static constexpr std::string_view WritingSuffix = ".writing";

private:
    struct TPlace;
    // Whether files of `device` go to the home trash.
    bool OnHomeFileSystem(std::uint64_t device);
    // The home trash, made when missing, for files of `device`; null where it cannot be used, with
    // `error` EXDEV, or the shortage that kept it from being opened this time.
    TPlace* HomePlace(std::uint64_t device, int& error);
    // The trash at the top of the mount at `mount` for a file of `device`, or null as HomePlace.
    TPlace* TopPlace(const std::string& mount, std::uint64_t device, int& error);
    // Writes the info file and moves the file in: 0, EXDEV, or an error number.
    int PutInto(TPlace& place, int folderFd, const char* name, std::string_view baseName, const std::string& recorded,
                TDeletionJournal* journal, TTrashEntry* placed);
    // The mount point holding `folder`, from the mount table (read once it could be read); 0 or
    // the error that kept the table from being read.
    int MountOf(const std::string& folder, std::string& mount);

    std::string HomeTrash_;
    unsigned Uid_ = 0;
    std::mutex Mutex_;
    bool HomeTried_ = false;
    std::unique_ptr<TPlace> Home_;
    std::uint64_t HomeDevice_ = 0;
    bool HomeDeviceKnown_ = false;
    std::map<std::string, std::unique_ptr<TPlace>> Tops_;  // by mount point; null: none usable
    bool MountsRead_ = false;
    std::vector<std::string> Mounts_;  // mount points, in the table's order
    // The suffix to try next for a name already taken in a trash, so that many files of one name
    // (every ".gitkeep") do not try every taken one again.
    std::map<std::string, unsigned, std::less<>> NextSuffix_;
};

}  // namespace nulvane
