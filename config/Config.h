#pragma once
// The column configuration of the run: the file TallyscopeConfig.xml, written with default contents
// when it is missing, parsed once on first use and then only read. A program run from the folder
// it was built in keeps the file beside itself; an installed one reads the user's file, else the
// system's, and writes only in the user's folder.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/TallyscopeConfig.h"

namespace nulvane {

// The default configuration, byte for byte: single-byte text without a byte-order mark or any line
// break, tabs between the tags, seven columns.
extern const std::string_view DefaultConfigText;

inline constexpr std::string_view ConfigFileShortName = "TallyscopeConfig.xml";

// A folder the programs are installed in, with the system configuration folder that goes with
// its prefix (/usr/bin with /etc, /usr/local/bin with /usr/local/etc).
struct TInstallFolder {
    std::string Bin;
    std::string SysConf;
};

// The install folders this build was made for: its install prefix's and the Debian package's.
// None on Windows, where a program keeps its configuration beside itself wherever it is.
std::vector<TInstallFolder> InstallFolders();
// Makes InstallFolders() answer `folders` until called with std::nullopt, which goes back to the
// folders the build was made for.
void SetInstallFoldersForTesting(std::optional<std::vector<TInstallFolder>> folders);

// Where the configuration of the run is looked for, and where its default is written.
struct TConfigFiles {
    std::vector<std::string> Read;  // in this order; the first file there is the one read
    std::string Write;              // the default goes here when none is there; "" for nowhere
    bool InUserFolder = false;      // Write lies in the user's folder, made when missing
};

// The executable lies in one of InstallFolders(): the user's file, then the system's, with the
// default written to the user's; anywhere else (its build folder): the file beside it, read and
// written there.
TConfigFiles ConfigFiles();

class TConfig {
public:
    // Creates the configuration of the run:
    //  - no file at ConfigFileName() (a folder of that name is no file): the default file is
    //    written first; when it cannot be written (a read-only folder, no home folder known),
    //    DefaultConfigText is used from memory for this run;
    //  - the file is parsed and its root bound. An existing file is never written, repaired or
    //    replaced: a malformed one makes the construction throw (EOSError, EXmlError,
    //    EIntfCastError).
    TConfig();

    // The first of ConfigFiles().Read that is there, else the file its default is written to:
    // for a build, the executable's folder, the platform's separator, "TallyscopeConfig.xml".
    std::string ConfigFileName() const;
    // Creates ConfigFileName() with DefaultConfigText, making the user's folder for it when that
    // is where it goes. Never replaces a file (or follows a link) that is already there, never
    // writes beside an installed executable, and leaves no partial file behind. EOSError on
    // failure.
    void WriteDefaultConfig() const;
    // A new shared reference to Root.
    IXMLConfigTypePtr GetConfigRoot() const { return Root; }

    IXMLConfigTypePtr Root;
    // The column definitions of Root, taken out when it was loaded: what the list reads.
    std::vector<TColumnDefinition> Columns;
};

// The configuration of the run, created on the first call and kept. When creation throws, nothing
// is remembered and the error reaches the caller; the next call tries again.
TConfig* GetConfig();
// Destroys the configuration of the run, so that the next GetConfig starts afresh.
void DiscardConfig() noexcept;

}  // namespace nulvane
