#pragma once
// An ordinary Python project as its empty files lie in it: package markers and folder keepers it
// relies on, empty files inside its .git folder, and empty clutter of its own and of a
// node_modules tree. With git at hand it is a repository with every tracked file committed (the
// clutter is ignored), so that a test can ask git whether a deletion took a tracked file.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace nulvane::test {

class TProjectTree : public TTempDir {
public:
    // Empty files that must stay, and empty files that are clutter, relative to the project.
    inline static const std::vector<std::string> Markers = {
        "src/mypkg/__init__.py", "src/mypkg/sub/__init__.py", "src/mypkg/py.typed",
        "data/.gitkeep",         "logs/.gitkeep",             ".git/info/empty-marker",
        ".git/FETCH_HEAD",
    };
    inline static const std::vector<std::string> Clutter = {
        "node_modules/left-pad/.npmignore", "node_modules/left-pad/lib/empty.js",
        "node_modules/@scope/pkg/CHANGELOG.md", "build/out.log", "scratch.tmp",
    };

    TProjectTree() {
        Write("src/mypkg/core.py", "def answer():\n    return 42\n");
        Write("src/mypkg/sub/more.py", "VALUE = 1\n");
        Write("setup.py", "from setuptools import setup, find_packages\nsetup(packages=find_packages('src'))\n");
        Write(".gitignore", "node_modules/\nbuild/\n*.tmp\n");
        Write("node_modules/left-pad/index.js", "module.exports = s => s;\n");
        HasGit = std::system(("cd '" + Str() + "' && git init -q && git add -A && git -c user.name=test -c "
                              "user.email=test@example.org commit -qm project >/dev/null 2>&1")
                                 .c_str()) == 0;
        for (const std::string& file : Markers) Write(file);
        for (const std::string& file : Clutter) Write(file);
        if (HasGit)
            HasGit = std::system(("cd '" + Str() + "' && git add -A && git -c user.name=test -c "
                                  "user.email=test@example.org commit -qm markers >/dev/null 2>&1")
                                     .c_str()) == 0;
    }

    // The files among `files` that exist, or that are gone.
    std::vector<std::string> Present(const std::vector<std::string>& files) const { return Filter(files, true); }
    std::vector<std::string> Gone(const std::vector<std::string>& files) const { return Filter(files, false); }

    // What git says was deleted of its tracked files ("git status --porcelain" lines); empty
    // without git.
    std::string TrackedDeletions() const { return HasGit ? Output("git status --porcelain | grep '^.D\\|^D'") : ""; }
    // The packages setuptools finds under src/, as Python prints the list; empty when setuptools
    // is missing.
    std::string Packages() const {
        return Output("/usr/bin/python3 -c \"from setuptools import find_packages; print(find_packages('src'))\" "
                      "2>/dev/null");
    }

    bool HasGit = false;

private:
    std::vector<std::string> Filter(const std::vector<std::string>& files, bool present) const {
        std::vector<std::string> found;
        for (const std::string& file : files)
            if (std::filesystem::exists(Path() / file) == present) found.push_back(file);
        return found;
    }
    std::string Output(const std::string& command) const {
        std::string text;
        if (std::FILE* pipe = ::popen(("cd '" + Str() + "' && " + command).c_str(), "r")) {
            char buffer[512];
            for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
            ::pclose(pipe);
        }
        return text;
    }
};

}  // namespace nulvane::test
