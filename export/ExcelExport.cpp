// The spreadsheet export: its layout of the XML document and its automation calls.
#include "export/ExcelExport.h"

#include <charconv>
#include <exception>
#include <new>

#include "core/Comparisons.h"
#include "core/FileRecord.h"
#include "export/ExportOutput.h"
#include "platform/system/ScopeGuard.h"

namespace nulvane {

namespace {

constexpr std::int32_t AlignCenter = -4108;
constexpr std::int32_t LineContinuous = 1;

using TKind = TInvokeKind;

std::string WithoutSpaces(std::string_view name) {
    std::string result;
    for (const char c : name)
        if (c != ' ') result += c;
    return result;
}

// The columns that hold a file's names: its name, path, extension and short name.
bool IsNameColumn(std::string_view column) noexcept {
    for (const TField field : {fiFileName, fiFullPath, fiFileExt, fiDOSName})
        if (TrimText(column) == FieldNames[field]) return true;
    return false;
}

// application.WorkBooks(1).WorkSheets(1), fetched afresh each time as the layout asks.
TDispatchRef FirstSheet(IOleDispatch& app) {
    const TDispatchRef book = OleGetObject(app, u"WorkBooks", TKind::PropertyGet, {1});
    return OleGetObject(*book, u"WorkSheets", TKind::PropertyGet, {1});
}

TDispatchRef TitleCell(IOleDispatch& app) {
    return OleGetObject(*FirstSheet(app), u"Cells", TKind::PropertyGet, {1, 1});
}

TDispatchRef SheetRange(IOleDispatch& app, const std::string& reference) {
    return OleGetObject(*FirstSheet(app), u"Range", TKind::PropertyGet, {ToWideText(reference)});
}

// Steps from creating the workbook to fitting the data range.
void BuildWorkbook(IOleDispatch& app, TExportEngine& engine, const TXmlElement& root, int rowCount,
                   const std::string& fileName, TLongWork& work) {
    const int columnCount = static_cast<int>(engine.ExportColumns.size()) + 1;
    OlePut(app, u"ScreenUpdating", TVariant::Bool(false));
    OlePut(app, u"Visible", TVariant::Bool(false));
    OleInvoke(*OleGetObject(app, u"WorkBooks", TKind::MethodOrGet), u"Add", TKind::Method);

    TWideStringArray sheet(0, rowCount - 1, 0, columnCount - 1);
    const std::u16string title = ToWideText(GetCatalogName(fileName));

    OlePut(*TitleCell(app), u"Value", title);
    OlePut(*TitleCell(app), u"HorizontalAlignment", AlignCenter);
    OlePut(*TitleCell(app), u"VerticalAlignment", AlignCenter);
    OlePut(*OleGetObject(*TitleCell(app), u"Font", TKind::MethodOrGet), u"Bold", TVariant::Bool(true));

    const std::string lastColumn = ColumnLetters(std::to_string(columnCount));
    TDispatchRef range = SheetRange(app, ColumnLetters("1") + "1" + ":" + lastColumn + "1");
    OleInvoke(*range, u"Merge", TKind::Method);

    sheet.At(0, 0) = u"SerialNO";
    TExportRows progress(static_cast<std::size_t>(rowCount - 1), &work);
    TExcelRows rows{sheet, {}, 0, &progress};
    for (std::size_t j = 0; j < engine.ExportColumns.size(); ++j) {
        sheet.At(0, static_cast<int>(j) + 1) = ToWideText(engine.ExportColumns[j]);
        rows.AttributeNames.push_back(WithoutSpaces(engine.ExportColumns[j]));
    }
    AddChildRows(root, rows);

    // Names and paths are texts whatever they look like: a file named "1.50" or "TRUE" must not
    // become a number or a truth value. Cells formatted as text take what is put in them as it is.
    for (std::size_t j = 0; j < engine.ExportColumns.size(); ++j) {
        if (!IsNameColumn(engine.ExportColumns[j])) continue;
        const std::string column = ColumnLetters(std::to_string(j + 2));
        OlePut(*SheetRange(app, column + "2:" + column + std::to_string(2 + rowCount - 1)), u"NumberFormat", std::u16string(u"@"));
    }
    range = SheetRange(app, ColumnLetters("1") + "2" + ":" + lastColumn + std::to_string(2 + rowCount - 1));
    OlePut(*range, u"Value", std::make_shared<const TWideStringArray>(std::move(sheet)), &work);
    CheckExportStop(work);
    OlePut(*OleGetObject(*range, u"Borders", TKind::MethodOrGet), u"LineStyle", LineContinuous);
    OleInvoke(*OleGetObject(*range, u"Columns", TKind::MethodOrGet), u"AutoFit", TKind::Method);
    CheckExportStop(work);
    OleInvoke(*OleGetObject(*range, u"Rows", TKind::MethodOrGet), u"AutoFit", TKind::Method);
    CheckExportStop(work);
}

// Sets the application back and closes its workbook.
void CloseWorkbook(IOleDispatch& app) {
    OlePut(app, u"ScreenUpdating", TVariant::Bool(true));
    OleInvoke(*OleGetObject(app, u"workBooks", TKind::PropertyGet, {1}), u"close", TKind::Method);
}

// Closes the workbook unsaved after `failure`, then rethrows it: a failure of the closing is not
// told over the first.
[[noreturn]] void AbandonWorkbook(IOleDispatch& app, const std::exception_ptr& failure) {
    try {
        CloseWorkbook(app);
    } catch (...) {
    }
    std::rethrow_exception(failure);
}

}  // namespace

std::string_view SheetLimitText(std::size_t entries, std::size_t columns) noexcept {
    if (entries + 1 > static_cast<std::size_t>(ExcelMaxRows)) return ExcelRowLimitText;
    if (columns + 1 > static_cast<std::size_t>(ExcelMaxColumns)) return ExcelColumnLimitText;
    return {};
}

int CountNodes(const TXmlElement& node) {
    int count = 0;
    for (const TXmlElement& child : node.Children()) {
        ++count;
        count += CountNodes(child);
    }
    return count;
}

void AddChildRows(const TXmlElement& node, TExcelRows& rows) {
    for (const TXmlElement& child : node.Children()) {
        const int row = ++rows.Row;
        rows.Sheet.At(row, 0) = ToWideText(std::to_string(row));
        for (std::size_t j = 0; j < rows.AttributeNames.size(); ++j) {
            const std::string& name = rows.AttributeNames[j];
            if (child.HasAttribute(name)) rows.Sheet.At(row, static_cast<int>(j) + 1) = ToWideText(child.AttributeText(name));
        }
        if (rows.Progress) rows.Progress->RowDone();
        AddChildRows(child, rows);
    }
}

std::string ColumnLetters(std::string_view text) {
    if (!IsNumeric(text)) return std::string(text);
    std::string_view digits = text;
    while (!digits.empty() && digits.front() == ' ') digits.remove_prefix(1);
    while (!digits.empty() && digits.back() == ' ') digits.remove_suffix(1);
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    long long n = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
        throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
    if (n < 1) return std::string(text);
    // Bijective base 26: A to Z, then AA to ZZ, then AAA on.
    std::string letters;
    for (; n > 0; n = (n - 1) / 26) letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
    return letters;
}

void WriteWorkbook(TExportEngine& engine, const std::string& fileName) {
    IExportRunner& runner = engine.Runs();
    const TXmlElement root = engine.GetRootElement();
    const int rowCount = CountNodes(root) + 1;

    runner.ShowProgress(ExportToFileMessage);
    TDispatchRef app;
    try {
        app = CreateOleObject(ExcelProgId);
    } catch (const std::bad_alloc&) {
        runner.HideProgress();
        throw;  // the application is there; the memory to start it is not
    } catch (const std::exception&) {
        // Nothing has been written: the progress window goes, and the cause with it.
        runner.HideProgress();
        throw EOleException(std::string(ExcelNotInstalledText));
    }

    runner.SetBusyCursor(true);
    std::exception_ptr failure;
    // Whether the job was asked to stop, read as each step ends, however it ends.
    bool stopped = false;
    try {
        runner.Run([&](TLongWork& work) {
            const TScopeGuard note([&] { stopped = work.StopRequested(); });
            BuildWorkbook(*app, engine, root, rowCount, fileName, work);
        });
    } catch (...) {
        failure = std::current_exception();
    }

    // Closing steps. A workbook whose building failed or was stopped is not saved, so that the
    // earlier file of that name stays; the application is still set back and its workbook closed.
    runner.HideProgress();
    runner.SetBusyCursor(false);
    // A stop ends the building between two steps, or within filling the range: either way stopped.
    if (stopped) failure = std::make_exception_ptr(EExportStopped());
    if (failure) AbandonWorkbook(*app, failure);
    try {
        runner.Run([&](TLongWork& work) {
            const TScopeGuard note([&] { stopped = work.StopRequested(); });
            OleInvoke(*OleGetObject(*app, u"workBooks", TKind::PropertyGet, {1}), u"SaveAs", TKind::Method,
                      {ToWideText(fileName)}, &work);
        });
    } catch (...) {
        // Saving writes nothing until the whole file is made: a stop or a failure leaves the
        // earlier file as it was.
        failure = stopped ? std::make_exception_ptr(EExportStopped()) : std::current_exception();
    }
    if (failure) AbandonWorkbook(*app, failure);
    CloseWorkbook(*app);
}

}  // namespace nulvane
