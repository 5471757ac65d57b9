#include "spreadsheet/ExcelServer.h"

#include <array>
#include <charconv>

#include "platform/system/LongWork.h"
#include "spreadsheet/Workbook.h"
#include "spreadsheet/XlsWriter.h"

namespace nulvane {

namespace {

using TKind = TInvokeKind;

bool SameName(std::u16string_view a, std::u16string_view b) noexcept {
    if (a.size() != b.size()) return false;
    const auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; };
    for (std::size_t i = 0; i < a.size(); ++i)
        if (fold(a[i]) != fold(b[i])) return false;
    return true;
}

[[noreturn]] void Fail(const std::string& description) { throw EOleException(description); }

// An object whose members are named in a table; a member's identifier is its place in the table
// counted from 1.
class TOleObject : public IOleDispatch {
public:
    TDispId GetIDOfName(std::u16string_view name) override {
        const auto names = Names();
        for (std::size_t i = 0; i < names.size(); ++i)
            if (SameName(names[i], name)) return static_cast<TDispId>(i + 1);
        Fail("Unknown name.");
    }

    TVariant Invoke(TDispId member, TKind kind, const TDispParams& params) override {
        if (member < 1 || static_cast<std::size_t>(member) > Names().size()) Fail("Member not found.");
        if (kind == TKind::PropertyPut) {
            if (params.NamedArgs.size() != 1 || params.NamedArgs[0] != DispIdPropertyPut || params.Args.empty())
                Fail("Parameter not optional.");
        } else if (!params.NamedArgs.empty()) {
            Fail("Named arguments are not supported.");
        }
        return Call(member - 1, kind, params);
    }

protected:
    virtual std::span<const std::u16string_view> Names() const = 0;
    // `member` counts from 0 in the table.
    virtual TVariant Call(int member, TKind kind, const TDispParams& params) = 0;

    static bool IsPut(TKind kind) noexcept { return kind == TKind::PropertyPut; }
    static const TVariant& PutValue(const TDispParams& params) { return params.Args.back(); }
    static void NoPut(TKind kind) {
        if (IsPut(kind)) Fail("Member not found.");
    }

    static std::int32_t IntOf(const TVariant& value) {
        switch (value.Type()) {
            case TVarType::Int:
                return value.AsInt();
            case TVarType::Bool:
                return value.AsOleBool();
            case TVarType::WideString: {
                const std::string text = FromWideText(value.AsWideString());
                std::int32_t number = 0;
                const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
                if (error == std::errc() && end == text.data() + text.size()) return number;
                break;
            }
            default:
                break;
        }
        Fail("Type mismatch.");
    }
    static bool BoolOf(const TVariant& value) { return IntOf(value) != 0; }
};

struct TApplicationState {
    bool ScreenUpdating = true;
    bool Visible = false;
    std::vector<std::shared_ptr<TWorkbook>> Workbooks;
};

// Turns a column's letters ("A", "iv") into its index from 0; -1 when they are not a column.
int ColumnOfLetters(std::u16string_view letters) {
    if (letters.empty() || letters.size() > 2) return -1;
    int column = 0;
    for (const char16_t c : letters) {
        const char16_t upper = c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
        if (upper < u'A' || upper > u'Z') return -1;
        column = column * 26 + (upper - u'A' + 1);
    }
    return column <= SheetColumns ? column - 1 : -1;
}

// One cell reference ("B7", "$B$7") as row and column from 0.
bool ParseCell(std::u16string_view text, int& row, int& column) {
    std::size_t i = 0;
    if (i < text.size() && text[i] == u'$') ++i;
    const std::size_t lettersStart = i;
    while (i < text.size() && ((text[i] >= u'A' && text[i] <= u'Z') || (text[i] >= u'a' && text[i] <= u'z'))) ++i;
    column = ColumnOfLetters(text.substr(lettersStart, i - lettersStart));
    if (i < text.size() && text[i] == u'$') ++i;
    if (i == text.size() || text[i] == u'0') return false;
    long number = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9') return false;
        number = number * 10 + (text[i] - u'0');
        if (number > SheetRows) return false;
    }
    row = static_cast<int>(number) - 1;
    return column >= 0;
}

