#include "config/Config.h"

#include <filesystem>
#include <memory>
#include <system_error>

#include "platform/system/Errors.h"
#include "platform/files/FileContent.h"
#include "platform/files/PathNames.h"
#include "platform/system/ProcessInfo.h"
#include "platform/system/UserFolders.h"

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

namespace {

std::optional<std::vector<TInstallFolder>>& InstallFoldersOverride() {
    static std::optional<std::vector<TInstallFolder>> folders;
    return folders;
}

}  // namespace

std::vector<TInstallFolder> InstallFolders() {
    if (InstallFoldersOverride()) return *InstallFoldersOverride();
    std::vector<TInstallFolder> folders;
#if defined(NULVANE_INSTALL_BINDIR) && defined(NULVANE_INSTALL_SYSCONFDIR)
    folders.push_back({NULVANE_INSTALL_BINDIR, NULVANE_INSTALL_SYSCONFDIR});
#endif
#if defined(NULVANE_PACKAGE_BINDIR) && defined(NULVANE_PACKAGE_SYSCONFDIR)
    folders.push_back({NULVANE_PACKAGE_BINDIR, NULVANE_PACKAGE_SYSCONFDIR});
#endif
    return folders;
}

void SetInstallFoldersForTesting(std::optional<std::vector<TInstallFolder>> folders) {
    InstallFoldersOverride() = std::move(folders);
}

TConfigFiles ConfigFiles() {
    const std::string executableFolder = ExecutableFolder();
    for (const TInstallFolder& install : InstallFolders()) {
        // Compared as folders, not as spellings: /bin may be a link to /usr/bin.
        std::error_code error;
        if (!std::filesystem::equivalent(executableFolder.empty() ? "/" : executableFolder, install.Bin, error))
            continue;
        TConfigFiles files;
        const std::string user = UserConfigFolder();
        if (!user.empty()) files.Read.push_back(files.Write = user + "/nulvane/" + std::string(ConfigFileShortName));
        files.Read.push_back(install.SysConf + "/nulvane/" + std::string(ConfigFileShortName));
        files.InUserFolder = !files.Write.empty();
        return files;
    }
    std::string beside = executableFolder;
    beside += PathSeparator;
    beside += ConfigFileShortName;
    return {{beside}, beside, false};
}

TConfig::TConfig() {
    std::string fileName;
    try {
        fileName = ConfigFileName();
        if (!FileExists(fileName)) WriteDefaultConfig();
    } catch (const EOSError&) {
        // The default file cannot be written (a read-only folder beside the executable, a user
        // without a home folder): the run still gets the default columns.
        Root = LoadConfigText(DefaultConfigText);
        Columns = ReadColumnDefinitions(*Root);
        return;
    }
    Root = LoadConfigFile(fileName);
    Columns = ReadColumnDefinitions(*Root);
}

std::string TConfig::ConfigFileName() const {
    const TConfigFiles files = ConfigFiles();
    for (const std::string& name : files.Read)
        if (FileExists(name)) return name;
    return files.Write;
}

void TConfig::WriteDefaultConfig() const {
    const TConfigFiles files = ConfigFiles();
    const std::string name = ConfigFileName();
    // Only ever the file the configuration belongs in: never a system file, which an installed
    // program reads but does not own.
    if (name.empty() || name != files.Write)
        throw EOSError(name.empty() ? "no folder to write the configuration to: the home folder is unknown"
                                    : "cannot write \"" + name + "\": not the user's configuration file");
    if (files.InUserFolder) MakeUserFolder(name.substr(0, name.rfind('/')));
    CreateFileWithContent(name, DefaultConfigText);
}

namespace {

std::unique_ptr<TConfig>& Instance() {
    static std::unique_ptr<TConfig> instance;
    return instance;
}

}  // namespace

TConfig* GetConfig() {
    std::unique_ptr<TConfig>& instance = Instance();
    if (!instance) instance = std::make_unique<TConfig>();
    return instance.get();
}

void DiscardConfig() noexcept { Instance().reset(); }

}  // namespace nulvane
