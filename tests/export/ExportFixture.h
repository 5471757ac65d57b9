#pragma once
// What the export tests share: a list with its controller, the configuration in a folder of the
// test's own, scripted desktop services, an output folder, and the readers we did not write
// (Python's csv, html.parser and ElementTree, xmllint) that read our files back.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "core/TallyscopeCtrl.h"
#include "export/ExportEngine.h"
#include "platform/files/FileContent.h"
#include "platform/desktop/ScriptedDesktopServices.h"
#include "support/ConfigFolder.h"
#include "support/TempDir.h"

namespace nulvane::test {

// Every byte a file name may hold but "/" and NUL: CR, LF, quotes, commas, "<", "&", invalid UTF-8.
inline std::string HostileName() {
    std::string name;
    for (int c = 1; c < 256; ++c)
        if (c != '/') name += static_cast<char>(c);
    return name;
}

struct TRow {
    std::string Name, Ext;
    std::string Time = "12/09/2026 01:02:03";
};

class ExportTest : public ::testing::Test {
protected:
    // Entries as the scan makes them: name, path, size "0", extension when there is one, type
    // "file" and three times.
    void Add(const TRow& row) {
        const std::string path = "/data/" + row.Name;
        TFileRecord::TTexts texts{};
        std::tie(texts[fiFileName], texts[fiFullPath], texts[fiFileSize], texts[fiFileExt], texts[fiFileType]) =
            std::tie(row.Name, path, "0", row.Ext, "file");
        texts[fiCreateTime] = texts[fiAccessTime] = texts[fiWriteTime] = row.Time;
        TListEntry& entry = List.Append();
        entry.Record.Assign(texts);
        entry.CheckState = TCheckState::Checked;
    }
    void WriteNodes(const std::string& nodes) {
        Config.ReplaceConfig("<?xml version=\"1.0\"?><config versionNo=\"2\"><nodes>" + nodes + "</nodes></config>");
    }
    std::string OutPath(const std::string& name) const { return Out.Str() + "/" + name; }
    std::string Read(const std::string& name) const { return ReadFileContent(OutPath(name)); }

    // Runs an independent reader over a file we wrote: a Python script (given as text) with the
    // file as its argument; returns what it prints.
    std::string RunPython(const std::string& script, const std::string& file) const {
        const std::string scriptPath = Out.Str() + "/reader.py", outPath = Out.Str() + "/reader.out";
        std::FILE* out = std::fopen(scriptPath.c_str(), "w");
        std::fputs(script.c_str(), out);
        std::fclose(out);
        const std::string command = "/usr/bin/python3 '" + scriptPath + "' '" + file + "' > '" + outPath + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        std::string printed = ReadFileContent(outPath);
        RemoveFile(scriptPath);
        RemoveFile(outPath);
        return printed;
    }

    // The desktop requests so far, one short line each.
    std::vector<std::string> Trace() const {
        std::vector<std::string> lines;
        for (const TDesktopRequest& r : Desktop.Requests()) {
            switch (r.Kind) {
            case TDesktopRequestKind::SaveFileName: lines.push_back("save " + r.Detail + " " + r.Text); break;
            case TDesktopRequestKind::ShowWaitForm: lines.push_back("show" + r.Detail); break;
            case TDesktopRequestKind::HideWaitForm: lines.push_back("hide"); break;
            case TDesktopRequestKind::SetWaitMessage: lines.push_back("wait " + r.Text); break;
            case TDesktopRequestKind::RunBusy: lines.push_back("busy"); break;
            case TDesktopRequestKind::MessageBox:
                lines.push_back("box " + r.Text + "|" + r.Detail + (r.Buttons == TMessageButtons::Ok ? "|ok|" : "|yesno|") +
                                std::to_string(static_cast<int>(r.Icon)));
                break;
            default: lines.push_back("other " + r.Text); break;
            }
        }
        return lines;
    }

    TConfigFolder Config;
    TTempDir Out;
    TResultList List;
    TTallyscopeCtrl Ctrl{List};
    TScriptedDesktopServices Desktop;
    TDesktopServicesScope DesktopScope{Desktop};
};

}  // namespace nulvane::test
