#include "spreadsheet/XlsWriter.h"

#include <gsf/gsf.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>

#include "platform/automation/Automation.h"
#include "platform/files/SafeFile.h"
#include "platform/system/LongWork.h"

namespace nulvane {

namespace {

// A large workbook takes a while to save: a stop of its job ends the saving between two rows,
// before anything is written.
void StopIfAsked(const TLongWork* work) {
    if (work && work->StopRequested()) throw EOleException("SaveAs method of Workbook class was stopped");
}

// Record types.
enum : std::uint16_t {
    RecBof = 0x0809,
    RecEof = 0x000A,
    RecCodePage = 0x0042,
    RecWindow1 = 0x003D,
    RecDateMode = 0x0022,
    RecFont = 0x0031,
    RecXf = 0x00E0,
    RecStyle = 0x0293,
    RecBoundSheet = 0x0085,
    RecSst = 0x00FC,
    RecExtSst = 0x00FF,
    RecContinue = 0x003C,
    RecDefaultRowHeight = 0x0225,
    RecDefColWidth = 0x0055,
    RecColInfo = 0x007D,
    RecDimensions = 0x0200,
    RecRow = 0x0208,
    RecLabelSst = 0x00FD,
    RecNumber = 0x0203,
    RecBlank = 0x0201,
    RecBoolErr = 0x0205,
    RecWindow2 = 0x023E,
    RecMergedCells = 0x00E5,
};

constexpr std::size_t MaxRecordData = 8224;
constexpr std::uint16_t FirstCellXf = 15;  // after the 15 style formats
constexpr std::uint16_t BoldFont = 5;      // the fifth FONT record: there is no index 4
constexpr std::uint8_t BlackColour = 8;

class TBytes {
public:
    std::string Data;
    void U8(unsigned v) { Data += static_cast<char>(v & 0xFF); }
    void U16(unsigned v) { U8(v), U8(v >> 8); }
    void U32(std::uint32_t v) { U16(v & 0xFFFF), U16(v >> 16); }
    void F64(double v) {
        const auto bits = std::bit_cast<std::uint64_t>(v);
        U32(static_cast<std::uint32_t>(bits)), U32(static_cast<std::uint32_t>(bits >> 32));
    }
    // A text's units: one byte each when `compressed`, else two.
    void Units(std::u16string_view text, bool compressed) {
        for (const char16_t u : text) compressed ? U8(u) : U16(u);
    }
};

bool FitsInBytes(std::u16string_view text) noexcept {
    return std::all_of(text.begin(), text.end(), [](char16_t u) { return u < 0x100; });
}

// The record stream: each record is a type, a length and at most 8224 bytes of data.
class TStream {
public:
    std::string Out;

    void Record(std::uint16_t type, const TBytes& data) { Record(type, data.Data); }
    void Record(std::uint16_t type, std::string_view data) {
        if (data.size() > MaxRecordData) throw EOleException("Internal error: record too long.");
        TBytes header;
        header.U16(type), header.U16(static_cast<unsigned>(data.size()));
        Out += header.Data;
        Out += data;
    }
    std::size_t Position() const noexcept { return Out.size(); }
};

// A record whose data goes on in CONTINUE records when it outgrows one record.
class TContinuedRecord {
public:
    TContinuedRecord(TStream& stream, std::uint16_t type) : Stream_(stream) { Begin(type); }
    std::size_t Room() const noexcept { return MaxRecordData - (Stream_.Out.size() - Start_ - 4); }
    void Append(const std::string& bytes) { Stream_.Out += bytes; }
    void Continue() {
        End();
        Begin(RecContinue);
    }
    void End() {
        const std::size_t length = Stream_.Out.size() - Start_ - 4;
        Stream_.Out[Start_ + 2] = static_cast<char>(length & 0xFF);
        Stream_.Out[Start_ + 3] = static_cast<char>(length >> 8);
    }
    std::size_t Start() const noexcept { return Start_; }

private:
    void Begin(std::uint16_t type) {
        Start_ = Stream_.Out.size();
        TBytes header;
        header.U16(type), header.U16(0);
        Stream_.Out += header.Data;
    }
    TStream& Stream_;
    std::size_t Start_ = 0;
};

// The shared string table: every distinct text once, in order of first use, and the index of
// every text cell's string in cell order (sheet by sheet, row by row), which is the order the
// cells are written in.
struct TStringTable {
    std::unordered_map<std::u16string_view, std::uint32_t> Index;
    std::vector<std::u16string_view> Texts;
    std::vector<std::uint32_t> CellStrings;
    std::size_t NextCell = 0;

