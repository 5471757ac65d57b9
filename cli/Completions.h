#pragma once
// Shell completion scripts for nulvane-cli (bash, zsh, fish), written from its option table, so
// that a shell offers exactly the options --help lists: their values too (the --sort fields and
// directions, the --export formats, the --color choices), and folders for FOLDER.
#include <string>
#include <string_view>

namespace nulvane {

std::string BashCompletion();
std::string ZshCompletion();
std::string FishCompletion();

// The script for "bash", "zsh" or "fish"; empty for any other name.
std::string CompletionFor(std::string_view shell);

}  // namespace nulvane
