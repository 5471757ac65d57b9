#pragma once
// A fresh folder under the system's temporary directory, removed with everything in it when the
// test ends. Tests create their files here and never touch anything else on the machine.
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace nulvane::test {

class TTempDir {
public:
    // Under `base` when given (a test may need a folder on another file system).
    explicit TTempDir(const std::filesystem::path& base = std::filesystem::temp_directory_path()) {
        std::string pattern = (base / "nulvane-test-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        Path_ = pattern;
    }
    ~TTempDir() {
        namespace fs = std::filesystem;
        std::error_code ec;
        // Give every folder back its permissions first: a test may have locked one.
        for (auto it = fs::recursive_directory_iterator(Path_, fs::directory_options::skip_permission_denied, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
            if (it->is_directory(ec) && !it->is_symlink(ec)) ::chmod(it->path().c_str(), 0700);
        ::chmod(Path_.c_str(), 0700);
        fs::remove_all(Path_, ec);
    }
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::filesystem::path& Path() const { return Path_; }
    // The folder as text, without a trailing separator.
    std::string Str() const { return Path_.string(); }
    // Writes a file (creating its folders) and returns its full path.
    std::string Write(std::string_view relative, std::string_view content = {}) const {
        const std::filesystem::path p = Path_ / relative;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream out(p, std::ios::binary | std::ios::trunc);
        if (!out.write(content.data(), static_cast<std::streamsize>(content.size())))
            throw std::runtime_error("cannot write " + p.string());
        return p.string();
    }
    std::string MakeDir(std::string_view relative) const {
        std::filesystem::create_directories(Path_ / relative);
        return (Path_ / relative).string();
    }

private:
    std::filesystem::path Path_;
};

}  // namespace nulvane::test
