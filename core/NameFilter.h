#pragma once
// Which names a scan takes, as fd's pattern and --extension choose them: a file or folder is
// taken when any of the globs matches it (all are, when there is none) and its name ends in any
// of the extensions (all do, when there is none). A glob is read as --exclude reads it (see
// PathGlob.h): without "/" it matches the name, with "/" the path below the scanned folder from
// its start. An extension is compared without regard to ASCII letter case and needs a name before
// its dot, as fd compares it: "-e log" takes "a.log" and "B.LOG", not ".log"; "tar.gz" takes
// "x.tar.gz".
//
// The filter chooses what is listed; it never keeps a folder from being scanned, and it holds for
// folder entries as for files (the walk asks it through TWalkOptions::Select).
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/PathGlob.h"

namespace nulvane {

class TNameFilter {
public:
    void AddGlob(TPathGlob glob) { Globs_.push_back(std::move(glob)); }
    // `extension` with or without its leading dot; false, with `error` set, when it is empty or
    // holds a "/" or a NUL byte.
    bool AddExtension(std::string_view extension, std::string& error);

    bool Empty() const noexcept { return Globs_.empty() && Extensions_.empty(); }
    // Whether the filter takes the file or folder at `relativePath` (below the scanned folder).
    bool Takes(std::string_view relativePath, bool isFolder) const noexcept;
    // The filter as a walk's TWalkOptions::Select, sharing a copy of it; none when it is empty.
    std::function<bool(std::string_view, bool)> Select() const;

    // The globs of a text as a user types them in one field: separated by blanks ("*.log *.tmp");
    // "\ " is a blank inside a glob. Nothing, with `error` naming the glob and why, when a word is
    // no glob. An empty or blank text takes every name.
    static std::optional<TNameFilter> ParseGlobs(std::string_view text, std::string& error);

private:
    std::vector<TPathGlob> Globs_;
    std::vector<std::string> Extensions_;  // each with its dot: ".log"
};

}  // namespace nulvane
