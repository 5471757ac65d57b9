#pragma once
// Exports for a program without a window (nulvane-cli): the same engine, columns and bytes as the
// desktop program's export commands, with the questions answered from the command line.
#include <optional>
#include <string>
#include <string_view>

#include "export/ExportEngine.h"
#include "platform/desktop/SystemDesktopServices.h"

namespace nulvane {

// No window to show: the file named on the command line is the save dialog's answer, the
// overwrite question answers as --force says, a message with only an OK button is answered without
// being shown, everything else keeps the system defaults (nothing shown, long work in place).
class TCommandLineDesktopServices : public TSystemDesktopServices {
public:
    // Long work runs as `work`, the program's job.
    TCommandLineDesktopServices(std::string fileName, bool force, TLongWork& work)
        : TSystemDesktopServices(work), FileName_(std::move(fileName)), Force_(force) {}

    std::string SaveFileName(const std::string& defaultExt, const std::string& filter,
                             const std::string& initialFileName, TOwnerWindow owner) override;
    TMessageResult MessageBox(const std::string& text, const std::string& caption, TMessageButtons buttons,
                              TMessageIcon icon, TOwnerWindow owner) override;

private:
    std::string FileName_;
    bool Force_;
};

// "csv", "txt", "html" or "xml"; nothing for any other text.
std::optional<TExportFormat> ParseExportFormat(std::string_view name) noexcept;

// EOSError when `fileName` is empty.
void CheckExportFileName(const std::string& fileName);

// Writes the list to `fileName` in `format` with the export columns of the configuration beside
// the executable (written on first use). The save dialog answers `fileName`; the overwrite
// question answers Yes only with `force`; no window, progress or completion box is shown. Unlike
// the window's command it writes an empty list too (a header, an empty table, a bare root), so
// that a script always finds the file it asked for. False when the file exists and `force` was
// not given (the file is left untouched), a symbolic link at the name included; errors (EOSError,
// also for an empty name, EXmlError, configuration errors) travel on, leaving any earlier file
// intact, and so does EExportStopped when `work`, the program's job, is asked to stop.
bool ExportListToFile(const TResultList& list, TExportFormat format, const std::string& fileName, bool force,
                      TLongWork& work);

}  // namespace nulvane
