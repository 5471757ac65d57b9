#include "core/EmptyFolders.h"

#include <algorithm>

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

const TEmptyFolders::TAnchor* TEmptyFolders::Real(std::string_view path, std::size_t anchor, std::string& scratch) const {
    const TAnchor* at = anchor < Anchors_.size() ? &Anchors_[anchor] : nullptr;
    if (at && !at->RealPath.empty() && path.starts_with(at->Path))
        scratch.assign(at->RealPath).append(path.substr(at->Path.size()));
    else
        scratch.assign(path);
    return at;
}

// Whether a rule holds the folder at `path` (as listed, ending in "/"), matched where it really is.
std::string_view TEmptyFolders::Held(std::string_view path, std::size_t anchor, std::string& scratch) const {
    if (!Rules_ || Rules_->Empty()) return {};
    const TAnchor* at = Real(path, anchor, scratch);
    scratch.pop_back();
    return Rules_->MatchFolder(scratch, at && at->Link);
}

std::string_view TEmptyFolders::FileDelivered(std::string_view path, std::size_t anchor, std::string_view name,
                                              bool inFolder) {
    if (!Rules_ || Rules_->Empty()) return {};
    const TAnchor* at = Real(path, anchor, Scratch_);
    Scratch_.append(name);
    const std::string_view rule = Rules_->Match(Scratch_, at && at->Link);
    if (inFolder && !rule.empty() && (HoldingHeld_.empty() || HoldingHeld_.back() != path)) HoldingHeld_.emplace_back(path);
    return rule;
}

// The walk's depth of the folder at `path`: the separators after the scanned folder's path.
bool TEmptyFolders::Passes(const TWalkFolderEnd& folder) const noexcept {
    const TFileStat& stat = *folder.Empty;
    if ((Filters_.WrittenSince && stat.Write < *Filters_.WrittenSince) ||
        (Filters_.WrittenBefore && !(stat.Write < *Filters_.WrittenBefore)))
        return false;
    if (Filters_.MinDepth == 0 && Filters_.MaxDepth == 0) return true;
    const std::string_view root = Anchors_.empty() ? std::string_view() : std::string_view(Anchors_.front().Path);
    const std::string_view below = folder.Path.starts_with(root) ? folder.Path.substr(root.size()) : folder.Path;
    const auto depth = static_cast<unsigned>(std::count(below.begin(), below.end(), '/'));
    return depth >= Filters_.MinDepth && (Filters_.MaxDepth == 0 || depth <= Filters_.MaxDepth);
}

// The waiting folders under `path` stand last, in listing order: their places are final now.
void TEmptyFolders::ListWaitingUnder(std::string_view path) {
    std::size_t first = Waiting_.size();
    while (first > 0 && std::string_view(Waiting_[first - 1].Path).starts_with(path)) --first;
    for (std::size_t i = first; i < Waiting_.size(); ++i) List_(Waiting_[i]);
    Waiting_.resize(first);
}

bool TEmptyFolders::FolderEnded(const TWalkFolderEnd& folder) {
    // A held file delivered in it: it holds something.
    const bool holdsHeld = !HoldingHeld_.empty() && HoldingHeld_.back() == folder.Path;
    if (holdsHeld) HoldingHeld_.pop_back();
    if (!folder.Empty || holdsHeld || !Passes(folder)) {
        ListWaitingUnder(folder.Path);
        return false;
    }
    // The folder stands for everything below it.
    while (!Waiting_.empty() && std::string_view(Waiting_.back().Path).starts_with(folder.Path)) Waiting_.pop_back();
    std::string_view rule = Held(folder.Path, folder.Anchor, Scratch_);
    const bool byRepository = rule.empty() && folder.InRepository;
    if (byRepository) rule = RepositoryRuleText;
    Waiting_.push_back({std::string(folder.Path), folder.Anchor, *folder.Empty, byRepository, rule});
    if (rule.empty()) return true;
    ListWaitingUnder(folder.Path);
    return false;
}

}  // namespace nulvane
