#pragma once
// Reads .xls files with readers we did not write: Debian's python3-xlrd (with its formatting
// information) and gnumeric's ssconvert.
#include <cstdio>
#include <stdexcept>
#include <string>

#include "support/TempDir.h"

namespace nulvane::test {

// Runs a shell command and returns what it printed (standard error included); throws when it
// fails.
inline std::string RunCommand(const std::string& command) {
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) throw std::runtime_error("cannot run " + command);
    std::string output;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    if (::pclose(pipe) != 0) throw std::runtime_error(command + " failed: " + output);
    return output;
}

// One line per fact xlrd reads from the first sheet:
//   size ROWS COLUMNS
//   merged FIRSTROW LASTROW+1 FIRSTCOLUMN LASTCOLUMN+1
//   <cell> <value as JSON, or blank, or error:CODE> [bold] [hN: horizontal alignment other than
//          general] [vN: vertical other than bottom] [bLRTB: border line styles, when any]
//   col <index> <width>     (columns with a width of their own)
//   row <index> <height>    (rows with a record)
// Cells are named as in a spreadsheet ("A1"); empty cells are left out.
inline std::string XlrdDump(const std::string& path) {
    static const char* script = R"(
import sys, json, xlrd
book = xlrd.open_workbook(sys.argv[1], formatting_info=True)
sh = book.sheet_by_index(0)
out = ['size %d %d' % (sh.nrows, sh.ncols)]
for m in sh.merged_cells: out.append('merged %d %d %d %d' % m)
def name(r, c):
    letters = ''
    c += 1
    while c: c, k = divmod(c - 1, 26); letters = chr(65 + k) + letters
    return '%s%d' % (letters, r + 1)
for r in range(sh.nrows):
    for c in range(sh.ncols):
        cell = sh.cell(r, c)
        if cell.ctype == xlrd.XL_CELL_EMPTY: continue
        if cell.ctype == xlrd.XL_CELL_BLANK: text = 'blank'
        elif cell.ctype == xlrd.XL_CELL_ERROR: text = 'error:%d' % cell.value
        else: text = json.dumps(cell.value, ensure_ascii=False)
        xf = book.xf_list[cell.xf_index]
        if book.font_list[xf.font_index].bold: text += ' bold'
        if xf.alignment.hor_align: text += ' h%d' % xf.alignment.hor_align
        if xf.alignment.vert_align != 2: text += ' v%d' % xf.alignment.vert_align
        b = xf.border
        lines = (b.left_line_style, b.right_line_style, b.top_line_style, b.bottom_line_style)
        if any(lines): text += ' b%d%d%d%d' % lines
        out.append('%s %s' % (name(r, c), text))
for c in sorted(sh.colinfo_map): out.append('col %d %d' % (c, sh.colinfo_map[c].width))
for r in sorted(sh.rowinfo_map): out.append('row %d %d' % (r, sh.rowinfo_map[r].height))
sys.stdout.buffer.write(('\n'.join(out) + '\n').encode('utf-8'))
)";
    const TTempDir dir;
    const std::string scriptPath = dir.Write("dump.py", script);
    return RunCommand("/usr/bin/python3 '" + scriptPath + "' '" + path + "'");
}

// The first sheet as gnumeric's CSV export gives it.
inline std::string SsconvertCsv(const std::string& path) {
    const TTempDir dir;
    const std::string csv = dir.Str() + "/sheet.csv";
    RunCommand("ssconvert --export-type=Gnumeric_stf:stf_csv '" + path + "' '" + csv + "' >/dev/null");
    FILE* file = std::fopen(csv.c_str(), "rb");
    if (!file) throw std::runtime_error("ssconvert wrote nothing");
    std::string text;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, n);
    std::fclose(file);
    return text;
}

}  // namespace nulvane::test
