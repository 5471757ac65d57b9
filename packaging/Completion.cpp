// nulvane-completion SHELL OUTPUT: writes nulvane-cli's completion script for bash, zsh or fish,
// composed from its option table. The build runs it, so completion always offers what the
// program takes.
#include <fstream>
#include <iostream>
#include <string>

#include "cli/Completions.h"

int main(int argc, char** argv) {
    const std::string script = argc == 3 ? nulvane::CompletionFor(argv[1]) : std::string();
    if (script.empty()) {
        std::cerr << "usage: nulvane-completion bash|zsh|fish OUTPUT\n";
        return 2;
    }
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << script;
    out.close();
    if (!out) {
        std::cerr << "nulvane-completion: cannot write " << argv[2] << '\n';
        return 1;
    }
    return 0;
}
