#pragma once
// The export engine: writes the current contents of the result list to a named file as
// comma-separated text, space-separated text, an HTML report or an XML document (the spreadsheet
// export builds on the same engine and the same XML document).
//
// An export is a request (TExportRequest): the file, whether it may replace one that is there, the
// export columns (the names of the visible configured columns, in configuration order), the list,
// and the runner its long work runs on. Whoever makes the request has asked the user whatever was
// to be asked (the save dialog, the overwrite question, the sheet's limits) before: the engine asks
// nothing and shows only what its runner shows. It writes the file row by row through a
// TSafeFileWriter, so that a failed or stopped export never costs the user an earlier file.
//
// Values are the raw texts of the entries' record fields (no size formatting), in the list's
// current order, checked and unchecked entries alike. The delimited and HTML files are written
// byte for byte as the texts are held, with CR LF line ends; only what the format needs to keep
// its structure is quoted or escaped (CSV quotes, HTML entities, valid UTF-8 in XML).
//
// Errors (a file that cannot be written) travel out of the engine to the caller.
//
// Every export is long work on the job its runner gives it: Total is the number of rows of the
// pass under way and Done the rows made so far, and the job's stop request is looked at after
// every row. A stopped export throws EExportStopped, which travels like an error: the file is not
// written (an earlier file of the name is as it was, and no temporary file is left), and the
// caller can tell a stop from a failure by its type.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/ResultList.h"
#include "export/ExportFormats.h"
#include "platform/desktop/DesktopServices.h"
#include "platform/system/Errors.h"
#include "platform/system/LongWork.h"
#include "platform/xml/XmlDocComponent.h"

namespace nulvane {

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

// How an export's long work runs and what it shows meanwhile.
class IExportRunner {
public:
    virtual ~IExportRunner() = default;
    // Shows the progress window with `message`; HideProgress hides it again.
    virtual void ShowProgress(std::string_view message) = 0;
    virtual void HideProgress() = 0;
    // The busy cursor over the program's windows, on or off.
    virtual void SetBusyCursor(bool busy) = 0;
    // Runs long work to completion on the runner's job; an error it throws travels on.
    virtual void Run(const std::function<void(TLongWork&)>& work) = 0;
};

// The window's runner: the progress window, the busy cursor and long work of `desktop`, which
// runs the work on a worker thread with a fresh job that the progress window's Stop stops.
class TDesktopExportRunner final : public IExportRunner {
public:
    explicit TDesktopExportRunner(IDesktopServices& desktop) noexcept : Desktop_(desktop) {}
    void ShowProgress(std::string_view message) override;
    void HideProgress() override;
    void SetBusyCursor(bool busy) override;
    void Run(const std::function<void(TLongWork&)>& work) override;

private:
    IDesktopServices& Desktop_;
};

// A runner without a window: the work runs in place on `work`, and nothing is shown.
class TJobExportRunner final : public IExportRunner {
public:
    explicit TJobExportRunner(TLongWork& work) noexcept : Work_(work) {}
    void ShowProgress(std::string_view) override {}
    void HideProgress() override {}
    void SetBusyCursor(bool) override {}
    void Run(const std::function<void(TLongWork&)>& work) override { work(Work_); }

private:
    TLongWork& Work_;
};

// What an export is asked to do.
struct TExportRequest {
    TExportFormat Format = TExportFormat::CSV;
    // The file to write; EOSError when empty.
    std::string FileName{};
    // Whether a file (or a symbolic link, even one that leads nowhere) already at FileName may be
    // replaced; when not, nothing is written and the export says NotReplaced.
    bool MayReplace = false;
    // The export column list: configured column names, taken unchanged (leading blanks and
    // duplicates included); each is resolved to a record field with FieldIndexOf.
    std::vector<std::string> Columns{};
    const TResultList* List = nullptr;
    // Where the long work runs; none: in place on a job of the engine's own, nothing shown.
    IExportRunner* Runner = nullptr;
    // The XML document the XML and spreadsheet exports build in, borrowed; none: one of the
    // engine's own for the export's lifetime.
    TXmlDocComponent* Document = nullptr;
    // Document holds the list already (GatherExportDocument): the window gathers before it asks
    // for the file name.
    bool DocumentGathered = false;
};

enum class TExportOutcome : unsigned char {
    Written,      // the file holds the list
    NotReplaced,  // a file was there and MayReplace was not given: it is as it was
};

// Runs the request. Errors (EOSError, EXmlError, EOleException, ENulvaneError with a sheet's
// limit text for a workbook the sheet cannot hold) and EExportStopped travel on, leaving any
// earlier file intact.
TExportOutcome Export(const TExportRequest& request);

// EOSError when `fileName` is empty.
void CheckExportFileName(const std::string& fileName);

// The request's XML document made to hold the list (ResetDocument, then FillDocument), showing
// "Gathering info.." on its runner: the first step of the XML and spreadsheet exports.
void GatherExportDocument(const TExportRequest& request);

class TExportEngine {
public:
    TExportEngine() = default;
    // The engine for `request`'s columns, document and runner.
    explicit TExportEngine(const TExportRequest& request);
    virtual ~TExportEngine();
    TExportEngine(const TExportEngine&) = delete;
    TExportEngine& operator=(const TExportEngine&) = delete;

    // The window's XML document, borrowed; when null the engine uses a document of its own for
    // its lifetime. The XML and spreadsheet exports build their document in it.
    TXmlDocComponent* Document = nullptr;
    // The export column list (TExportRequest::Columns).
    std::vector<std::string> ExportColumns;
    // Where long work runs; when null, in place on a job of the engine's own.
    IExportRunner* Runner = nullptr;

    // --- Delimited text -------------------------------------------------------------------
    // The whole file: a header of every column name each followed by the separator, then one
    // line per entry with the values joined by the separator; every line ends in CR LF. With no
    // export columns the header is a bare line end and every data line is empty.
    std::string BuildDelimitedText(std::string_view separator, const TResultList& list,
                                   TDelimitedQuoting quoting = TDelimitedQuoting::None) const;
    // Writes the delimited text to `fileName`, quoted as `quoting` says (CSV as RFC 4180 requires).
    void WriteDelimited(const std::string& fileName, std::string_view separator, TDelimitedQuoting quoting,
                        const TResultList& list) const;

    // --- HTML report ----------------------------------------------------------------------
    // The report as one line without its line end: the fixed head, the title (GetCatalogName of
    // `fileName`) with the "Generated by:" line, the table with a header row and one row per
    // entry in alternating row classes. Names, values and the title are HTML-escaped.
    std::string BuildHTML(const TResultList& list, const std::string& fileName) const;
    // Writes the report and its line end to `fileName`.
    void WriteHTML(const std::string& fileName, const TResultList& list) const;

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
    // Saves the document to `fileName`, showing "Export to file.." meanwhile.
    void WriteXML(const std::string& fileName);
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

    // The runner long work runs on: Runner, or one in place on the engine's own job.
    IExportRunner& Runs() const;

private:
    void MakeDelimitedText(TExportText& out, std::string_view separator, const TResultList& list,
                           TDelimitedQuoting quoting) const;
    void MakeHTML(TExportText& out, const TResultList& list, const std::string& fileName) const;
    std::unique_ptr<TXmlDocComponent> OwnDocument_;
    mutable TLongWork OwnWork_;
    mutable TJobExportRunner OwnRunner_{OwnWork_};
};

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

}  // namespace nulvane
