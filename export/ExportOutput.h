#pragma once
// What every export does while it writes: it counts its rows on the job it works for, looks at the
// job's stop request after each row, and writes a file in pieces as its text grows.
//
// A pass over the list (making a file's text, filling the XML document, filling the sheet) sets
// the job's Total to its rows and Done to the rows made so far, so that a progress display shows
// "Done of Total"; the counts are plain stores by the one thread that exports. When the job is
// asked to stop, the pass ends after the row under way with EExportStopped, which unwinds through
// the file being written: its temporary file goes and an earlier file of the name stays.
//
// A file's text goes to the temporary file beside the target about a megabyte at a time, so that a
// large list never has its whole file in memory, and the temporary file exists from the first row
// on. It takes the target's place only once it is complete and no stop was asked for.
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/files/SafeFile.h"
#include "platform/system/LongWork.h"

namespace nulvane {

// EExportStopped when `work` has been asked to stop.
void CheckExportStop(const TLongWork& work);

class TExportRows {
public:
    // Starts a pass of `total` rows for `work` (none: a text made in memory, for nobody);
    // EExportStopped when the job was asked to stop already.
    TExportRows(std::size_t total, TLongWork* work);
    // One more row made; EExportStopped when the job has been asked to stop.
    void RowDone() {
        if (!Work_) return;
        TLongWork::Add(Work_->Done, 1);
        if (Work_->StopRequested()) CheckExportStop(*Work_);
    }

private:
    TLongWork* Work_;
};

// The text of an export, made row by row: kept whole in memory, or written to a file as it grows.
class TExportText {
public:
    // Kept in memory; `rows` rows will be made, for no job.
    explicit TExportText(std::size_t rows) : Rows_(rows, nullptr) {}
    // Written to `file` as it grows, for `work`.
    TExportText(std::size_t rows, TSafeFileWriter& file, TLongWork& work);

    std::string Text;  // made and not yet written

    // The text the rows will make is about `bytes`: room for all of it when it is kept in memory.
    void Expect(std::size_t bytes);
    // After each row: counts it, writes the text once there is enough of it, and ends the export
    // with EExportStopped when the job has been asked to stop.
    void RowDone() {
        Rows_.RowDone();
        if (File_ && Text.size() >= PieceSize) WritePiece();
    }
    // Writes what is left and puts the file in the target's place (CommitExportFile).
    void Finish();

    static constexpr std::size_t PieceSize = std::size_t{1} << 20;

private:
    void WritePiece();
    TExportRows Rows_;
    TSafeFileWriter* File_ = nullptr;
    const TLongWork* Work_ = nullptr;
};

// Writes `rest` to `file` a piece at a time and puts it in the target's place, unless `work` is
// asked to stop meanwhile: then EExportStopped, with the target untouched.
void CommitExportFile(TSafeFileWriter& file, std::string_view rest, const TLongWork& work);

}  // namespace nulvane
