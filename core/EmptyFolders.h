#pragma once
// Which folders a scan lists as empty. A folder counts as empty when everything under it is a
// folder that counts as empty and no keep rule holds any of them: a file of any kind (hidden, a
// socket, a FIFO, a device, a symbolic link) makes it hold something, and so does a folder the
// walk could not read whole, passed by, or found to be a mount point (see TWalkFolderEnd). Of each
// subtree of such folders only its topmost folder is listed, once; a folder a rule holds is
// listed (the rule then holds its entry too) but keeps its parent from counting as empty, so the
// empty .git/refs/tags of a repository keeps the project folder from being listed.
//
// The walk tells of its folders in listing order, each after its subfolders; a folder's fate is
// settled only when its parent's is, so the folders that count as empty wait here until then.
#include <cstddef>
#include <functional>
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
        std::string_view Parent() const noexcept;  // ending in "/"
        std::string_view Name() const noexcept;
    };
    using TList = std::function<void(const TFolder&)>;

    // `rules` (none: no rules) decide which folders are held; `list` takes each folder to list,
    // in the order their places become final.
    TEmptyFolders(const TKeepRules* rules, TList list) noexcept : Rules_(rules), List_(std::move(list)) {}

    // The walk's anchors, as it announces them: rules are decided on where a folder really is.
    void AddAnchor(const TWalkAnchor& anchor);
    // A folder the walk ended: whether it counts as empty for its parent.
    bool FolderEnded(const TWalkFolderEnd& folder);

private:
    struct TAnchor {
        std::string Path, RealPath;
        bool Link = false;
    };
    bool Held(std::string_view path, std::size_t anchor, std::string& scratch) const;
    void ListWaitingUnder(std::string_view path);

    const TKeepRules* Rules_;
    TList List_;
    std::vector<TAnchor> Anchors_;
    std::vector<TFolder> Waiting_;  // counted as empty; their parents not yet ended
    std::string Scratch_;
};

}  // namespace nulvane
