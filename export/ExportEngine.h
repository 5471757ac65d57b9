#pragma once
// The export engine: writes the current contents of the result list to a file the user names, as
// comma-separated text, space-separated text, an HTML report or an XML document (the spreadsheet
// export builds on the same engine and the same XML document).
//
// One TExportEngine lives for one export command. The command (RunExportCommand) gives it the export
// column list (the names of the visible configured columns, in configuration order) and the
// window's XML document; the format's operations then ask for a file name (AskSaveFileName), show
// the progress window, and write the file row by row through a TSafeFileWriter, so that a failed
// or stopped export never costs the user an earlier file.
//
// Values are the raw texts of the entries' record fields (no size formatting), in the list's
// current order, checked and unchecked entries alike. The delimited and HTML files are written
// byte for byte as the texts are held, with CR LF line ends; only what the format needs to keep
// its structure is quoted or escaped (CSV quotes, HTML entities, valid UTF-8 in XML).
//
// Errors (a file that cannot be written) travel out of the format operations and the command to
// the caller; nothing is shown for them, and the completion box is not shown either.
//
// Every export is long work on the job its runner gives it (RunBusy): Total is the number of rows
// of the pass under way and Done the rows made so far, and the job's stop request is looked at
// after every row. A stopped export throws EExportStopped, which travels like an error: the
// command shows no "Export Finished", the file is not written (an earlier file of the name is as
// it was, and no temporary file is left), and the caller can tell a stop from a failure by its
// type. A refused or cancelled export returns false instead, as before.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/ResultList.h"
#include "platform/desktop/DesktopServices.h"
#include "platform/system/Errors.h"
#include "platform/system/LongWork.h"
#include "platform/xml/XmlDocComponent.h"

namespace nulvane {

class TTallyscopeCtrl;
class TExportText;

// An export that ended because its job was asked to stop: nothing was written.
class EExportStopped : public ENulvaneError {
public:
    EExportStopped() : ENulvaneError("the export was stopped; the file was not written") {}
};

// The system's own texts of the export frame.
inline constexpr std::string_view OverwriteQuestionText = "Catalog with the same name already exists,overwrite?";
inline constexpr std::string_view OverwriteQuestionCaption = "Warning";
inline constexpr std::string_view ExportFinishedText = "Export Finished";
inline constexpr std::string_view ExportFinishedCaption = "Done";
inline constexpr std::string_view ExportToFileMessage = "Export to file..";
inline constexpr std::string_view GatheringInfoMessage = "Gathering info..";

// The separators of the two delimited formats: one comma, ten blanks.
inline constexpr std::string_view CsvSeparator = ",";
inline constexpr std::string_view TextSeparator = "          ";

// How the delimited builder treats a value that holds the separator, a double quote, CR or LF.
enum class TDelimitedQuoting : unsigned char {
    None,  // written as it is (the text export)
    Csv,   // in double quotes with inner quotes doubled; every other value stays unquoted
};

class TExportEngine {
public:
    TExportEngine() = default;
    virtual ~TExportEngine();
    TExportEngine(const TExportEngine&) = delete;
    TExportEngine& operator=(const TExportEngine&) = delete;

    // The window's XML document, borrowed; when null the engine uses a document of its own for
    // its lifetime. The XML and spreadsheet exports build their document in it.
    TXmlDocComponent* Document = nullptr;
    // The export column list: configured column names, taken unchanged (leading blanks and
    // duplicates included); each is resolved to a record field with FieldIndexOf.
    std::vector<std::string> ExportColumns;
    // The window the dialogs and questions belong to.
    TOwnerWindow Owner = nullptr;

    // --- Delimited text -------------------------------------------------------------------
    // The whole file: a header of every column name each followed by the separator, then one
    // line per entry with the values joined by the separator; every line ends in CR LF. With no
    // export columns the header is a bare line end and every data line is empty.
    std::string BuildDelimitedText(std::string_view separator, const TResultList& list,
                                   TDelimitedQuoting quoting = TDelimitedQuoting::None) const;
    // Ask for a ".csv" / ".txt" file and write the delimited text; false when nothing was to be
    // written (dialog cancelled, overwrite refused). CSV quotes as RFC 4180 requires.
    bool ExportToCSV(const std::string& initialFileName, std::string_view separator, const TResultList& list);
    bool ExportToText(const std::string& initialFileName, std::string_view separator, const TResultList& list);

