#pragma once
// Colouring a listed path as ls colours it: the folder part in the colour LS_COLORS gives folders
// ("di"), the name in the colour of the first "*.ext" (or other "*suffix") pattern it ends with,
// else that of regular files ("fi"). Without LS_COLORS, the colours ls uses by default.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nulvane {

class TPathColors {
public:
    // From an LS_COLORS value; null or empty gives ls's defaults. Malformed entries are skipped.
    explicit TPathColors(const char* lsColors);

    // Appends the path, split into its folder part and name, with colour sequences around each
    // coloured part (a part without a colour is appended as it is).
    void Append(std::string& out, std::string_view folder, std::string_view name) const;

private:
    std::string_view NameColor(std::string_view name) const;

    std::string Folder_ = "01;34";
    std::string File_;
    // Suffix patterns in the order given; a later one for the same suffix wins, as in ls.
    std::vector<std::pair<std::string, std::string>> Suffixes_;
};

// Whether paths are coloured for `--color WHEN` ("auto", "always", "never"; empty is auto):
// auto colours only a terminal, and only while NO_COLOR is unset or empty.
bool ColorWanted(std::string_view when, bool outputIsTerminal, const char* noColor);

}  // namespace nulvane