TCellArea ParseArea(std::u16string_view text) {
    const std::size_t colon = text.find(u':');
    TCellArea area;
    const bool ok = colon == std::u16string_view::npos
                        ? ParseCell(text, area.FirstRow, area.FirstColumn)
                        : ParseCell(text.substr(0, colon), area.FirstRow, area.FirstColumn) &&
                              ParseCell(text.substr(colon + 1), area.LastRow, area.LastColumn);
    if (!ok) Fail("Method 'Range' of object '_Worksheet' failed");
    if (colon == std::u16string_view::npos) {
        area.LastRow = area.FirstRow;
        area.LastColumn = area.FirstColumn;
    }
    // Either corner may come first.
    if (area.FirstRow > area.LastRow) std::swap(area.FirstRow, area.LastRow);
    if (area.FirstColumn > area.LastColumn) std::swap(area.FirstColumn, area.LastColumn);
    return area;
}

// An object that stands for an area of a sheet: a range, its font, its borders.
class TAreaObject : public TOleObject {
public:
    TAreaObject(std::shared_ptr<TWorksheet> sheet, TCellArea area) : Sheet_(std::move(sheet)), Area_(area) {}

protected:
    std::shared_ptr<TWorksheet> Sheet_;
    TCellArea Area_;
};

// An area object that answers to one property only, `Name`.
template <const std::u16string_view& Name>
class TOnePropertyObject : public TAreaObject {
public:
    using TAreaObject::TAreaObject;

protected:
    std::span<const std::u16string_view> Names() const override { return {&Name, 1}; }
};

constexpr std::u16string_view BoldName = u"Bold", LineStyleName = u"LineStyle";

class TFontObject : public TOnePropertyObject<BoldName> {
public:
    using TOnePropertyObject::TOnePropertyObject;

protected:
    TVariant Call(int, TKind kind, const TDispParams& params) override {
        if (IsPut(kind)) {
            const bool bold = BoolOf(PutValue(params));
            Sheet_->ChangeFormat(Area_, [bold](TCellFormat& f) { f.Bold = bold; });
            return {};
        }
        const TCell* cell = Sheet_->Find(Area_.FirstRow, Area_.FirstColumn);
        return TVariant::Bool(cell && Sheet_->Formats()[cell->Format].Bold);
    }
};

class TBordersObject : public TOnePropertyObject<LineStyleName> {
public:
    using TOnePropertyObject::TOnePropertyObject;

protected:
    TVariant Call(int, TKind kind, const TDispParams& params) override {
        if (!IsPut(kind)) Fail("Unable to get the LineStyle property of the Borders class");
        TLineStyle line;
        switch (IntOf(PutValue(params))) {
            case 1: line = TLineStyle::Thin; break;             // continuous
            case -4115: line = TLineStyle::Dashed; break;
            case -4118: line = TLineStyle::Dotted; break;
            case -4119: line = TLineStyle::Double; break;
            case 4: line = TLineStyle::DashDot; break;
            case 5: line = TLineStyle::DashDotDot; break;
            case 13: line = TLineStyle::SlantDashDot; break;
            case -4142: line = TLineStyle::None; break;
            default: Fail("Unable to set the LineStyle property of the Borders class");
        }
        // Every edge of every cell, the inside ones included.
        Sheet_->ChangeFormat(Area_, [line](TCellFormat& f) { f.Left = f.Right = f.Top = f.Bottom = line; });
        return {};
    }
};

class TRangeObject : public TAreaObject {
public:
    enum class TShape { Cells, Columns, Rows };
    TRangeObject(std::shared_ptr<TWorksheet> sheet, TCellArea area, TShape shape = TShape::Cells)
        : TAreaObject(std::move(sheet), area), Shape_(shape) {}

protected:
    enum { Value, HorizontalAlignment, VerticalAlignment, Font, Merge, Borders, Columns, Rows, AutoFit, NumberFormat };
    std::span<const std::u16string_view> Names() const override {
        static constexpr std::array<std::u16string_view, 10> names{
            u"Value", u"HorizontalAlignment", u"VerticalAlignment", u"Font", u"Merge",
            u"Borders", u"Columns", u"Rows", u"AutoFit", u"NumberFormat"};
        return names;
    }

