#include "export/ExportEngine.h"

#include "export/ExcelExport.h"
#include "export/ExportOutput.h"
#include "platform/files/PathNames.h"
#include "platform/files/SafeFile.h"
#include "platform/files/Volumes.h"

namespace nulvane {

namespace {

// Hides the progress window when the work ends, however it ends.
class TWaitFormScope {
public:
    TWaitFormScope(IExportRunner& runner, std::string_view message) : Runner_(runner) { Runner_.ShowProgress(message); }
    ~TWaitFormScope() {
        try {
            Runner_.HideProgress();
        } catch (...) {
        }
    }
    TWaitFormScope(const TWaitFormScope&) = delete;
    TWaitFormScope& operator=(const TWaitFormScope&) = delete;

private:
    IExportRunner& Runner_;
};

}  // namespace

void TDesktopExportRunner::ShowProgress(std::string_view message) {
    Desktop_.ShowWaitForm(true, false);
    Desktop_.SetWaitMessage(std::string(message));
}

void TDesktopExportRunner::HideProgress() { Desktop_.ShowWaitForm(false, false); }

void TDesktopExportRunner::SetBusyCursor(bool busy) { Desktop_.SetBusyCursor(busy); }

void TDesktopExportRunner::Run(const std::function<void(TLongWork&)>& work) { Desktop_.RunBusy(work); }

TExportEngine::TExportEngine(const TExportRequest& request)
    : Document(request.Document), ExportColumns(request.Columns), Runner(request.Runner) {}

TExportEngine::~TExportEngine() = default;

TXmlDocComponent& TExportEngine::XmlDocument() {
    if (Document) return *Document;
    if (!OwnDocument_) OwnDocument_ = std::make_unique<TXmlDocComponent>();
    return *OwnDocument_;
}

IExportRunner& TExportEngine::Runs() const { return Runner ? *Runner : OwnRunner_; }

void TExportEngine::RunWithWaitForm(std::string_view message, const std::function<void(TLongWork&)>& work) const {
    const TWaitFormScope wait(Runs(), message);
    Runs().Run(work);
}

void TExportEngine::WriteExportFile(const std::string& fileName, std::size_t rows,
                                    const std::function<void(TExportText&)>& make) const {
    RunWithWaitForm(ExportToFileMessage, [&](TLongWork& work) {
        TSafeFileWriter file(fileName);
        TExportText out(rows, file, work);
        make(out);
        out.Finish();
    });
}

std::string GetCatalogName(const std::string& path) {
    const TDriveType type = QueryDriveType(path);
    if (type == dtUnknown || type == dtNoRootDir) {
        std::string_view name = path;
        if (const std::size_t last = name.rfind(PathSeparator); last != std::string_view::npos)
            name.remove_prefix(last + 1);
        return std::string(name.substr(0, name.find('.')));
    }
    std::string label = GetVolumeLabel(path);
    if (!label.empty()) return label;
    if (const std::size_t colon = path.find(':'); colon != std::string::npos) return path.substr(0, colon);
    return path;
}

std::string GetVolumeLabel(const std::string& root) {
#ifdef _WIN32
    if (!root.empty() && root.back() == ':') return QueryVolumeName(root + "\\");
#endif
    return QueryVolumeName(root);
}

void CheckExportFileName(const std::string& fileName) {
    // An empty answer of the save dialog means "cancelled", which would pass for a refusal.
    if (fileName.empty()) throw EOSError("the file name is empty");
}

void GatherExportDocument(const TExportRequest& request) {
    TExportEngine engine(request);
    engine.ResetDocument();
    engine.FillDocument(*request.List);
}

TExportOutcome Export(const TExportRequest& request) {
    CheckExportFileName(request.FileName);
    const TResultList& list = *request.List;
    if (request.Format == TExportFormat::Excel) {
        // Counted before the document is built: a list far too long is refused at once.
        const std::string_view warning = SheetLimitText(list.Count(), request.Columns.size());
        if (!warning.empty()) throw ENulvaneError(std::string(warning));
    }
    if (!request.MayReplace && WouldReplace(request.FileName)) return TExportOutcome::NotReplaced;
    TExportEngine engine(request);
    switch (request.Format) {
    case TExportFormat::CSV:
        engine.WriteDelimited(request.FileName, CsvSeparator, TDelimitedQuoting::Csv, list);
        break;
    case TExportFormat::Text:
        engine.WriteDelimited(request.FileName, TextSeparator, TDelimitedQuoting::None, list);
        break;
    case TExportFormat::HTML:
        engine.WriteHTML(request.FileName, list);
        break;
    case TExportFormat::XML:
    case TExportFormat::Excel:
        if (!request.DocumentGathered) {
            engine.ResetDocument();
            engine.FillDocument(list);
        }
        if (request.Format == TExportFormat::XML)
            engine.WriteXML(request.FileName);
        else
            WriteWorkbook(engine, request.FileName);
        break;
    }
    return TExportOutcome::Written;
}

}  // namespace nulvane
