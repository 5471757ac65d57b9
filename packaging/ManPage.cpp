// nulvane-manpage TEMPLATE OUTPUT VERSION: makes a manual page from its template. A line that is
// only a placeholder becomes a section composed from nulvane-cli's option table (@SYNOPSIS@,
// @OPTIONS@, @EXIT_STATUS@) or the list of field names (@FIELDS@); @VERSION@ anywhere becomes
// VERSION. The build runs it, so the pages always say what the programs do.
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>

#include "cli/CliOptions.h"
#include "core/FileRecord.h"

namespace {

using namespace nulvane;

std::string FieldList() {
    std::string text;
    for (std::size_t i = 0; i < FieldNames.size(); ++i) {
        if (i > 0) text += i + 1 == FieldNames.size() ? " and\n" : ",\n";
        text += "\\(lq" + RoffText(FieldNames[i]) + "\\(rq";
    }
    return text + ".\n";
}

std::string Section(std::string_view placeholder) {
    if (placeholder == "@SYNOPSIS@") return ManSynopsis();
    if (placeholder == "@OPTIONS@") return ManOptions();
    if (placeholder == "@EXIT_STATUS@") return ManExitStatus();
    if (placeholder == "@FIELDS@") return FieldList();
    return {};
}

// Whether `line` still holds an @NAME@ (capitals and underscores): a placeholder misspelt in
// the template must not reach the page.
bool HasPlaceholder(std::string_view line) {
    for (std::size_t open = line.find('@'); open != std::string_view::npos; open = line.find('@', open + 1)) {
        const std::size_t close = line.find('@', open + 1);
        if (close == std::string_view::npos) return false;
        const std::string_view name = line.substr(open + 1, close - open - 1);
        if (!name.empty() && name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ_") == std::string_view::npos) return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: nulvane-manpage TEMPLATE OUTPUT VERSION\n";
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::cerr << "nulvane-manpage: cannot read " << argv[1] << '\n';
        return 1;
    }
    const std::string version = argv[3];
    std::ostringstream page;
    for (std::string line; std::getline(in, line);) {
        if (line.size() > 2 && line.front() == '@' && line.back() == '@' && !Section(line).empty()) {
            page << Section(line);
            continue;
        }
        for (std::size_t at; (at = line.find("@VERSION@")) != std::string::npos;) line.replace(at, 9, version);
        if (HasPlaceholder(line)) {
            std::cerr << "nulvane-manpage: " << argv[1] << ": unknown placeholder in: " << line << '\n';
            return 1;
        }
        page << line << '\n';
    }
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << page.str();
    out.close();
    if (!out) {
        std::cerr << "nulvane-manpage: cannot write " << argv[2] << '\n';
        return 1;
    }
    return 0;
}
