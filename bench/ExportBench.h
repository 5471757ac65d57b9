#pragma once
// What the export benchmarks stand on: the default configuration read from a fresh folder, the
// in-process spreadsheet application registered, a scan-like list of 65,534 entries (the most a
// sheet holds), scripted answers to the export dialogs and a folder for the files written.
#include <string>

#include "bench/ScanLikeList.h"
#include "config/Config.h"
#include "core/TallyscopeCtrl.h"
#include "platform/desktop/ScriptedDesktopServices.h"
#include "platform/system/ProcessInfo.h"
#include "export/ExcelExport.h"
#include "spreadsheet/ExcelServer.h"
#include "tests/support/TempDir.h"

namespace nulvane::bench {

// The executable's folder, where the configuration is read from, is a fresh one for the
// benchmark's life, so that the default columns are the ones exported.
class TFreshConfig {
public:
    TFreshConfig() {
        SetExecutableFolderForTesting(Folder_.Str());
        DiscardConfig();
        RegisterSpreadsheetServer(ExcelProgId);
    }
    ~TFreshConfig() {
        DiscardConfig();
        SetExecutableFolderForTesting("");
    }
    TFreshConfig(const TFreshConfig&) = delete;
    TFreshConfig& operator=(const TFreshConfig&) = delete;

private:
    test::TTempDir Folder_;
};

struct TExportBench {
    explicit TExportBench(unsigned seed) { FillScanLikeList(List, 65534, seed); }

    std::string PathOf(const std::string& name) const { return Out.Str() + "/" + name; }

    TFreshConfig Config;  // first: set before anything reads the configuration, undone last
    test::TTempDir Out;
    TResultList List;
    TScriptedDesktopServices Desktop;
    TDesktopServicesScope Scope{Desktop};
    TTallyscopeCtrl Ctrl{List};
};

}  // namespace nulvane::bench