    void Add(std::u16string_view text) {
        const auto [it, added] = Index.try_emplace(text, static_cast<std::uint32_t>(Texts.size()));
        if (added) Texts.push_back(text);
        CellStrings.push_back(it->second);
    }
    std::uint32_t Uses() const noexcept { return static_cast<std::uint32_t>(CellStrings.size()); }
};

void WriteBof(TStream& s, std::uint16_t kind) {
    TBytes d;
    d.U16(0x0600), d.U16(kind), d.U16(0x0DBB), d.U16(0x07CC);
    d.U32(0x00000000), d.U32(0x00000006);
    s.Record(RecBof, d);
}

void WriteFont(TStream& s, bool bold) {
    TBytes d;
    d.U16(200);                 // 10 points
    d.U16(bold ? 0x0001 : 0);   // the older bold flag, kept in step with the weight
    d.U16(0x7FFF);              // the window text colour
    d.U16(bold ? 700 : 400);    // weight
    d.U16(0), d.U8(0), d.U8(0);  // no super-/subscript, no underline, family
    d.U8(0), d.U8(0);           // character set, reserved
    const std::u16string_view name = u"Arial";
    d.U8(static_cast<unsigned>(name.size())), d.U8(0), d.Units(name, true);
    s.Record(RecFont, d);
}

std::uint8_t LineCode(TLineStyle style) { return static_cast<std::uint8_t>(style); }

void WriteXf(TStream& s, const TCellFormat& f, bool style) {
    TBytes d;
    d.U16(f.Bold ? BoldFont : 0);
    d.U16(f.Text ? 49 : 0);  // the built-in "@" (text), else the general number format
    // Locked; a style format has the style flag and no parent, a cell format the Normal style.
    d.U16(style ? 0xFFF5 : 0x0001);
    d.U8(static_cast<unsigned>(f.Horizontal) | (static_cast<unsigned>(f.Vertical) << 4));
    d.U8(0);  // no rotation
    d.U8(0);  // no indent, no shrinking
    unsigned used = 0;
    if (!style) {
        if (f.Text) used |= 0x04;
        if (f.Bold) used |= 0x08;
        if (f.Horizontal != THorizontalAlign::General || f.Vertical != TVerticalAlign::Bottom) used |= 0x10;
        if (f.Left != TLineStyle::None || f.Right != TLineStyle::None || f.Top != TLineStyle::None ||
            f.Bottom != TLineStyle::None)
            used |= 0x20;
    }
    d.U8(used);
    const auto colour = [](TLineStyle line) -> std::uint32_t { return line == TLineStyle::None ? 0 : BlackColour; };
    d.U32(LineCode(f.Left) | (LineCode(f.Right) << 4) | (LineCode(f.Top) << 8) | (LineCode(f.Bottom) << 12) |
          (colour(f.Left) << 16) | (colour(f.Right) << 23));
    d.U32(colour(f.Top) | (colour(f.Bottom) << 7));
    d.U16(64 | (65 << 7));  // pattern colours: window text on window background
    s.Record(RecXf, d);
}

void WriteSst(TStream& s, const TStringTable& table, std::vector<std::pair<std::uint32_t, std::uint16_t>>& anchors,
              std::size_t bucket) {
    TContinuedRecord record(s, RecSst);
    TBytes head;
    head.U32(table.Uses()), head.U32(static_cast<std::uint32_t>(table.Texts.size()));
    record.Append(head.Data);
    for (std::size_t i = 0; i < table.Texts.size(); ++i) {
        std::u16string_view text = table.Texts[i];
        const bool compressed = FitsInBytes(text);
        const std::size_t unit = compressed ? 1 : 2;
        // The length and flags never split, and one unit at least goes with them.
        if (record.Room() < 3 + (text.empty() ? 0 : unit)) record.Continue();
        if (i % bucket == 0)
            anchors.emplace_back(static_cast<std::uint32_t>(s.Position()),
                                 static_cast<std::uint16_t>(s.Position() - record.Start()));
        TBytes d;
        d.U16(static_cast<unsigned>(text.size())), d.U8(compressed ? 0 : 1);
        record.Append(d.Data);
        while (!text.empty()) {
            std::size_t n = std::min(text.size(), record.Room() / unit);
            // A surrogate pair stays in one piece, so that each piece is whole UTF-16.
            const bool high = n > 0 && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF;
            if (high && n < text.size()) --n;
            if (n == 0) {
                record.Continue();
                TBytes flags;
                flags.U8(compressed ? 0 : 1);
                record.Append(flags.Data);
                continue;
            }
            TBytes units;
            units.Units(text.substr(0, n), compressed);
            record.Append(units.Data);
            text.remove_prefix(n);
        }
    }
    record.End();
}

// One sheet's records; its texts' string indexes are taken from `table` in cell order.
void WriteSheet(TStream& s, const TWorksheet& sheet, TStringTable& table, const TLongWork* work) {
    WriteBof(s, 0x0010);
    {
        TBytes d;
        d.U16(0), d.U16(DefaultRowHeight);
        s.Record(RecDefaultRowHeight, d);
    }
    {
        TBytes d;
        d.U16(8);
        s.Record(RecDefColWidth, d);
    }
    for (int c = 0; c < SheetColumns; ++c) {
        if (sheet.ColumnWidth(c) == 0) continue;
        TBytes d;
        d.U16(static_cast<unsigned>(c)), d.U16(static_cast<unsigned>(c)), d.U16(sheet.ColumnWidth(c));
        d.U16(FirstCellXf), d.U16(0x0006), d.U16(0);  // set to fit
        s.Record(RecColInfo, d);
    }

    // The used area, as first and one-past-last row and column.
    int firstRow = -1, lastRow = -1, firstColumn = SheetColumns, lastColumn = -1;
    for (int r = 0; r < sheet.RowSlots(); ++r) {
        const auto& cells = sheet.Row(r);
        for (int c = 0; c < static_cast<int>(cells.size()); ++c) {
            const TCell& cell = cells[static_cast<std::size_t>(c)];
            if (cell.Format == 0 && std::holds_alternative<std::monostate>(cell.Value)) continue;
            if (firstRow < 0) firstRow = r;
            lastRow = r;
            firstColumn = std::min(firstColumn, c);
            lastColumn = std::max(lastColumn, c);
        }
    }
    {
        TBytes d;
        if (firstRow < 0) {
            d.U32(0), d.U32(0), d.U16(0), d.U16(0);
        } else {
            d.U32(static_cast<std::uint32_t>(firstRow)), d.U32(static_cast<std::uint32_t>(lastRow + 1));
            d.U16(static_cast<unsigned>(firstColumn)), d.U16(static_cast<unsigned>(lastColumn + 1));
        }
        d.U16(0);
        s.Record(RecDimensions, d);
    }

    const int rows = std::max(sheet.RowSlots(), sheet.HeightSlots());
    for (int r = 0; r < rows; ++r) {
        if (r % 1024 == 0) StopIfAsked(work);
        const bool hasSlot = r < sheet.RowSlots();
        static const std::vector<TCell> none;
        const auto& cells = hasSlot ? sheet.Row(r) : none;
        int first = -1, last = -1;
        for (int c = 0; c < static_cast<int>(cells.size()); ++c) {
            const TCell& cell = cells[static_cast<std::size_t>(c)];
            if (cell.Format == 0 && std::holds_alternative<std::monostate>(cell.Value)) continue;
            if (first < 0) first = c;
            last = c;
        }
        const std::uint16_t height = sheet.RowHeight(r);
        if (first < 0 && height == 0) continue;
        {
            TBytes d;
            d.U16(static_cast<unsigned>(r));
            d.U16(first < 0 ? 0 : static_cast<unsigned>(first)), d.U16(first < 0 ? 0 : static_cast<unsigned>(last + 1));
            d.U16(height == 0 ? DefaultRowHeight : height);
            d.U16(0), d.U16(0);
            // A height other than the font's is the row's own.
            d.U16(0x0100 | (height != 0 && height != DefaultRowHeight ? 0x0040 : 0));
            d.U16(FirstCellXf);
            s.Record(RecRow, d);
        }
        for (int c = first; first >= 0 && c <= last; ++c) {
            const TCell& cell = cells[static_cast<std::size_t>(c)];
            const unsigned xf = FirstCellXf + cell.Format;
            TBytes d;
            d.U16(static_cast<unsigned>(r)), d.U16(static_cast<unsigned>(c)), d.U16(xf);
            if (std::holds_alternative<std::u16string>(cell.Value)) {
                d.U32(table.CellStrings[table.NextCell++]);
                s.Record(RecLabelSst, d);
            } else if (const auto* number = std::get_if<double>(&cell.Value)) {
                d.F64(*number);
                s.Record(RecNumber, d);
            } else if (const auto* flag = std::get_if<bool>(&cell.Value)) {
                d.U8(*flag ? 1 : 0), d.U8(0);
                s.Record(RecBoolErr, d);
            } else if (const auto* error = std::get_if<TCellError>(&cell.Value)) {
                d.U8(static_cast<unsigned>(*error)), d.U8(1);
                s.Record(RecBoolErr, d);
            } else if (cell.Format != 0) {
                s.Record(RecBlank, d);
            }
        }
    }

    {
        TBytes d;
        // Gridlines, headers, zeros, outline symbols, default gridline colour; selected, active.
        d.U16(0x06B6), d.U16(0), d.U16(0), d.U16(64), d.U16(0), d.U16(0), d.U16(0), d.U32(0);
        s.Record(RecWindow2, d);
    }
    const auto& merged = sheet.MergedAreas();
    constexpr std::size_t perRecord = (MaxRecordData - 2) / 8;
    for (std::size_t start = 0; start < merged.size(); start += perRecord) {
        const std::size_t count = std::min(perRecord, merged.size() - start);
        TBytes d;
        d.U16(static_cast<unsigned>(count));
        for (std::size_t i = start; i < start + count; ++i) {
            const TCellArea& a = merged[i];
            d.U16(static_cast<unsigned>(a.FirstRow)), d.U16(static_cast<unsigned>(a.LastRow));
            d.U16(static_cast<unsigned>(a.FirstColumn)), d.U16(static_cast<unsigned>(a.LastColumn));
        }
        s.Record(RecMergedCells, d);
    }
    s.Record(RecEof, std::string_view());
}

std::once_flag GsfStarted;

template <class T>
struct TGObject {
    T* Object;
    ~TGObject() {
        if (Object) g_object_unref(Object);
    }
};

}  // namespace

std::string BuildWorkbookStream(const TWorkbook& workbook, const TLongWork* work) {
    TStringTable table;
    std::size_t cells = 0;
    for (const auto& sheet : workbook.Sheets)
        for (int r = 0; r < sheet->RowSlots(); ++r) cells += sheet->Row(r).size();
    table.Index.reserve(cells);
    table.CellStrings.reserve(cells);
    for (const auto& sheet : workbook.Sheets)
        for (int r = 0; r < sheet->RowSlots(); ++r) {
            if (r % 1024 == 0) StopIfAsked(work);
            for (const TCell& cell : sheet->Row(r))
                if (const auto* text = std::get_if<std::u16string>(&cell.Value)) table.Add(*text);
        }

    TStream s;
    WriteBof(s, 0x0005);
    {
        TBytes d;
        d.U16(1200);  // UTF-16
        s.Record(RecCodePage, d);
    }
    {
        TBytes d;
        d.U16(0), d.U16(0), d.U16(0x3840), d.U16(0x1E00), d.U16(0x0038), d.U16(0), d.U16(0), d.U16(1), d.U16(0x0258);
        s.Record(RecWindow1, d);
    }
    {
        TBytes d;
        d.U16(0);  // dates count from 1900
        s.Record(RecDateMode, d);
    }
    for (int i = 0; i < 4; ++i) WriteFont(s, false);
    WriteFont(s, true);
    for (int i = 0; i < FirstCellXf; ++i) WriteXf(s, TCellFormat(), true);
    const TFormatTable& formats = *workbook.Formats();
    for (std::uint16_t i = 0; i < formats.Size(); ++i) WriteXf(s, formats[i], false);
    {
        TBytes d;
        d.U16(0x8000), d.U8(0), d.U8(0xFF);  // the built-in Normal style on style format 0
        s.Record(RecStyle, d);
    }
    std::vector<std::size_t> sheetOffsets;
    for (const auto& sheet : workbook.Sheets) {
        sheetOffsets.push_back(s.Position() + 4);
        TBytes d;
        d.U32(0);  // the BOF's position, filled in below
        d.U8(0), d.U8(0);
        const std::u16string_view name = std::u16string_view(sheet->Name).substr(0, 31);
        const bool compressed = FitsInBytes(name);
        d.U8(static_cast<unsigned>(name.size())), d.U8(compressed ? 0 : 1), d.Units(name, compressed);
        s.Record(RecBoundSheet, d);
    }
    std::vector<std::pair<std::uint32_t, std::uint16_t>> anchors;
    const std::size_t bucket = std::max<std::size_t>(8, table.Texts.size() / 128 + 1);
    WriteSst(s, table, anchors, bucket);
    {
        TBytes d;
        d.U16(static_cast<unsigned>(bucket));
        for (const auto& [position, offset] : anchors) d.U32(position), d.U16(offset), d.U16(0);
        s.Record(RecExtSst, d);
    }
    s.Record(RecEof, std::string_view());

    for (std::size_t i = 0; i < workbook.Sheets.size(); ++i) {
        const auto bof = static_cast<std::uint32_t>(s.Position());
        for (int k = 0; k < 4; ++k) s.Out[sheetOffsets[i] + static_cast<std::size_t>(k)] = static_cast<char>(bof >> (8 * k));
        WriteSheet(s, *workbook.Sheets[i], table, work);
    }
    if (s.Out.size() < 4096) s.Out.resize(4096, '\0');
    return std::move(s.Out);
}

std::string BuildCompoundFile(const std::string& workbookStream) {
    std::call_once(GsfStarted, [] { gsf_init(); });
    TGObject<GsfOutput> memory{gsf_output_memory_new()};
    std::string failure;
    {
        TGObject<GsfOutfile> file{gsf_outfile_msole_new(memory.Object)};
        if (!file.Object) throw EOleException("Cannot create the compound file.");
        TGObject<GsfOutput> stream{gsf_outfile_new_child(file.Object, "Workbook", FALSE)};
        if (!stream.Object ||
            !gsf_output_write(stream.Object, workbookStream.size(),
                              reinterpret_cast<const guint8*>(workbookStream.data())) ||
            !gsf_output_close(stream.Object) || !gsf_output_close(GSF_OUTPUT(file.Object)))
            failure = "Cannot write the compound file.";
        // Closing the compound file closes the memory it was written to.
    }
    if (!failure.empty()) throw EOleException("Cannot write the compound file.");
    const guint8* bytes = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(memory.Object));
    return std::string(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(gsf_output_size(memory.Object)));
}

void SaveWorkbookFile(const TWorkbook& workbook, const std::string& path, const TLongWork* work) {
    std::string stream = BuildWorkbookStream(workbook, work);
    StopIfAsked(work);
    const std::string file = BuildCompoundFile(stream);
    stream = {};
    StopIfAsked(work);
    try {
        WriteFileSafely(path, file);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        throw EOleException(std::string("Cannot save the workbook: ") + e.what());
    }
}

}  // namespace nulvane
