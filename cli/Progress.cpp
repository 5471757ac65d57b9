#include "cli/Progress.h"

#include <chrono>

#include <unistd.h>

#include "cli/Translation.h"

namespace nulvane {
namespace {

// 1234567 -> "1,234,567": counts are read at a glance.
std::string Grouped(std::uint64_t n) {
    const std::string digits = std::to_string(n);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped.push_back(',');
        grouped.push_back(digits[i]);
    }
    return grouped;
}

void WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n <= 0) return;  // a terminal that went away: the display is only a courtesy
        text.remove_prefix(static_cast<std::size_t>(n));
    }
}

constexpr std::chrono::milliseconds Tick{250};  // at most four times a second
constexpr std::string_view EraseLine = "\r\x1b[K";

}  // namespace

std::string ProgressLine(TProgressStage stage, std::uint64_t folders, std::uint64_t found, std::uint64_t done,
                         std::uint64_t total) {
    const std::string read = Format(ngettext("%s folder read", "%s folders read", folders), Grouped(folders).c_str());
    const std::string foundText =
        Format(ngettext("%s empty file found", "%s empty files found", found), Grouped(found).c_str());
    const std::string scanned = Format(_("%s, %s"), read.c_str(), foundText.c_str());
    switch (stage) {
    case TProgressStage::Scanning: return scanned;
    case TProgressStage::Sorting: return Format(_("%s, sorting"), scanned.c_str());
    case TProgressStage::Exporting:
    case TProgressStage::Deleting:
    case TProgressStage::PuttingBack: {
        const std::string totalCount = Format(ngettext("%s file", "%s files", total), Grouped(total).c_str());
        const std::string count =
            total > 0 ? Format(_("%s of %s"), Grouped(done).c_str(), totalCount.c_str()) : Grouped(done);
        return Format(stage == TProgressStage::Exporting ? _("exporting: %s")
                      : stage == TProgressStage::Deleting ? _("deleting: %s")
                                                          : _("putting back: %s"),
                      count.c_str());
    }
    }
    return scanned;
}

TProgress::TProgress(const TLongWork& work, int fd, bool enabled) : Work_(work), Fd_(fd), Enabled_(enabled) {}

TProgress::~TProgress() {
    {
        std::lock_guard lock(Mutex_);
        Ending_ = true;
        if (Enabled_) EraseLocked();
    }
    Wake_.notify_all();
    if (Thread_.joinable()) Thread_.join();
}

void TProgress::Show(TProgressStage stage) {
    if (!Enabled_) return;
    std::lock_guard lock(Mutex_);
    Stage_ = stage;
    Showing_ = true;
    if (!Thread_.joinable()) Thread_ = std::thread([this] { Run(); });
}

void TProgress::Hide() {
    if (!Enabled_) return;
    std::lock_guard lock(Mutex_);
    Showing_ = false;
    EraseLocked();
}

void TProgress::Erased(const std::function<void()>& print) {
    if (!Enabled_) {
        print();
        return;
    }
    std::lock_guard lock(Mutex_);
    EraseLocked();
    print();
}

void TProgress::EraseLocked() {
    if (!Drawn_) return;
    WriteAll(Fd_, EraseLine);
    Drawn_ = false;
}

void TProgress::Run() {
    std::unique_lock lock(Mutex_);
    // The first line waits a tick: a job that ends at once shows nothing.
    while (!Wake_.wait_for(lock, Tick, [this] { return Ending_; })) {
        if (!Showing_) continue;
        std::string line(EraseLine);
        line += ProgressLine(Stage_, Work_.Folders.load(std::memory_order_relaxed),
                             Work_.Found.load(std::memory_order_relaxed), Work_.Done.load(std::memory_order_relaxed),
                             Work_.Total.load(std::memory_order_relaxed));
        WriteAll(Fd_, line);
        Drawn_ = true;
    }
}

}  // namespace nulvane
