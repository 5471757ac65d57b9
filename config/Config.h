#pragma once
// The column configuration of the run: the file TallyscopeConfig.xml beside the executable,
// written with default contents when it is missing, parsed once on first use and then only read.
#include <string>
#include <string_view>

#include "config/TallyscopeConfig.h"

namespace nulvane {

// The default configuration, byte for byte: single-byte text without a byte-order mark or any line
// break, tabs between the tags, seven columns.
extern const std::string_view DefaultConfigText;

inline constexpr std::string_view ConfigFileShortName = "TallyscopeConfig.xml";

class TConfig {
public:
    // Creates the configuration of the run:
    //  - no file at ConfigFileName() (a folder of that name is no file): the default file is
    //    written first; when it cannot be written (a read-only install folder), DefaultConfigText
    //    is used from memory for this run;
    //  - the file is parsed and its root bound. An existing file is never written, repaired or
    //    replaced: a malformed one makes the construction throw (EOSError, EXmlError,
    //    EIntfCastError).
    TConfig();

    // The executable's folder, the platform's separator, "TallyscopeConfig.xml".
    std::string ConfigFileName() const;
    // Creates ConfigFileName() with DefaultConfigText. Never replaces a file (or follows a link)
    // that is already there, and leaves no partial file behind. EOSError on failure.
    void WriteDefaultConfig() const;
    // A new shared reference to Root.
    IXMLConfigTypePtr GetConfigRoot() const { return Root; }

    IXMLConfigTypePtr Root;
};

// The configuration of the run, created on the first call and kept. When creation throws, nothing
// is remembered and the error reaches the caller; the next call tries again. GetConfig(true)
// destroys the instance and returns nullptr, so that the next call starts afresh.
TConfig* GetConfig(bool free = false);

}  // namespace nulvane
