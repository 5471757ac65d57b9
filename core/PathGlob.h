#pragma once
// Globs on file names and paths, as fd's --exclude and .gitignore files write them, matched
// against the file system's bytes.
//
// A glob without a "/" matches a name: the last component of a path. A glob with a "/" matches a
// path component by component: "*" and "?" never match a "/", and a component "**" stands for any
// number of folders, none included. A glob that ends in "/" matches folders only. A path glob that
// starts with "/" (or "./") matches from the start of the path it is given; one that does not is
// read as the caller chooses: from the start as well (TGlobStart::PathStart: fd and .gitignore,
// where paths are relative to the searched folder), or at any depth, as if "**/" stood before it
// (TGlobStart::AnyFolder: rules that hold for every folder, matched against full paths).
//
// Within a component "*" matches any run of characters, "?" one character, "[...]" one of the
// characters listed (ranges such as "a-z"; "[!...]" or "[^...]" one not listed), and "\" takes the
// next character as it stands. A character is a UTF-8 sequence where the bytes form one and a
// single byte where they do not: names need not be UTF-8, and a byte that is no character still
// matches "?", "*" and itself. Letter case counts, as it does in the file system.
//
// Matching allocates nothing, and its time grows with the product of the two lengths at worst:
// "*" and "**" backtrack to their last position only, never exponentially.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nulvane {

enum class TGlobStart : std::uint8_t { PathStart, AnyFolder };

class TPathGlob {
public:
    // The longest glob taken; a path component is at most 255 bytes and a path rarely 4 KiB.
    static constexpr std::size_t MaxLength = 4096;

    // The glob `text` stands for; nothing, with `error` saying why in a few words, when it is none:
    // empty, longer than MaxLength, holding a NUL byte, a "[" never closed, a lone "\" at the end, a
    // range whose ends are reversed, ".." as a component, nothing but separators, or starting
    // with "!" (a negation in .gitignore, which has no sense here; "\!" is a "!").
    static std::optional<TPathGlob> Parse(std::string_view text, TGlobStart start, std::string& error);

    // As written.
    const std::string& Text() const noexcept { return Text_; }
    // Matched against paths (it holds a "/" other than a final one), not names.
    bool OnPath() const noexcept { return OnPath_; }
    bool FoldersOnly() const noexcept { return FoldersOnly_; }
    // A path glob that matches from the start of the path only (written from "/" or "./").
    bool Anchored() const noexcept { return Anchored_; }
    // Of an anchored glob, the path its leading components spell while they are plain names
    // ("/srv/www" for "/srv/www/*/cache/"); empty when the first is none.
    std::string LiteralFolder() const;
    // The glob with the components LiteralFolder() names replaced by those of `folder` (a path
    // from the root, without "." or ".."), its text as written.
    TPathGlob WithLiteralFolder(std::string_view folder) const;
    // A name glob without wildcards: it matches exactly one name, Literal().
    bool IsLiteral() const noexcept { return !OnPath_ && Components_.size() == 1 && Components_[0].Literal; }
    const std::string& Literal() const noexcept { return Components_[0].Pattern; }

    // Whether the glob matches the file or folder at `path`: components separated by "/" (empty
    // and "." components are passed over, so "/a//./b" reads as "a/b"); a name glob looks at the
    // last component only. A glob for folders only matches nothing when `isFolder` is false.
    bool Matches(std::string_view path, bool isFolder) const noexcept;
    // Whether one name (no "/") matches a name glob.
    bool MatchesName(std::string_view name) const noexcept;

private:
    struct TComponent {
        std::string Pattern;  // the glob syntax, or the name itself when Literal
        bool Literal = false;
        bool AnyFolders = false;  // "**"
    };
    bool MatchesComponent(const TComponent& component, std::string_view name) const noexcept;
    bool MatchesComponents(std::string_view path) const noexcept;

    std::string Text_;
    std::vector<TComponent> Components_;
    bool OnPath_ = false;
    bool FoldersOnly_ = false;
    bool Anchored_ = false;
};

}  // namespace nulvane
