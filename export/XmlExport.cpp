// The XML document of the list: root "fileinfo", one "file" element per entry whose attributes
// are the entry's non-empty record fields. The spreadsheet export reads the same document.
#include <array>

#include "core/Product.h"
#include "export/ExportOutput.h"
#include "export/ExportEngine.h"

namespace nulvane {

std::string XmlExportTemplate() {
    return "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\" ?> <fileinfo generated=\"" +
           std::string(MakerWebAddress) + "\"></fileinfo>";
}

void TExportEngine::ResetDocument() { XmlDocument().SetXml(XmlExportTemplate()); }

TXmlElement TExportEngine::GetRootElement() { return XmlDocument().DocumentElement(); }

void TExportEngine::FillDocument(const TResultList& list) {
    RunWithWaitForm(GatheringInfoMessage, [&](TLongWork& work) {
        static const std::array<std::string, FieldCount> names = [] {
            std::array<std::string, FieldCount> result;
            for (int i = 0; i < FieldCount; ++i) result[static_cast<std::size_t>(i)] = FieldXmlName(i);
            return result;
        }();
        const TXmlElement root = GetRootElement();
        root.ClearChildren();
        TExportRows rows(list.Count(), &work);
        TEntryTexts texts(list);
        // The scan makes only top-level entries: every element is a child of the root.
        for (const TListEntry& entry : list) {
            const TXmlElement file = root.AppendChild("file");
            for (int i = 0; i < FieldCount; ++i) {
                const std::string_view value = texts.Get(entry, i);
                // File names need not be UTF-8; a byte that is not becomes U+FFFD rather than
                // passing for another character.
                if (!value.empty()) file.SetAttribute(names[static_cast<std::size_t>(i)], Utf8WithReplacement(value));
            }
            rows.RowDone();
        }
    });
}

void TExportEngine::WriteXML(const std::string& fileName) {
    RunWithWaitForm(ExportToFileMessage, [&](TLongWork& work) { SaveDocument(fileName, work); });
}

void TExportEngine::SaveDocument(const std::string& fileName, const TLongWork& work) {
    TSafeFileWriter file(fileName);
    std::string piece;
    XmlDocument().Document().SaveTo([&](std::string_view bytes) {
        piece += bytes;
        if (piece.size() < TExportText::PieceSize) return;
        CheckExportStop(work);
        file.Write(piece);
        piece.clear();
    });
    CommitExportFile(file, piece, work);
}

}  // namespace nulvane
