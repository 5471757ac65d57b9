#pragma once
// Path conventions of the platform the program runs on.
#include <string>
#include <string_view>

namespace nulvane {

#if defined(_WIN32)
inline constexpr char PathSeparator = '\\';
// Characters that end a path component: the separator and the drive colon.
inline constexpr std::string_view PathDelimiters = "\\:";
#else
inline constexpr char PathSeparator = '/';
// On POSIX only "/" ends a component; ":" is an ordinary file-name character.
inline constexpr std::string_view PathDelimiters = "/";
#endif

// The folder with exactly one separator appended when it does not already end in one.
inline std::string IncludeTrailingPathDelimiter(std::string_view folder) {
    std::string result(folder);
    if (result.empty() || result.back() != PathSeparator) result += PathSeparator;
    return result;
}

}  // namespace nulvane
