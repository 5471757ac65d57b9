#pragma once
// A temporary folder that stands in for the executable's folder, so that the configuration of the
// run is read from it and its default written to it. The loaded configuration is dropped when
// the folder is made and again before it goes.
#include "config/Config.h"
#include "platform/system/ProcessInfo.h"
#include "support/TempDir.h"

namespace nulvane::test {

class TConfigFolder : public TTempDir {
public:
    TConfigFolder() { Use(Str()); }
    ~TConfigFolder() { Use(""); }
    std::string ConfigPath() const { return Str() + "/" + std::string(ConfigFileShortName); }
    // Writes the configuration file; the configuration already loaded stays until the next load.
    void WriteConfig(std::string_view text) const { Write(ConfigFileShortName, text); }
    // Drops the loaded configuration and writes the file the next use reads.
    void ReplaceConfig(std::string_view text) const {
        DiscardConfig();
        WriteConfig(text);
    }

private:
    static void Use(const std::string& folder) {
        DiscardConfig();
        SetExecutableFolderForTesting(folder);
    }
};

}  // namespace nulvane::test