    TVariant Call(int member, TKind kind, const TDispParams& params) override {
        switch (member) {
            case Value:
                if (!IsPut(kind)) Fail("Unable to get the Value property of the Range class");
                StoreValue(PutValue(params), params.Work);
                return {};
            case HorizontalAlignment:
            case VerticalAlignment:
                if (!IsPut(kind)) Fail("Unable to get the alignment of the Range class");
                SetAlignment(member == HorizontalAlignment, IntOf(PutValue(params)));
                return {};
            case Font:
                NoPut(kind);
                return TDispatchRef(std::make_shared<TFontObject>(Sheet_, Area_));
            case Borders:
                NoPut(kind);
                return TDispatchRef(std::make_shared<TBordersObject>(Sheet_, Area_));
            case Merge:
                NoPut(kind);
                Sheet_->Merge(Area_);
                return {};
            case Columns:
            case Rows:
                NoPut(kind);
                return TDispatchRef(std::make_shared<TRangeObject>(
                    Sheet_, Area_, member == Columns ? TShape::Columns : TShape::Rows));
            case NumberFormat: {
                // "@" (text) and "General" only: the texts a spreadsheet keeps as typed, or not.
                if (!IsPut(kind)) return std::u16string(IsText(Area_.FirstRow, Area_.FirstColumn) ? u"@" : u"General");
                const TVariant format = PutValue(params);
                if (format.Type() != TVarType::WideString) Fail("Unable to set the NumberFormat property of the Range class");
                const std::u16string& code = format.AsWideString();
                if (code != u"@" && code != u"General") Fail("Unable to set the NumberFormat property of the Range class");
                Sheet_->ChangeFormat(Area_, [text = code == u"@"](TCellFormat& f) { f.Text = text; });
                return {};
            }
            case AutoFit:
                NoPut(kind);
                if (Shape_ == TShape::Columns)
                    Sheet_->AutoFitColumns(Area_);
                else if (Shape_ == TShape::Rows)
                    Sheet_->AutoFitRows(Area_);
                else
                    Fail("AutoFit method of Range class failed");
                return {};
        }
        Fail("Member not found.");
    }

private:
    static TCellValue ValueOf(const TVariant& value, bool asText) {
        switch (value.Type()) {
            case TVarType::Empty: return std::monostate();
            case TVarType::Bool: return value.AsBool();
            case TVarType::Int: return static_cast<double>(value.AsInt());
            case TVarType::WideString: return ValueOfText(value.AsWideString(), asText);
            default: Fail("Type mismatch.");
        }
    }

    // Whether the cell is formatted as text.
    bool IsText(int row, int column) const noexcept {
        const TCell* cell = Sheet_->Find(row, column);
        return cell && Sheet_->Formats()[cell->Format].Text;
    }

    void StoreValue(const TVariant& value, const TLongWork* work) {
        if (value.Type() != TVarType::WideStringArray) {
            for (int r = Area_.FirstRow; r <= Area_.LastRow; ++r)
                for (int c = Area_.FirstColumn; c <= Area_.LastColumn; ++c) Sheet_->SetValue(r, c, ValueOf(value, IsText(r, c)));
            return;
        }
        const TWideStringArray& array = value.AsArray();
        // Filling a large range takes a while: a stop of the call's job ends it between two rows,
        // leaving the range partly filled for a workbook its caller then closes unsaved.
        for (int r = Area_.FirstRow; r <= Area_.LastRow; ++r) {
            if ((r - Area_.FirstRow) % 1024 == 1023 && work && work->StopRequested())
                Fail("Method 'Value' of object 'Range' was stopped");
            for (int c = Area_.FirstColumn; c <= Area_.LastColumn; ++c) {
                const int ar = array.LowRow() + (r - Area_.FirstRow);
                const int ac = array.LowColumn() + (c - Area_.FirstColumn);
                if (ar <= array.HighRow() && ac <= array.HighColumn())
                    Sheet_->SetValue(r, c, ValueOfText(array.At(ar, ac), IsText(r, c)));
                else
                    Sheet_->SetValue(r, c, TCellError::NotAvailable);
            }
        }
    }

