#include "core/EmptyFolders.h"

#include "core/KeepRules.h"

namespace nulvane {

std::string_view TEmptyFolders::TFolder::Parent() const noexcept {
    const std::string_view path(Path);
    const std::size_t slash = path.rfind('/', path.size() >= 2 ? path.size() - 2 : 0);
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

std::string_view TEmptyFolders::TFolder::Name() const noexcept {
    const std::string_view parent = Parent();
    return std::string_view(Path).substr(parent.size(), Path.size() - parent.size() - 1);
}

void TEmptyFolders::AddAnchor(const TWalkAnchor& anchor) {
    Anchors_.push_back({std::string(anchor.Path), std::string(anchor.RealPath), anchor.Parent != TWalkAnchor::None});
}

// Whether a rule holds the folder at `path` (as listed, ending in "/"), matched where it really is.
bool TEmptyFolders::Held(std::string_view path, std::size_t anchor, std::string& scratch) const {
    if (!Rules_ || Rules_->Empty()) return false;
    const TAnchor* at = anchor < Anchors_.size() ? &Anchors_[anchor] : nullptr;
    if (at && !at->RealPath.empty() && path.starts_with(at->Path))
        scratch.assign(at->RealPath).append(path.substr(at->Path.size()));
    else
        scratch.assign(path);
    scratch.pop_back();
    return !Rules_->MatchFolder(scratch, at && at->Link).empty();
}

// The waiting folders under `path` stand last, in listing order: their places are final now.
void TEmptyFolders::ListWaitingUnder(std::string_view path) {
    std::size_t first = Waiting_.size();
    while (first > 0 && std::string_view(Waiting_[first - 1].Path).starts_with(path)) --first;
    for (std::size_t i = first; i < Waiting_.size(); ++i) List_(Waiting_[i]);
    Waiting_.resize(first);
}

bool TEmptyFolders::FolderEnded(const TWalkFolderEnd& folder) {
    if (!folder.Empty) {
        ListWaitingUnder(folder.Path);
        return false;
    }
    // The folder stands for everything below it.
    while (!Waiting_.empty() && std::string_view(Waiting_.back().Path).starts_with(folder.Path)) Waiting_.pop_back();
    Waiting_.push_back({std::string(folder.Path), folder.Anchor, *folder.Empty});
    if (!Held(folder.Path, folder.Anchor, Scratch_)) return true;
    ListWaitingUnder(folder.Path);
    return false;
}

}  // namespace nulvane
