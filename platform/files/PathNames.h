#pragma once
// Path conventions of the platform the program runs on, and the composing of a folder's path from
// the chain of folders it lies in.
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace nulvane {

#if defined(_WIN32)
inline constexpr char PathSeparator = '\\';
// Characters that end a path component: the separator and the drive colon.
inline constexpr std::string_view PathDelimiters = "\\:";
// Characters that separate a folder from the name in it: Windows takes either slash.
inline constexpr std::string_view FolderSeparators = "\\/";
#else
inline constexpr char PathSeparator = '/';
// On POSIX only "/" ends a component; ":" is an ordinary file-name character.
inline constexpr std::string_view PathDelimiters = "/";
inline constexpr std::string_view FolderSeparators = "/";
#endif

// The folder with exactly one separator appended when it does not already end in one.
inline std::string IncludeTrailingPathDelimiter(std::string_view folder) {
    std::string result(folder);
    if (result.empty() || result.back() != PathSeparator) result += PathSeparator;
    return result;
}

// The folder part of a path, up to and with its last "/" ("/a/b" gives "/a/", "/a" gives "/"),
// empty for a bare name; the name follows it. Without that "/" it is the folder's own path, except
// for the root, whose path is the "/" itself (ParentFolderOf).
constexpr std::string_view FolderPartOf(std::string_view path) noexcept {
    const std::size_t slash = path.find_last_of(FolderSeparators);
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

// The name a path ends in, after its folder part: "/a/b" gives "b", a bare name itself.
constexpr std::string_view NameOf(std::string_view path) noexcept { return path.substr(FolderPartOf(path).size()); }

// The path of the folder a path names its file in: "/a/b" gives "/a", "/a" gives "/", a bare name
// gives "" (the working folder). A root keeps its separator ("C:\\" on Windows too).
constexpr std::string_view ParentFolderOf(std::string_view path) noexcept {
    const std::string_view part = FolderPartOf(path);
#if defined(_WIN32)
    if (part.size() == 3 && part[1] == ':') return part;
#endif
    return part.size() > 1 ? part.substr(0, part.size() - 1) : part;
}

// `name` in `folder`: one "/" between them, which a folder that ends in one already has.
inline std::string JoinedPath(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (!path.ends_with(PathSeparator)) path += PathSeparator;
    return path.append(name);
}

// Appends to `out` the path of a folder known only by its chain of links to the folder it lies in,
// as the walk and the result list keep folders (one name each, so that a million folders do not
// repeat their ancestors' paths): the names from the top down, each followed by "/". `parentOf`
// gives the folder a folder lies in and `nameOf` its name; the chain ends at `top`, which is not
// part of the path. The chain is gone up twice, once to measure and once to write the names from
// the end, so that a deep path is written once, without a growing copy.
template <class TFolder, class TParentOf, class TNameOf>
void AppendChainedPath(std::string& out, TFolder folder, TFolder top, TParentOf parentOf, TNameOf nameOf) {
    std::size_t length = 0;
    for (TFolder f = folder; f != top; f = parentOf(f)) length += std::string_view(nameOf(f)).size() + 1;
    out.resize(out.size() + length);
    std::size_t end = out.size();
    for (TFolder f = folder; f != top; f = parentOf(f)) {
        const std::string_view name = nameOf(f);
        out[--end] = '/';
        end -= name.size();
        if (!name.empty()) std::memcpy(out.data() + end, name.data(), name.size());
    }
}

}  // namespace nulvane
