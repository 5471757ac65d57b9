// A scanned list stores each folder's path once and each entry only its name; everything that
// reads "Full Path" must see the bytes it would see if every entry held its whole path. Both
// lists are exported in every format and sorted by every field, on a tree of hostile names.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "core/FieldSort.h"
#include "core/Scan.h"
#include "export/CommandLineExport.h"
#include "export/ExcelExport.h"
#include "spreadsheet/ExcelServer.h"
#include "tests/export/ExportFixture.h"

using namespace nulvane;

namespace {

// Folders and files named with every byte but "/" and NUL, names differing only in case or
// being the start of another (where "." and "0" fall either side of "/"), 150 nested folders, a
// path of some 4,500 bytes, and a link to a folder outside (an anchor of its own).
void MakeTree(const test::TTempDir& dir) {
    for (int byte = 1; byte <= 0xFF; ++byte) {
        if (byte == '/') continue;
        const char c = static_cast<char>(byte);
        dir.Write(std::string("bytes/n") + c + "e");
        dir.Write(std::string{c, 'd', '/'} + "f" + c);
    }
    for (const char* file : {"A/x", "a/x", "a.b/x", "a/b/x", "ab", "a0/x", "a/b.c", "a.txt", "AB/c/d"})
        dir.Write(std::string("case/") + file);
    std::string deep = "deep";
    for (int level = 0; level < 150; ++level) deep += level % 2 ? "/d" : "/D";
    dir.Write(deep + "/bottom");
    std::string longPath = "long";
    while (dir.Str().size() + longPath.size() < 3800) longPath += "/" + std::string(200, 'L');
    dir.Write(longPath + "/f");
    dir.Write(longPath + "/G");
    dir.Write("outside/elsewhere/x.y");
    std::filesystem::create_directory_symlink(dir.Str() + "/outside", dir.Str() + "/tree-link");
}

class ScannedPaths : public test::ExportTest {};

TEST_F(ScannedPaths, ExportsAndSortsMatchTheListWithWholePaths) {
    const test::TTempDir tree;
    MakeTree(tree);
    // Every field a column, so that every field is exported.
    std::string nodes;
    for (const std::string_view name : FieldNames) nodes += "<node Name=\"" + std::string(name) + "\" Visible=\"True\"/>";
    WriteNodes(nodes);

    TResultList& scanned = List;
    ScanFolder(scanned, tree.Str() + "/");
    ScanFolder(scanned, tree.Str() + "/case");  // a second scan: a second chain of folders
    ASSERT_GT(scanned.Count(), 500u);
    TResultList whole;
    for (const TListEntry& entry : scanned) {
        TListEntry copy = entry;
        copy.Record.Set(fiFullPath, scanned.FullPath(entry));
        copy.Folder = NoFolder;
        whole.Append(std::move(copy));
    }
    ASSERT_TRUE(scanned[0].Record.HasPathTail());
    ASSERT_FALSE(whole[0].Record.HasPathTail());

    RegisterSpreadsheetServer(ExcelProgId);
    const auto exported = [&](const TResultList& list, const std::string& format) {
        const std::string file = OutPath("list." + format);
        TLongWork work;
        EXPECT_TRUE(ExportListToFile(list, *ParseExportFormat(format), file, true, work));
        return Read("list." + format);
    };
    for (const std::string format : {"csv", "txt", "html", "xml", "xls"}) {
        if (format == "xls") {  // a sheet holds 65,534 rows: keep the first thousand or so
            while (scanned.Count() > 1000) scanned.Remove(scanned.Count() - 1);
            while (whole.Count() > 1000) whole.Remove(whole.Count() - 1);
        }
        const std::string a = exported(scanned, format), b = exported(whole, format);
        EXPECT_GT(a.size(), 1000u) << format;
        EXPECT_TRUE(a == b) << format;
    }

    const auto listing = [](const TResultList& list) {
        std::string text;
        for (const TListEntry& entry : list) (text += list.FullPath(entry)) += '\n';
        return text;
    };
    for (int field = 0; field < FieldCount; ++field)
        for (const bool descending : {false, true}) {
            SortListByField(scanned, FieldNames[field], descending);
            SortListByField(whole, FieldNames[field], descending);
            ASSERT_EQ(listing(scanned), listing(whole)) << FieldNames[field] << (descending ? " descending" : "");
        }
}

}  // namespace