    void SetAlignment(bool horizontal, std::int32_t constant) {
        if (horizontal) {
            THorizontalAlign align;
            switch (constant) {
                case 1: align = THorizontalAlign::General; break;
                case -4131: align = THorizontalAlign::Left; break;
                case -4108: align = THorizontalAlign::Center; break;
                case -4152: align = THorizontalAlign::Right; break;
                case 5: align = THorizontalAlign::Fill; break;
                case -4130: align = THorizontalAlign::Justify; break;
                case 7: align = THorizontalAlign::CenterAcross; break;
                case -4117: align = THorizontalAlign::Distributed; break;
                default: Fail("Unable to set the HorizontalAlignment property of the Range class");
            }
            Sheet_->ChangeFormat(Area_, [align](TCellFormat& f) { f.Horizontal = align; });
        } else {
            TVerticalAlign align;
            switch (constant) {
                case -4160: align = TVerticalAlign::Top; break;
                case -4108: align = TVerticalAlign::Center; break;
                case -4107: align = TVerticalAlign::Bottom; break;
                case -4130: align = TVerticalAlign::Justify; break;
                case -4117: align = TVerticalAlign::Distributed; break;
                default: Fail("Unable to set the VerticalAlignment property of the Range class");
            }
            Sheet_->ChangeFormat(Area_, [align](TCellFormat& f) { f.Vertical = align; });
        }
    }

    TShape Shape_;
};

class TWorksheetObject : public TOleObject {
public:
    explicit TWorksheetObject(std::shared_ptr<TWorksheet> sheet) : Sheet_(std::move(sheet)) {}

protected:
    enum { Cells, Range, Name };
    std::span<const std::u16string_view> Names() const override {
        static constexpr std::array<std::u16string_view, 3> names{u"Cells", u"Range", u"Name"};
        return names;
    }
    TVariant Call(int member, TKind kind, const TDispParams& params) override {
        NoPut(kind);
        if (member == Name) return Sheet_->Name;
        if (member == Cells) {
            if (params.Args.size() != 2) Fail("Cells needs a row and a column.");
            const int row = IntOf(params.Args[0]) - 1, column = IntOf(params.Args[1]) - 1;
            if (row < 0 || row >= SheetRows || column < 0 || column >= SheetColumns)
                Fail("Application-defined or object-defined error.");
            return TDispatchRef(std::make_shared<TRangeObject>(Sheet_, TCellArea{row, column, row, column}));
        }
        if (params.Args.size() != 1 || params.Args[0].Type() != TVarType::WideString)
            Fail("Method 'Range' of object '_Worksheet' failed");
        return TDispatchRef(std::make_shared<TRangeObject>(Sheet_, ParseArea(params.Args[0].AsWideString())));
    }

private:
    std::shared_ptr<TWorksheet> Sheet_;
};

class TWorksheetsObject : public TOleObject {
public:
    explicit TWorksheetsObject(std::shared_ptr<TWorkbook> book) : Book_(std::move(book)) {}

    // The sheet by position from 1 or by name.
    TDispatchRef Item(const TVariant& index) const {
        if (index.Type() == TVarType::WideString) {
            for (const auto& sheet : Book_->Sheets)
                if (SameName(sheet->Name, index.AsWideString())) return std::make_shared<TWorksheetObject>(sheet);
            Fail("Subscript out of range");
        }
        const std::int32_t i = IntOf(index);
        if (i < 1 || static_cast<std::size_t>(i) > Book_->Sheets.size()) Fail("Subscript out of range");
        return std::make_shared<TWorksheetObject>(Book_->Sheets[static_cast<std::size_t>(i - 1)]);
    }

protected:
    std::span<const std::u16string_view> Names() const override {
        static constexpr std::array<std::u16string_view, 2> names{u"Item", u"Count"};
        return names;
    }
    TVariant Call(int member, TKind kind, const TDispParams& params) override {
        NoPut(kind);
        if (member == 1) return static_cast<std::int32_t>(Book_->Sheets.size());
        if (params.Args.size() != 1) Fail("Argument not optional");
        return Item(params.Args[0]);
    }

private:
    std::shared_ptr<TWorkbook> Book_;
};

