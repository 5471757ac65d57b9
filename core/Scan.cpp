#include "core/Scan.h"

#include <algorithm>
#include <cerrno>
#include <atomic>
#include <charconv>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include "core/EmptyFolders.h"
#include "core/KeepRules.h"
#include "platform/text/LocaleTexts.h"
#include "platform/files/PathNames.h"
#include "platform/system/LongWork.h"
#include "platform/system/Pages.h"

namespace nulvane {
namespace {

// Fills a new entry's record in the field order "Full Path", "File Name", "File Size",
// "File Ext", "File Type", then the three times, and checks it last. An error leaves the
// fields filled so far and the entry unchecked. The record is built once from all its texts;
// its "Full Path" is the name after the folder the entry will refer to. Running short of memory
// is no error of one file: it ends the scan, which says so.
void FillEntry(TListEntry& entry, const TWalkFile& file, const TEntryOptions& options, bool folder) {
    TFileRecord::TTexts texts{};
    char size[24];
    std::string created, accessed, written;
    const TFileStat& stat = file.Stat;
    const TExactTimes exact{stat.Create, stat.Access, stat.Write};
    const TFileRecord::TExtras extras{.PathTail = file.Name, .Times = options.ExactTimes ? &exact : nullptr};
    try {
        texts[fiFileName] = file.Name;
        const auto sizeEnd = std::to_chars(size, size + sizeof size, stat.Size).ptr;
        texts[fiFileSize] = std::string_view(size, static_cast<std::size_t>(sizeEnd - size));
        if (!folder) texts[fiFileExt] = GetFileExtNoDot(file.Name);
        texts[fiFileType] = folder ? FolderTypeText : "file";
        // The three times often fall in the same second: convert each distinct one once.
        created = FileTimeToText(stat.Create);
        texts[fiCreateTime] = created;
        accessed = stat.Access.Seconds == stat.Create.Seconds ? created : FileTimeToText(stat.Access);
        texts[fiAccessTime] = accessed;
        written = stat.Write.Seconds == stat.Access.Seconds   ? accessed
                  : stat.Write.Seconds == stat.Create.Seconds ? created
                                                              : FileTimeToText(stat.Write);
        texts[fiWriteTime] = written;
        // Where the clocks were turned back, the text alone does not say which instant it is.
        const auto reading = [](std::int64_t seconds) { return static_cast<std::uint8_t>(LocalTimeReading(seconds)); };
        const std::uint8_t createReading = reading(stat.Create.Seconds);
        SetTimeReading(entry, fiCreateTime, createReading);
        const std::uint8_t accessReading =
            stat.Access.Seconds == stat.Create.Seconds ? createReading : reading(stat.Access.Seconds);
        SetTimeReading(entry, fiAccessTime, accessReading);
        SetTimeReading(entry, fiWriteTime,
                       stat.Write.Seconds == stat.Access.Seconds   ? accessReading
                       : stat.Write.Seconds == stat.Create.Seconds ? createReading
                                                                   : reading(stat.Write.Seconds));
        entry.Record.Assign(texts, extras);
        entry.CheckState = TCheckState::Checked;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (...) {
        // One file's failure does not stop the scan; the entry keeps what was made before it.
        try {
            entry.Record.Assign(texts, extras);
        } catch (...) {
        }
    }
}

// The entry of one wanted file or folder, as both the list and a stream make it.
void MakeEntry(TListEntry& entry, const TWalkFile& file, const TEntryOptions& options, bool folder = false) {
    entry.Identity = {file.Stat.Device, file.Stat.Inode};
    if (folder) entry.Kind = TEntryKind::Folder;
    FillEntry(entry, file, options, folder);
}

// The folders of a walk that count as empty, for a visitor that lists them: none at all, at no
// cost, when the scan lists files only.
class TFolderHook {
public:
    // `eachFile`: every delivered file is matched against the rules (a stream telling each rule).
    TFolderHook(const TEntryOptions& options, const TWalkOptions& walk, TEmptyFolders::TList list, bool eachFile = false)
        : Folders_(options.Folders || (eachFile && options.Rules)
                       ? std::make_unique<TEmptyFolders>(options.Rules, std::move(list),
                                                         TEmptyFolders::TFilters{walk.MinDepth, walk.MaxDepth,
                                                                                 walk.WrittenSince, walk.WrittenBefore,
                                                                                 walk.Select, walk.Owner})
                       : nullptr),
          Listing_(options.Folders), WithFiles_(options.Folders && options.Files), EachFile_(eachFile) {}
    bool Wanted() const noexcept { return Listing_; }
    // Files and folders both: a folder of listed files counts as empty.
    bool WithFiles() const noexcept { return WithFiles_; }
    void AddAnchor(const TWalkAnchor& anchor) {
        if (Folders_) Folders_->AddAnchor(anchor);
    }
    bool FolderEnded(const TWalkFolderEnd& folder) { return Listing_ && Folders_->FolderEnded(folder); }
    // Holds the delivered file's entry as a store holds what lies in it, and as the keep rules
    // decide where files are matched here: with files and folders both, a held file keeps its
    // folder from counting as empty. The rule that holds it, empty when none does (or when it is
    // left to the list's TKeepRules::Hold).
    std::string_view Delivered(TListEntry& entry, const TWalkFolder& folder, std::string_view name) {
        if ((!WithFiles_ && !EachFile_) || !Folders_) return {};  // left to TKeepRules::Hold
        std::string_view rule = Folders_->FileDelivered(folder.Path, folder.Anchor, name, WithFiles_);
        entry.Note = TEntryNote::HeldByRule;
        if (rule.empty() && folder.InRepository) {
            rule = RepositoryRuleText;
            entry.Note = TEntryNote::HeldByRepository;
        }
        if (rule.empty()) {
            entry.Note = TEntryNote::None;
            return rule;
        }
        entry.CheckState = TCheckState::Unchecked;
        return rule;
    }

private:
    std::unique_ptr<TEmptyFolders> Folders_;
    const bool Listing_, WithFiles_, EachFile_;
};

// A folder entry as the walk lists it, held as its rule says.
void HoldFolderEntry(TListEntry& entry, const TEmptyFolders::TFolder& folder) {
    if (folder.Rule.empty()) return;
    entry.Note = folder.InRepository ? TEntryNote::HeldByRepository : TEntryNote::HeldByRule;
    entry.CheckState = TCheckState::Unchecked;
}

// A walking thread's entries until they are delivered, in blocks of pages of their own, each
// given back to the system once every entry in it was delivered: while the list fills, its pages
// take the place of these instead of joining them, and nothing grows by doubling.
class TThreadEntries final : public TWalkItems {
public:
    TThreadEntries() = default;
    TThreadEntries(const TThreadEntries&) = delete;
    TThreadEntries& operator=(const TThreadEntries&) = delete;
    ~TThreadEntries() override {
        for (TBlock& block : Blocks_) Release(block);
    }

    TListEntry& Add() {
        if (Count_ % BlockEntries == 0) {
            Blocks_.reserve(Blocks_.size() + 1);  // so that a block mapped is never lost
            Blocks_.push_back({static_cast<TListEntry*>(MapPages(BlockBytes)), 0, 0});
        }
        TBlock& block = Blocks_.back();
        TListEntry* entry = new (&block.Entries[block.Used]) TListEntry();
        ++block.Used;
        ++Count_;
        return *entry;
    }
    void DropLast() noexcept {
        TBlock& block = Blocks_.back();
        block.Entries[--block.Used].~TListEntry();
        --Count_;
    }
    TListEntry& operator[](std::size_t i) noexcept { return Blocks_[i / BlockEntries].Entries[i % BlockEntries]; }
    // Entry `i` was moved into the list.
    void Delivered(std::size_t i) noexcept {
        TBlock& block = Blocks_[i / BlockEntries];
        if (++block.Delivered == BlockEntries) Release(block);
    }

private:
    static constexpr std::size_t BlockEntries = 2048;
    static constexpr std::size_t BlockBytes = BlockEntries * sizeof(TListEntry);  // 64 KiB
    struct TBlock {
        TListEntry* Entries;
        std::size_t Used, Delivered;
    };
    static void Release(TBlock& block) noexcept {
        if (!block.Entries) return;
        for (std::size_t i = 0; i < block.Used; ++i) block.Entries[i].~TListEntry();
        UnmapPages(block.Entries, BlockBytes);
        block.Entries = nullptr;
    }
    std::vector<TBlock> Blocks_;
    std::size_t Count_ = 0;
};

// Gives each folder the walk delivers from a place in the list's folder table, adding the folders
// of its path not there yet. The walk delivers depth first, so the folders of the last path
// delivered are all that need remembering.
class TFolderChain {
public:
    explicit TFolderChain(TResultList& list) noexcept : List_(list) {}

    TFolderIndex FolderOf(std::string_view path, TAnchorIndex anchor) {
        const std::size_t common = static_cast<std::size_t>(
            std::mismatch(path.begin(), path.end(), Path_.begin(), Path_.end()).first - path.begin());
        while (!Chain_.empty() && Chain_.back().End > common) Chain_.pop_back();
        Path_.assign(path);
        std::size_t at = Chain_.empty() ? 0 : Chain_.back().End;
        TFolderIndex folder = Chain_.empty() ? NoFolder : Chain_.back().Folder;
        while (at < path.size()) {
            std::size_t slash = path.find('/', at);
            if (slash == std::string_view::npos) slash = path.size();
            folder = List_.AddFolder(folder, path.substr(at, slash - at));
            Chain_.push_back({slash + 1, folder});
            at = slash + 1;
        }
        if (folder != NoFolder && List_.Folder(folder).Anchor == NoAnchor) List_.SetFolderAnchor(folder, anchor);
        return folder;
    }

private:
    struct TLink {
        std::size_t End;  // of the folder's path in Path_, its separator included
        TFolderIndex Folder;
    };
    TResultList& List_;
    std::string Path_;
    std::vector<TLink> Chain_;
};

class TEmptyFileCollector final : public TWalkVisitor {
public:
    TEmptyFileCollector(TResultList& list, const TEntryOptions& options, const TWalkOptions& walk)
        : List_(list), Options_(options), Folders_(list),
          EmptyFolders_(options, walk, [this](const TEmptyFolders::TFolder& folder) { AddFolder(folder); }) {}

    bool Wants(const TFileStat& stat) const noexcept override { return stat.Size == 0 && Options_.Files; }
    bool WantsFolders() const noexcept override { return EmptyFolders_.Wanted(); }
    bool TakenFilesLeaveFoldersEmpty() const noexcept override { return EmptyFolders_.WithFiles(); }
    bool FolderEnded(const TWalkFolderEnd& folder) override { return EmptyFolders_.FolderEnded(folder); }

    void Take(std::unique_ptr<TWalkItems>& items, const TWalkFile& file) override {
        if (!items) items = std::make_unique<TThreadEntries>();
        TThreadEntries& entries = static_cast<TThreadEntries&>(*items);
        TListEntry& entry = entries.Add();
        try {
            MakeEntry(entry, file, Options_);
        } catch (...) {
            entries.DropLast();
            throw;
        }
        Found_.fetch_add(1, std::memory_order_relaxed);
    }

    void AddAnchor(const TWalkAnchor& anchor) override {
        const TAnchorIndex parent = anchor.Parent == TWalkAnchor::None ? NoAnchor : Anchors_.at(anchor.Parent);
        Anchors_.push_back(List_.AddAnchor({.Path = std::string(anchor.Path),
                                            .RealPath = std::string(anchor.RealPath),
                                            .Parent = parent,
                                            .Folder = {anchor.Device, anchor.Inode}}));
        EmptyFolders_.AddAnchor(anchor);
    }

    void Deliver(TWalkItems& items, std::size_t first, std::size_t last, const TWalkFolder& folder) override {
        if (!Reserved_) {
            Reserved_ = true;
            try {
                List_.Reserve(List_.Count() + Found_.load(std::memory_order_relaxed));
            } catch (const std::bad_alloc&) {
                // Then the list grows entry by entry and keeps as many as memory allows.
            }
        }
        const TFolderIndex folderIndex = Folders_.FolderOf(folder.Path, Anchors_.at(folder.Anchor));
        TThreadEntries& entries = static_cast<TThreadEntries&>(items);
        if (folder.InRepository) List_.SetFolderInRepository(folderIndex);
        for (std::size_t i = first; i < last; ++i) {
            entries[i].Folder = folderIndex;
            EmptyFolders_.Delivered(entries[i], folder, List_.PathAfterFolder(entries[i]));
            List_.Append(std::move(entries[i]));
            entries.Delivered(i);
        }
    }

    // Entries refer to the folder they are delivered in, so a folder listed under another path
    // than the one it was reached by first needs nothing more.
    void Relocate(TWalkItems&, std::size_t, std::size_t, std::string_view, std::string_view) override {}

private:
    void AddFolder(const TEmptyFolders::TFolder& folder) {
        TListEntry entry;
        MakeEntry(entry, TWalkFile{folder.Path, folder.Name(), folder.Stat}, Options_, true);
        entry.Folder = Folders_.FolderOf(folder.Parent(), Anchors_.at(folder.Anchor));
        HoldFolderEntry(entry, folder);
        if (folder.InRepository) List_.SetFolderInRepository(entry.Folder);
        List_.Append(std::move(entry));
    }

    TResultList& List_;
    const TEntryOptions& Options_;
    std::atomic<std::size_t> Found_{0};
    bool Reserved_ = false;
    std::vector<TAnchorIndex> Anchors_;  // the list's index of each anchor of this walk
    TFolderChain Folders_;
    TFolderHook EmptyFolders_;
};

// What a streamed scan holds of the files one walking thread took, until they are passed on. The
// walking thread appends while the caller's thread passes them on, so both go through the mutex;
// an item stays where it is until it is passed on, and is dropped then. Items stand in small
// blocks, each given back once all of it was passed: the caller's thread passes them in listing
// order, not in the order one thread took them (a folder's last files come after its subfolders'),
// and one item waiting holds only its block, not everything taken after it.
class TStreamItems final : public TWalkItems {
public:
    struct TItem {
        std::string Name;
        TListEntry Entry;
    };

    TStreamItems() = default;
    TStreamItems(const TStreamItems&) = delete;
    TStreamItems& operator=(const TStreamItems&) = delete;
    ~TStreamItems() override {
        for (TBlock& block : Blocks_) Release(block);
    }

    void Add(TItem&& item) {
        const std::lock_guard lock(Mutex_);
        if (Count_ % BlockItems == 0) {
            auto* items = static_cast<TItem*>(::operator new(BlockItems * sizeof(TItem)));
            try {
                Blocks_.push_back({items});
            } catch (...) {
                ::operator delete(items);
                throw;
            }
        }
        TBlock& block = Blocks_.back();
        new (&block.Items[block.Used]) TItem(std::move(item));
        ++block.Used;
        ++Count_;
    }
    // Items `first` to `last`, which stay where they are until passed on.
    void Get(std::size_t first, std::size_t last, std::vector<TItem*>& out) {
        const std::lock_guard lock(Mutex_);
        for (std::size_t i = first; i < last; ++i) out.push_back(&At(i));
    }
    // Items `first` to `last` were passed on.
    void Passed(std::size_t first, std::size_t last) noexcept {
        const std::lock_guard lock(Mutex_);
        for (std::size_t i = first; i < last; ++i) {
            // What the item holds goes now; an empty item stays in its place until its block goes.
            TItem& item = At(i);
            item.~TItem();
            new (&item) TItem();
            TBlock& block = Blocks_[i / BlockItems - Base_];
            if (++block.Passed == BlockItems) Release(block);
        }
        while (!Blocks_.empty() && !Blocks_.front().Items) {
            Blocks_.pop_front();
            ++Base_;
        }
    }

private:
    static constexpr std::size_t BlockItems = 64;
    struct TBlock {
        TItem* Items = nullptr;
        std::size_t Used = 0, Passed = 0;
    };
    TItem& At(std::size_t i) noexcept { return Blocks_[i / BlockItems - Base_].Items[i % BlockItems]; }
    static void Release(TBlock& block) noexcept {
        if (!block.Items) return;
        for (std::size_t i = 0; i < block.Used; ++i) block.Items[i].~TItem();
        ::operator delete(block.Items);
        block.Items = nullptr;
    }

    std::mutex Mutex_;
    std::deque<TBlock> Blocks_;
    std::size_t Base_ = 0;   // blocks given back from the front
    std::size_t Count_ = 0;  // items taken
};

class TEmptyFileStreamer final : public TWalkVisitor {
public:
    TEmptyFileStreamer(TScanSink& sink, bool makeEntries, const TEntryOptions& options, const TWalkOptions& walk)
        : Sink_(sink), MakeEntries_(makeEntries), Options_(options),
          EmptyFolders_(options, walk, [this](const TEmptyFolders::TFolder& folder) { PassFolder(folder); }, makeEntries) {}

    std::size_t Passed() const noexcept { return Passed_; }

    bool Wants(const TFileStat& stat) const noexcept override { return stat.Size == 0 && Options_.Files; }
    bool WantsFolders() const noexcept override { return EmptyFolders_.Wanted(); }
    bool TakenFilesLeaveFoldersEmpty() const noexcept override { return EmptyFolders_.WithFiles(); }
    bool FolderEnded(const TWalkFolderEnd& folder) override { return EmptyFolders_.FolderEnded(folder); }
    void AddAnchor(const TWalkAnchor& anchor) override { EmptyFolders_.AddAnchor(anchor); }
    bool WantsEarlyDelivery() const noexcept override { return true; }

    void Take(std::unique_ptr<TWalkItems>& items, const TWalkFile& file) override {
        TStreamItems::TItem item;
        item.Name.assign(file.Name);
        if (MakeEntries_) MakeEntry(item.Entry, file, Options_);
        if (!items) items = std::make_unique<TStreamItems>();
        static_cast<TStreamItems&>(*items).Add(std::move(item));
    }

    void Deliver(TWalkItems& items, std::size_t first, std::size_t last, const TWalkFolder& folder) override {
        auto& stream = static_cast<TStreamItems&>(items);
        Range_.clear();
        stream.Get(first, last, Range_);
        std::size_t passed = first;
        try {
            for (TStreamItems::TItem* item : Range_) {
                const std::string_view rule = EmptyFolders_.Delivered(item->Entry, folder, item->Name);
                Sink_.Take(folder.Path, item->Name, MakeEntries_ ? &item->Entry : nullptr, rule);
                ++passed;
                ++Passed_;
            }
        } catch (...) {
            stream.Passed(first, passed);
            throw;
        }
        stream.Passed(first, last);
    }

    void DeliveryPaused() override { Sink_.Pause(); }

    void Relocate(TWalkItems&, std::size_t, std::size_t, std::string_view, std::string_view) override {}

private:
    void PassFolder(const TEmptyFolders::TFolder& folder) {
        TListEntry entry;
        if (MakeEntries_) MakeEntry(entry, TWalkFile{folder.Path, folder.Name(), folder.Stat}, Options_, true);
        HoldFolderEntry(entry, folder);
        Sink_.Take(folder.Parent(), folder.Name(), MakeEntries_ ? &entry : nullptr, folder.Rule);
        ++Passed_;
    }

    TScanSink& Sink_;
    const bool MakeEntries_;
    const TEntryOptions& Options_;
    std::size_t Passed_ = 0;
    std::vector<TStreamItems::TItem*> Range_;
    TFolderHook EmptyFolders_;
};

// Runs a walk for ScanFolder or StreamFolder: the job it works for, unreadable and given-up
// folders counted in the report, a shortage of memory reported.
template <class TRunWalk>
void RunScan(TScanReport& report, std::string_view folder, const TWalkOptions& options, TRunWalk runWalk) noexcept {
    if (folder.empty()) return;  // not a folder; "/" alone would be the whole file system
    try {
        TWalkOptions walk = options;
        walk.OnUnreadable = [&](const std::string& path, int error) {
            ++report.Unreadable;
            if (options.OnUnreadable) options.OnUnreadable(path, error);
        };
        walk.OnGivenUp = [&](const std::string& path, int error) {
            ++report.GivenUp;
            if (options.OnGivenUp) options.OnGivenUp(path, error);
        };
        walk.OnInTrash = [&](const std::string& path) {
            report.InTrash = true;
            if (options.OnInTrash) options.OnInTrash(path);
        };
        report.Stopped = !runWalk(IncludeTrailingPathDelimiter(folder), walk);
    } catch (const std::bad_alloc&) {
        report.OutOfMemory = true;  // what was found before stays
    } catch (...) {
        // The walk ended on an error of its own (a full folder table, a sink that failed): what
        // was found before stays, and the folder is reported as given up, as a folder the walk
        // could not go on with is, so that the report does not read as complete. A thread that
        // could not be started for want of memory is a shortage of memory like any other.
        int error = EIO;
        try {
            throw;
        } catch (const std::system_error& e) {
            if (e.code().value() != 0) error = e.code().value();
        } catch (...) {
        }
        if (error == ENOMEM || error == EAGAIN) {
            report.OutOfMemory = true;
            return;
        }
        ++report.GivenUp;
        try {
            if (options.OnGivenUp) options.OnGivenUp(std::string(folder), error);
        } catch (...) {
            // Counted all the same.
        }
    }
}

}  // namespace

bool AddEmptyFiles(TResultList& list, const std::string& folder, const TWalkOptions& options,
                   const TEntryOptions& entryOptions) {
    TEmptyFileCollector collector(list, entryOptions, options);
    return WalkFolder(folder, collector, options);
}

TScanReport ScanFolder(TResultList& list, std::string_view folder, const TWalkOptions& options,
                       const TEntryOptions& entryOptions) noexcept {
    TScanReport report;
    const TResultList::TUpdateScope update(list);
    const std::size_t before = list.Count();
    RunScan(report, folder, options, [&](const std::string& path, const TWalkOptions& walk) {
        return AddEmptyFiles(list, path, walk, entryOptions);
    });
    report.Listed = list.Count() - before;
    return report;
}

TScanReport StreamFolder(std::string_view folder, TScanSink& sink, const TWalkOptions& options, bool makeEntries,
                         const TEntryOptions& entryOptions) noexcept {
    TScanReport report;
    std::optional<TEmptyFileStreamer> streamer;  // made where running short of memory is reported
    RunScan(report, folder, options, [&](const std::string& path, const TWalkOptions& walk) {
        return WalkFolder(path, streamer.emplace(sink, makeEntries, entryOptions, walk), walk);
    });
    report.Listed = streamer ? streamer->Passed() : 0;
    return report;
}

std::string_view GetFileExtNoDot(std::string_view path) noexcept {
    for (std::size_t i = path.size(); i-- > 0;) {
        if (path[i] == '.') return path.substr(i + 1);
        if (PathDelimiters.find(path[i]) != std::string_view::npos) break;
    }
    return {};
}

std::string FileTimeToText(const TFileTime& time) {
    std::string text;
    TLocaleTexts::Current().AppendDateTime(text, ToLocalTime(time.Seconds));
    return text;
}

}  // namespace nulvane
