#include "cli/Colors.h"

#include <cctype>

namespace nulvane {
namespace {

bool EndsWithFolded(std::string_view text, std::string_view suffix) {
    if (suffix.size() > text.size()) return false;
    text = text.substr(text.size() - suffix.size());
    for (std::size_t i = 0; i < suffix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(suffix[i])))
            return false;
    return true;
}

// A colour value holds only digits and semicolons: anything else could be a sequence that does
// more than colour.
bool IsColorValue(std::string_view value) {
    return !value.empty() && value.find_first_not_of("0123456789;") == std::string_view::npos;
}

void AppendColored(std::string& out, std::string_view color, std::string_view text) {
    if (color.empty() || text.empty()) {
        out += text;
        return;
    }
    ((out += "\x1b[") += color) += 'm';
    (out += text) += "\x1b[0m";
}

}  // namespace

TPathColors::TPathColors(const char* lsColors) {
    if (!lsColors || !*lsColors) return;
    std::string_view rest = lsColors;
    while (!rest.empty()) {
        const std::size_t end = rest.find(':');
        const std::string_view entry = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        const std::size_t equals = entry.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string_view key = entry.substr(0, equals), value = entry.substr(equals + 1);
        if (!IsColorValue(value) && !value.empty()) continue;
        if (key == "di")
            Folder_ = value;
        else if (key == "fi")
            File_ = value;
        else if (key.size() > 1 && key[0] == '*')
            Suffixes_.emplace_back(key.substr(1), value);
    }
}

std::string_view TPathColors::NameColor(std::string_view name) const {
    // ls matches exactly first, then without regard to case.
    for (auto it = Suffixes_.rbegin(); it != Suffixes_.rend(); ++it)
        if (name.ends_with(it->first)) return it->second;
    for (auto it = Suffixes_.rbegin(); it != Suffixes_.rend(); ++it)
        if (EndsWithFolded(name, it->first)) return it->second;
    return File_;
}

void TPathColors::Append(std::string& out, std::string_view folder, std::string_view name) const {
    AppendColored(out, Folder_, folder);
    AppendColored(out, NameColor(name), name);
}

bool ColorWanted(std::string_view when, bool outputIsTerminal, const char* noColor) {
    if (when == "always") return true;
    if (when == "never") return false;
    return outputIsTerminal && !(noColor && *noColor);
}

}  // namespace nulvane
