#pragma once
// Which folders a scan lists as empty. A folder counts as empty when everything under it is a
// folder that counts as empty and no keep rule holds any of them: a file of any kind (hidden, a
// socket, a FIFO, a device, a symbolic link) makes it hold something, and so does a folder the
// walk could not read whole, passed by, or found to be a mount point (see TWalkFolderEnd). Of each
// subtree of such folders only its topmost folder is listed, once; a folder a rule holds is
// listed (the rule then holds its entry too) but keeps its parent from counting as empty, so the
// empty .git/refs/tags of a repository keeps the project folder from being listed.
//
// The walk's filters hold for folders as fd applies them: a folder's depth (1 for the scanned
// folder's own subfolders) and its own write time. A folder a filter leaves out is not listed and
// keeps its parent from counting as empty, as find would find that parent non-empty once the
// folder stays; empty folders inside it that pass are listed. A folder in a version-control store,
// whatever the store is called, is held as a rule holds it ("repository").
//
// Listed with the files (ListsFiles), a folder also counts as empty when everything in it is a
// listed empty file, none held by a rule: one deletion takes the files, then the folder.
//
// The walk tells of its folders in listing order, each after its subfolders; a folder's fate is
// settled only when its parent's is, so the folders that count as empty wait here until then.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files/DirWalk.h"

namespace nulvane {

class TKeepRules;

class TEmptyFolders {
public:
    // One folder to list: its path as listed (ending in "/"), the walk anchor it lies under, its stat.
    struct TFolder {
        std::string Path;
        std::size_t Anchor = 0;
        TFileStat Stat;
        bool InRepository = false;  // held as it lies in a version-control store (no other rule holds it)
        std::string_view Rule;      // the rule that holds it, empty when none
        std::string_view Parent() const noexcept;  // ending in "/"
        std::string_view Name() const noexcept;
    };
    using TList = std::function<void(const TFolder&)>;

    // The walk's filters that hold for folders too.
    struct TFilters {
        unsigned MinDepth = 0, MaxDepth = 0;  // 0: no limit
        std::optional<TFileTime> WrittenSince, WrittenBefore;
    };

    // `rules` (none: no rules) decide which folders are held; `list` takes each folder to list,
    // in the order their places become final.
    TEmptyFolders(const TKeepRules* rules, TList list, TFilters filters) noexcept
        : Rules_(rules), List_(std::move(list)), Filters_(std::move(filters)) {}
    TEmptyFolders(const TKeepRules* rules, TList list) noexcept : Rules_(rules), List_(std::move(list)) {}

    // The walk's anchors, as it announces them: rules are decided on where a folder really is.
    void AddAnchor(const TWalkAnchor& anchor);
    // A folder the walk ended: whether it counts as empty for its parent.
    bool FolderEnded(const TWalkFolderEnd& folder);
    // The rule that holds the file `name` delivered in the folder at `path` (as listed, ending in
    // "/") under `anchor`; empty when none does. With `inFolder` (a scan that lists files with the
    // folders) a held file makes its folder hold something.
    std::string_view FileDelivered(std::string_view path, std::size_t anchor, std::string_view name, bool inFolder);

private:
    struct TAnchor {
        std::string Path, RealPath;
        bool Link = false;
    };
    std::string_view Held(std::string_view path, std::size_t anchor, std::string& scratch) const;
    bool Passes(const TWalkFolderEnd& folder) const noexcept;
    // Where the folder at `path` under `anchor` really is, into `scratch` (ending in "/").
    const TAnchor* Real(std::string_view path, std::size_t anchor, std::string& scratch) const;
    void ListWaitingUnder(std::string_view path);

    const TKeepRules* Rules_;
    TList List_;
    std::vector<TAnchor> Anchors_;
    TFilters Filters_;
    std::vector<TFolder> Waiting_;  // counted as empty; their parents not yet ended
    std::vector<std::string> HoldingHeld_;  // folders a held file was delivered in, not yet ended
    std::string Scratch_;
};

}  // namespace nulvane
