#include "export/ExportOutput.h"

#include <algorithm>

#include "export/ExportEngine.h"

namespace nulvane {

void CheckExportStop(const TLongWork& work) {
    if (work.StopRequested()) throw EExportStopped();
}

TExportRows::TExportRows(std::size_t total, TLongWork* work) : Work_(work) {
    if (!Work_) return;
    Work_->Done.store(0, std::memory_order_relaxed);
    Work_->Total.store(total, std::memory_order_relaxed);
    CheckExportStop(*Work_);
}

TExportText::TExportText(std::size_t rows, TSafeFileWriter& file, TLongWork& work)
    : Rows_(rows, &work), File_(&file), Work_(&work) {
    Text.reserve(PieceSize + PieceSize / 4);
}

void TExportText::Expect(std::size_t bytes) {
    if (!File_) Text.reserve(Text.size() + bytes);
}

void TExportText::WritePiece() {
    File_->Write(Text);
    Text.clear();
}

void TExportText::Finish() {
    if (!File_) return;
    CommitExportFile(*File_, Text, *Work_);
    Text.clear();
}

void CommitExportFile(TSafeFileWriter& file, std::string_view rest, const TLongWork& work) {
    while (!rest.empty()) {
        CheckExportStop(work);
        const std::size_t piece = std::min(rest.size(), TExportText::PieceSize);
        file.Write(rest.substr(0, piece));
        rest.remove_prefix(piece);
    }
    CheckExportStop(work);
    file.Commit();
}

}  // namespace nulvane
