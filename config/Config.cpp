#include "config/Config.h"

#include <memory>

#include "platform/system/Errors.h"
#include "platform/files/FileContent.h"
#include "platform/system/ProcessInfo.h"

namespace nulvane {

const std::string_view DefaultConfigText =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><config versionNo=\"2\">"
    "\t<frame max=\"True\" left=\"0\" top=\"0\" height=\"600\" width=\"800\">"
    "\t\t<plLeft width=\"308\" col1=\"127\" col2=\"106\" col3=\"76\"/>"
    "\t\t<plHint height=\"262\" col1=\"139\" col2=\"139\"/>"
    "\t</frame>"
    "\t<nodes>"
    "\t\t<node Name=\"      File Name\" Visible=\"True\" Index=\"0\" DefaultExport=\"True\" Width=\"120\" "
    "ReadOnly=\"True\" Align=\"left\"/>"
    "\t\t<node Name=\"Full Path\" Visible=\"True\" Index=\"1\" DefaultExport=\"True\" Width=\"220\" "
    "ReadOnly=\"True\" Align=\"left\"/>"
    "\t\t<node Name=\"File Size\" Visible=\"True\" Index=\"2\" DefaultExport=\"True\" Width=\"55\" "
    "ReadOnly=\"True\" Align=\"right\"/>"
    "\t\t<node Name=\"File Ext\" Visible=\"True\" Index=\"3\" DefaultExport=\"True\" Width=\"50\" "
    "ReadOnly=\"True\" Align=\"right\"/>"
    "\t\t<node Name=\"Create Time\" Visible=\"True\" Index=\"4\" DefaultExport=\"True\" Width=\"110\" "
    "ReadOnly=\"True\" Align=\"right\"/>"
    "\t\t<node Name=\"Access Time\" Visible=\"True\" Index=\"5\" DefaultExport=\"True\" Width=\"110\" "
    "ReadOnly=\"True\" Align=\"right\"/>"
    "\t\t<node Name=\"Write Time\" Visible=\"True\" Index=\"6\" DefaultExport=\"True\" Width=\"110\" "
    "ReadOnly=\"True\" Align=\"right\"/>"
    "\t</nodes></config>";

TConfig::TConfig() {
    std::string fileName;
    try {
        fileName = ConfigFileName();
        if (!FileExists(fileName)) WriteDefaultConfig();
    } catch (const EOSError&) {
        // The default file cannot be placed beside the executable (a read-only install folder is
        // the normal case for a system-wide install): the run still gets the default columns.
        Root = LoadConfigText(DefaultConfigText);
        return;
    }
    Root = LoadConfigFile(fileName);
}

std::string TConfig::ConfigFileName() const {
    std::string name = ExecutableFolder();
    name += PathDelimiter;
    name += ConfigFileShortName;
    return name;
}

void TConfig::WriteDefaultConfig() const { CreateFileWithContent(ConfigFileName(), DefaultConfigText); }

TConfig* GetConfig(bool free) {
    static std::unique_ptr<TConfig> instance;
    if (free) {
        instance.reset();
        return nullptr;
    }
    if (!instance) instance = std::make_unique<TConfig>();
    return instance.get();
}

}  // namespace nulvane
