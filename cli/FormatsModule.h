#pragma once
// The export formats as a module of their own: the exports, the column configuration, the XML
// document and the spreadsheet, with the libraries they need (libxml2, libgsf with GLib), live in
// nulvane-formats.so, which nulvane-cli loads only when an export asks for them, so that a listing,
// a sort or a deletion maps none of those libraries. The module binds to the program's own list,
// job, locale and desktop services: there is one copy of each in the process. Loading the module
// registers the spreadsheet application it holds.
//
// Where the program is built without the module (NULVANE_FORMATS_MODULE off, as on Windows), the
// same table is linked in and loading always succeeds.
#include <stdexcept>
#include <string>

#include "core/ResultList.h"
#include "export/ExportEngine.h"
#include "platform/system/LongWork.h"

namespace nulvane {

// What a module says it was built as. A module is used only by the program of the same version
// and table layout: any other (an older package's file left behind, a module of another build
// folder) is refused before any of its calls is made.
inline constexpr char FormatsModuleIdentity[] = "nulvane-formats " NULVANE_VERSION " table 2";

// The calls nulvane-cli makes into the module. Identity stays the first member in every layout,
// so that it can be read from a module of any build.
struct TFormatsModule {
    const char* Identity;
    bool (*ExportListToFile)(const TResultList& list, TExportFormat format, const std::string& fileName, bool force,
                             TLongWork& work);
};

// A module that cannot be used: missing, not loadable, or of another build. what() is one line
// that names the module's path.
class EFormatsModuleError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The module's table, loaded on first call and kept loaded to the end of the program. It is looked
// for by absolute path from the program's own file: first where an install puts it (the library
// folder's nulvane/ beside the program's bin/), then beside the program (a build folder). Throws
// EFormatsModuleError.
const TFormatsModule& LoadFormatsModule();

}  // namespace nulvane

// The module's one entry point: its table, whatever the caller's build (the caller compares
// Identity before using anything else).
extern "C" const nulvane::TFormatsModule* NulvaneFormatsModule();
