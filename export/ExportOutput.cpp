#include "export/ExportOutput.h"

#include <algorithm>

#include "export/FileInfo.h"

namespace nulvane {

void CheckExportStop() {
    if (CurrentWork().StopRequested()) throw EExportStopped();
}

TExportRows::TExportRows(std::size_t total) : Work_(CurrentWork()) {
    Work_.Done.store(0, std::memory_order_relaxed);
    Work_.Total.store(total, std::memory_order_relaxed);
    CheckExportStop();
}

TExportText::TExportText(std::size_t rows, TSafeFileWriter& file) : Rows_(rows), File_(&file) {
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
    CommitExportFile(*File_, Text);
    Text.clear();
}

void CommitExportFile(TSafeFileWriter& file, std::string_view rest) {
    while (!rest.empty()) {
        CheckExportStop();
        const std::size_t piece = std::min(rest.size(), TExportText::PieceSize);
        file.Write(rest.substr(0, piece));
        rest.remove_prefix(piece);
    }
    CheckExportStop();
    file.Commit();
}

}  // namespace nulvane
