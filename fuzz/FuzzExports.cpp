// The delimited, HTML and XML builders fed hostile names: the input, cut at NUL bytes, gives the
// entries' field texts and the export column names. Besides surviving, each builder must keep
// its format's structure whatever the texts hold: the CSV text reads back to exactly the values
// written, the HTML report carries no markup character the texts brought in, and the XML
// document parses again.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/FileRecord.h"
#include "export/ExportEngine.h"
#include "platform/system/Errors.h"
#include "platform/xml/XmlDom.h"

namespace {

using namespace nulvane;

// Reads RFC 4180 text with CR LF line ends: records of fields.
std::vector<std::vector<std::string>> ReadCsv(std::string_view text) {
    std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"' && rows.back().back().empty()) {
            for (++i; i < text.size(); ++i) {
                if (text[i] == '"' && i + 1 < text.size() && text[i + 1] == '"')
                    rows.back().back() += text[++i];
                else if (text[i] == '"')
                    break;
                else
                    rows.back().back() += text[i];
            }
        } else if (c == ',') {
            rows.back().emplace_back();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++i;
            rows.emplace_back(1);
        } else {
            rows.back().back() += c;
        }
    }
    rows.pop_back();  // after the last line end
    return rows;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string_view> parts;
    for (std::string_view input(reinterpret_cast<const char*>(data), size);;) {
        const std::size_t nul = input.find('\0');
        parts.push_back(input.substr(0, nul));
        if (nul == std::string_view::npos) break;
        input.remove_prefix(nul + 1);
    }

    TResultList list;
    for (std::size_t i = 0; i < parts.size() && list.Count() < 8; i += 3) {
        TListEntry entry;
        entry.Record.Set(fiFileName, parts[i]);
        entry.Record.Set(fiFullPath, "/tmp/" + std::string(parts[i]));
        if (i + 1 < parts.size()) entry.Record.Set(3, parts[i + 1]);
        if (i + 2 < parts.size()) entry.Record.Set(10, parts[i + 2]);
        list.Append(std::move(entry));
    }
    TExportEngine info;
    info.ExportColumns = {"File Name", "Full Path", std::string(FieldNames[3]), std::string(FieldNames[10])};

    // CSV: every value comes back as written; lines are header + one per entry.
    const std::string csv = info.BuildDelimitedText(CsvSeparator, list, TDelimitedQuoting::Csv);
    const auto rows = ReadCsv(csv);
    if (rows.size() != list.Count() + 1) std::abort();
    TEntryTexts texts(list);
    for (std::size_t r = 0; r < list.Count(); ++r) {
        if (rows[r + 1].size() != info.ExportColumns.size()) std::abort();
        for (std::size_t c = 0; c < info.ExportColumns.size(); ++c)
            if (rows[r + 1][c] != texts.Get(list[r], FieldIndexOf(info.ExportColumns[c]))) std::abort();
    }
    (void)info.BuildDelimitedText(TextSeparator, list);

    // HTML: whatever the names hold, no "<" reaches the report but the report's own tags.
    std::string plain;
    for (const TListEntry& entry : list) plain += entry.Record.Get(fiFileName);
    if (plain.find('<') != std::string::npos) {
        const std::string html = info.BuildHTML(list, "/tmp/report.htm");
        for (std::size_t at = 0; (at = html.find('<', at)) != std::string::npos; ++at) {
            const char next = at + 1 < html.size() ? html[at + 1] : '\0';
            if (!(std::isalpha(static_cast<unsigned char>(next)) || next == '/' || next == '!')) std::abort();
        }
    } else {
        (void)info.BuildHTML(list, std::string(parts[0]));
    }

    // XML: the document made from the entries parses back.
    try {
        info.ResetDocument();
        info.FillDocument(list);
        (void)TXmlDocument::ParseText(info.XmlDocument().Document().SaveToText());
    } catch (const EXmlError&) {
        std::abort();
    }
    return 0;
}
