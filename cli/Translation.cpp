#include "cli/Translation.h"

#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace nulvane {

void StartTranslations() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        // Absolute paths only, as the export formats module is found: the working folder never
        // chooses the catalogues.
        const std::filesystem::path installed = (self.parent_path() / NULVANE_LOCALE_RELDIR).lexically_normal();
        const std::filesystem::path built = self.parent_path() / "locale";
        const std::filesystem::path& folder =
            std::filesystem::is_directory(installed, error) ? installed : built;
        ::bindtextdomain(TextDomain, folder.c_str());
    }
    ::textdomain(TextDomain);
}

std::string Translated(std::string_view text) {
    if (text.empty()) return {};
    return ::gettext(std::string(text).c_str());
}

std::string Format(const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    std::va_list again;
    va_copy(again, arguments);
    const int size = std::vsnprintf(nullptr, 0, format, arguments);
    va_end(arguments);
    std::string text;
    if (size > 0) {
        text.resize(static_cast<std::size_t>(size));
        std::vsnprintf(text.data(), text.size() + 1, format, again);
    }
    va_end(again);
    return text;
}

}  // namespace nulvane