class TWorkbookObject : public TOleObject {
public:
    TWorkbookObject(std::shared_ptr<TWorkbook> book, std::shared_ptr<TApplicationState> app)
        : Book_(std::move(book)), App_(std::move(app)) {}

protected:
    enum { Worksheets, SaveAs, Close };
    std::span<const std::u16string_view> Names() const override {
        static constexpr std::array<std::u16string_view, 3> names{u"Worksheets", u"SaveAs", u"Close"};
        return names;
    }
    TVariant Call(int member, TKind kind, const TDispParams& params) override {
        NoPut(kind);
        auto& books = App_->Workbooks;
        const auto open = std::find(books.begin(), books.end(), Book_);
        if (open == books.end()) Fail("The object invoked has disconnected from its clients.");
        switch (member) {
            case Worksheets: {
                auto sheets = std::make_shared<TWorksheetsObject>(Book_);
                if (params.Args.empty()) return TDispatchRef(sheets);
                return sheets->Item(params.Args[0]);
            }
            case SaveAs: {
                if (params.Args.empty() || params.Args[0].Type() != TVarType::WideString ||
                    params.Args[0].AsWideString().empty())
                    Fail("SaveAs method of Workbook class failed");
                SaveWorkbookFile(*Book_, FromWideText(params.Args[0].AsWideString()), params.Work);
                return {};
            }
            case Close:
                // Unsaved changes are dropped: a hidden application has nobody to ask.
                books.erase(open);
                return {};
        }
        Fail("Member not found.");
    }

private:
    std::shared_ptr<TWorkbook> Book_;
    std::shared_ptr<TApplicationState> App_;
};

class TWorkbooksObject : public TOleObject {
public:
    explicit TWorkbooksObject(std::shared_ptr<TApplicationState> app) : App_(std::move(app)) {}

    TDispatchRef Item(const TVariant& index) const {
        const std::int32_t i = IntOf(index);
        if (i < 1 || static_cast<std::size_t>(i) > App_->Workbooks.size()) Fail("Subscript out of range");
        return std::make_shared<TWorkbookObject>(App_->Workbooks[static_cast<std::size_t>(i - 1)], App_);
    }

protected:
    enum { Add, Item_, Count };
    std::span<const std::u16string_view> Names() const override {
        static constexpr std::array<std::u16string_view, 3> names{u"Add", u"Item", u"Count"};
        return names;
    }
    TVariant Call(int member, TKind kind, const TDispParams& params) override {
        NoPut(kind);
        switch (member) {
            case Add:
                App_->Workbooks.push_back(std::make_shared<TWorkbook>());
                return TDispatchRef(std::make_shared<TWorkbookObject>(App_->Workbooks.back(), App_));
            case Item_:
                if (params.Args.size() != 1) Fail("Argument not optional");
                return Item(params.Args[0]);
            case Count:
                return static_cast<std::int32_t>(App_->Workbooks.size());
        }
        Fail("Member not found.");
    }

private:
    std::shared_ptr<TApplicationState> App_;
};

class TApplicationObject : public TOleObject {
public:
    TApplicationObject() : App_(std::make_shared<TApplicationState>()) {}

protected:
    enum { ScreenUpdating, Visible, Workbooks, Quit };
    std::span<const std::u16string_view> Names() const override {
        static constexpr std::array<std::u16string_view, 4> names{u"ScreenUpdating", u"Visible", u"Workbooks",
                                                                  u"Quit"};
        return names;
    }
    TVariant Call(int member, TKind kind, const TDispParams& params) override {
        switch (member) {
            case ScreenUpdating:
            case Visible: {
                bool& flag = member == ScreenUpdating ? App_->ScreenUpdating : App_->Visible;
                if (!IsPut(kind)) return TVariant::Bool(flag);
                flag = BoolOf(PutValue(params));
                return {};
            }
            case Workbooks: {
                NoPut(kind);
                auto books = std::make_shared<TWorkbooksObject>(App_);
                if (params.Args.empty()) return TDispatchRef(books);
                return books->Item(params.Args[0]);
            }
            case Quit:
                NoPut(kind);
                App_->Workbooks.clear();
                return {};
        }
        Fail("Member not found.");
    }

private:
    std::shared_ptr<TApplicationState> App_;
};

}  // namespace

TDispatchRef CreateSpreadsheetApplication() { return std::make_shared<TApplicationObject>(); }

void RegisterSpreadsheetServer(std::string_view progId) { RegisterOleServer(progId, CreateSpreadsheetApplication); }

}  // namespace nulvane
