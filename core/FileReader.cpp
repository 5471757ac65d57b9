#include "core/FileReader.h"

#include <atomic>
#include <charconv>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "platform/text/LocaleTexts.h"
#include "platform/files/PathNames.h"
#include "platform/system/LongWork.h"

namespace nulvane {
namespace {

struct TThreadEntries final : TWalkItems {
    std::vector<TListEntry> Entries;
};

// Fills a new entry's record in the field order "Full Path", "File Name", "File Size",
// "File Ext", "File Type", then the three times, and checks it last. An error leaves the
// fields filled so far and the entry unchecked. The record is built once from all its texts.
// Running short of memory is no error of one file: it ends the scan, which says so.
void FillEntry(TListEntry& entry, const TWalkFile& file) {
    TFileRecord::TTexts texts{};
    char size[24];
    std::string created, accessed, written;
    try {
        texts[fiFullPath] = file.Path;
        texts[fiFileName] = file.Name;
        const auto sizeEnd = std::to_chars(size, size + sizeof size, file.Stat.Size).ptr;
        texts[fiFileSize] = std::string_view(size, static_cast<std::size_t>(sizeEnd - size));
        texts[fiFileExt] = GetFileExtNoDot(file.Path);
        texts[fiFileType] = "file";
        // The three times often fall in the same second: convert each distinct one once.
        const TFileStat& stat = file.Stat;
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
        entry.Record.Assign(texts);
        entry.CheckState = TCheckState::Checked;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (...) {
        // One file's failure does not stop the scan; the entry keeps what was made before it.
        try {
            entry.Record.Assign(texts);
        } catch (...) {
        }
    }
}

class TEmptyFileCollector final : public TWalkVisitor {
public:
    explicit TEmptyFileCollector(TResultList& list) noexcept : List_(list) {}

    bool Wants(const TFileStat& stat) const noexcept override { return stat.Size == 0; }

    void Take(std::unique_ptr<TWalkItems>& items, const TWalkFile& file) override {
        if (!items) items = std::make_unique<TThreadEntries>();
        std::vector<TListEntry>& entries = static_cast<TThreadEntries&>(*items).Entries;
        TListEntry& entry = entries.emplace_back();
        entry.Identity = {file.Stat.Device, file.Stat.Inode};
        try {
            FillEntry(entry, file);
        } catch (...) {
            entries.pop_back();
            throw;
        }
        Found_.fetch_add(1, std::memory_order_relaxed);
    }

    void AddAnchor(const TWalkAnchor& anchor) override {
        const TAnchorIndex parent = anchor.Parent == TWalkAnchor::None ? NoAnchor : Anchors_.at(anchor.Parent);
        Anchors_.push_back(List_.AddAnchor(
            {.Path = std::string(anchor.Path), .Parent = parent, .Folder = {anchor.Device, anchor.Inode}}));
    }

    void Deliver(TWalkItems& items, std::size_t first, std::size_t last, std::size_t anchor) override {
        if (!Reserved_) {
            Reserved_ = true;
            try {
                List_.Reserve(List_.Count() + Found_.load(std::memory_order_relaxed));
            } catch (const std::bad_alloc&) {
                // Then the list grows entry by entry and keeps as many as memory allows.
            }
        }
        const TAnchorIndex anchorIndex = Anchors_.at(anchor);
        std::vector<TListEntry>& entries = static_cast<TThreadEntries&>(items).Entries;
        for (std::size_t i = first; i < last; ++i) {
            entries[i].Anchor = anchorIndex;
            List_.Append(std::move(entries[i]));
        }
    }

    void Relocate(TWalkItems& items, std::size_t first, std::size_t last, std::string_view from,
                  std::string_view to) override {
        std::vector<TListEntry>& entries = static_cast<TThreadEntries&>(items).Entries;
        std::string path;
        for (std::size_t i = first; i < last; ++i) {
            TFileRecord& record = entries[i].Record;
            path.assign(to).append(record.Get(fiFullPath).substr(from.size()));
            record.Set(fiFullPath, path);
        }
    }

private:
    TResultList& List_;
    std::atomic<std::size_t> Found_{0};
    bool Reserved_ = false;
    std::vector<TAnchorIndex> Anchors_;  // the list's index of each anchor of this walk
};

}  // namespace

bool AddEmptyFiles(TResultList& list, const std::string& folder, const TWalkOptions& options) {
    TEmptyFileCollector collector(list);
    return WalkFolder(folder, collector, options);
}

TScanReport ScanFolder(TResultList& list, std::string_view folder, const TWalkOptions& options) noexcept {
    TScanReport report;
    const TResultList::TUpdateScope update(list);
    if (folder.empty()) return report;  // not a folder; "/" alone would be the whole file system
    const std::size_t before = list.Count();
    try {
        TWalkOptions walk = options;
        if (!walk.Work) walk.Work = &CurrentWork();
        walk.OnUnreadable = [&](const std::string& path, int error) {
            ++report.Unreadable;
            if (options.OnUnreadable) options.OnUnreadable(path, error);
        };
        walk.OnGivenUp = [&](const std::string& path, int error) {
            ++report.GivenUp;
            if (options.OnGivenUp) options.OnGivenUp(path, error);
        };
        report.Stopped = !AddEmptyFiles(list, IncludeTrailingPathDelimiter(folder), walk);
    } catch (const std::bad_alloc&) {
        report.OutOfMemory = true;  // what was found before stays listed
    } catch (...) {
        // What was found before the error stays listed.
    }
    report.Listed = list.Count() - before;
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