    // --- HTML report ----------------------------------------------------------------------
    // The report as one line without its line end: the fixed head, the title (GetCatalogName of
    // `fileName`) with the "Generated by:" line, the table with a header row and one row per
    // entry in alternating row classes. Names, values and the title are HTML-escaped.
    std::string BuildHTML(const TResultList& list, const std::string& fileName) const;
    bool ExportToHTML(const std::string& initialFileName, const TResultList& list);

    // --- XML document ---------------------------------------------------------------------
    // Makes the document hold the template (root "fileinfo" with its "generated" attribute) and
    // nothing else; an open document is closed.
    void ResetDocument();
    // The document's root element, the document opened first when it is not.
    TXmlElement GetRootElement();
    // Replaces the children of the root by one "file" element per entry, whose attributes are
    // the entry's non-empty fields in field order (every field, whatever the columns say).
    // Shows "Gathering info.." meanwhile. Expects ResetDocument to have run.
    void FillDocument(const TResultList& list);
    // Ask for an ".xml" file and save the document; false when nothing was to be written.
    bool ExportToXML(const std::string& initialFileName);
    void SaveDocument(const std::string& fileName, const TLongWork& work);

    // The XML document in use: Document, or the engine's own.
    TXmlDocComponent& XmlDocument();

    // Shows the progress window with "Export to file..", and as long work lets `make` make the
    // text of `rows` rows into a file that replaces `fileName` once it is complete; hides the
    // window again, also when that fails or is stopped. The write step of the text formats.
    void WriteExportFile(const std::string& fileName, std::size_t rows,
                         const std::function<void(TExportText&)>& make) const;

    // Shows the progress window with `message`, runs `work` as long work and hides the window
    // again, also when the work fails.
    void RunWithWaitForm(std::string_view message, const std::function<void(TLongWork&)>& work) const;

private:
    void MakeDelimitedText(TExportText& out, std::string_view separator, const TResultList& list,
                           TDelimitedQuoting quoting) const;
    void MakeHTML(TExportText& out, const TResultList& list, const std::string& fileName) const;
    bool ExportDelimited(const std::string& initialFileName, std::string_view defaultExt, std::string_view filter,
                         std::string_view separator, TDelimitedQuoting quoting, const TResultList& list);
    std::unique_ptr<TXmlDocComponent> OwnDocument_;
};

// The save question of every export: the save dialog with `defaultExt` and `filter`, then, when
// the chosen file exists, "Catalog with the same name already exists,overwrite?" (Yes/No). The
// chosen name, or empty when the dialog was cancelled or the overwrite refused. The existing file
// is left alone here: it is replaced only once a new one has been written whole.
std::string AskSaveFileName(std::string_view defaultExt, std::string_view filter, const std::string& initialFileName,
                            TOwnerWindow owner = nullptr);

// A short title for a path: a drive root's volume label (or, without one, its drive letter, or
// on POSIX the mount point unchanged); otherwise the last part of the path up to its first dot.
std::string GetCatalogName(const std::string& path);
// The volume label of a drive root; empty when it has none.
std::string GetVolumeLabel(const std::string& root);

// The head of every HTML report, 615 characters.
const std::string& HtmlHeadTemplate();
// The text every XML document starts from: the declaration and an empty root "fileinfo" whose
// only attribute, "generated", names the maker's web address.
std::string XmlExportTemplate();

// The formats the engine writes by itself.
enum class TExportFormat : unsigned char { CSV, Text, HTML, XML };

// The format's operations with an empty initial file name, as the export command runs them after
// its common start: true when a file was written, false when nothing was to be written.
bool RunExportFormat(TExportEngine& info, TExportFormat format, const TResultList& list);

// The frame every export command runs: nothing at all for an empty list; otherwise a TExportEngine
// with the controller's XMLDoc and owner window and the export column list, the format's
// operations (`format`), and "Export Finished" when they return true. Errors travel on.
void RunExportCommand(TTallyscopeCtrl& ctrl, TResultList& list, const std::function<bool(TExportEngine&)>& format);

}  // namespace nulvane
