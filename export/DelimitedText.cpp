// The comma-separated and the space-separated text exports.
#include <cstdint>

#include "export/ExportOutput.h"
#include "export/ExportEngine.h"

namespace nulvane {

namespace {

// RFC 4180: a field that holds the separator, a quote or a line break goes in quotes, with its
// quotes doubled. Everything else stays as it is, so that ordinary files read the same as ever.
void AppendValue(std::string& out, std::string_view text, std::string_view separator, TDelimitedQuoting quoting) {
    const bool quote = quoting == TDelimitedQuoting::Csv &&
                       (text.find_first_of("\"\r\n") != std::string_view::npos ||
                        (!separator.empty() && text.find(separator) != std::string_view::npos));
    if (!quote) {
        out += text;
        return;
    }
    out += '"';
    for (std::size_t start = 0;;) {
        const std::size_t q = text.find('"', start);
        if (q == std::string_view::npos) {
            out += text.substr(start);
            break;
        }
        out += text.substr(start, q + 1 - start);
        out += '"';
        start = q + 1;
    }
    out += '"';
}

}  // namespace

void TExportEngine::MakeDelimitedText(TExportText& out, std::string_view separator, const TResultList& list,
                                  TDelimitedQuoting quoting) const {
    std::vector<std::uint8_t> fields;
    fields.reserve(ExportColumns.size());
    for (const std::string& name : ExportColumns) fields.push_back(FieldIndexOf(name));

    std::string& text = out.Text;
    for (const std::string& name : ExportColumns) {
        AppendValue(text, name, separator, quoting);
        text += separator;
    }
    text += "\r\n";
    TEntryTexts texts(list);
    if (!list.Empty()) {
        // Sized after the first entry: one growth step or two instead of thirty.
        std::size_t first = 2 + separator.size() * fields.size();
        for (const std::uint8_t field : fields) first += texts.Get(list[0], field).size();
        out.Expect((first + 16) * list.Count());
    }
    for (const TListEntry& entry : list) {
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (i > 0) text += separator;
            AppendValue(text, texts.Get(entry, fields[i]), separator, quoting);
        }
        text += "\r\n";
        out.RowDone();
    }
}

std::string TExportEngine::BuildDelimitedText(std::string_view separator, const TResultList& list,
                                          TDelimitedQuoting quoting) const {
    TExportText out(list.Count());
    MakeDelimitedText(out, separator, list, quoting);
    return std::move(out.Text);
}

void TExportEngine::WriteDelimited(const std::string& fileName, std::string_view separator, TDelimitedQuoting quoting,
                                   const TResultList& list) const {
    WriteExportFile(fileName, list.Count(), [&](TExportText& out) { MakeDelimitedText(out, separator, list, quoting); });
}

}  // namespace nulvane
