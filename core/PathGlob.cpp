#include "core/PathGlob.h"

#include "core/Translatable.h"

namespace nulvane {
namespace {

constexpr std::size_t NoPosition = std::string_view::npos;

// The length of the character at `at`: a whole UTF-8 sequence (no overlong form, no surrogate,
// nothing beyond U+10FFFF), else one byte.
std::size_t CharLength(std::string_view s, std::size_t at) noexcept {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return 1;
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;  // what the second byte may be
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 1;
    }
    if (at + length > s.size() || byte(at + 1) < low || byte(at + 1) > high) return 1;
    for (std::size_t i = 2; i < length; ++i)
        if ((byte(at + i) & 0xC0) != 0x80) return 1;
    return length;
}

// The character at `at` of the given length as a number that orders as characters do: its code
// point, or above every code point for a byte that is no character.
char32_t CharValue(std::string_view s, std::size_t at, std::size_t length) noexcept {
    const auto byte = [&](std::size_t i) { return static_cast<char32_t>(static_cast<unsigned char>(s[i])); };
    switch (length) {
    case 2: return ((byte(at) & 0x1F) << 6) | (byte(at + 1) & 0x3F);
    case 3: return ((byte(at) & 0x0F) << 12) | ((byte(at + 1) & 0x3F) << 6) | (byte(at + 2) & 0x3F);
    case 4:
        return ((byte(at) & 0x07) << 18) | ((byte(at + 1) & 0x3F) << 12) | ((byte(at + 2) & 0x3F) << 6) |
               (byte(at + 3) & 0x3F);
    default: return byte(at) < 0x80 ? byte(at) : 0x110000 + byte(at);
    }
}

// Reads one character of a "[...]" class at `at` ("\" taking the next as it stands) and moves
// past it; false when the pattern ends first.
bool ReadClassChar(std::string_view p, std::size_t& at, char32_t& value) noexcept {
    if (at < p.size() && p[at] == '\\') ++at;
    if (at >= p.size()) return false;
    const std::size_t length = CharLength(p, at);
    value = CharValue(p, at, length);
    at += length;
    return true;
}

// Reads the class that starts with the "[" at `at`, ending past its "]", and tells whether the
// character `value` is in it. A class that is not closed, or holds a range whose ends are
// reversed, gives the reason.
const char* ScanClass(std::string_view p, std::size_t at, char32_t value, std::size_t& end, bool& in) noexcept {
    std::size_t i = at + 1;
    bool negated = false;
    if (i < p.size() && (p[i] == '!' || p[i] == '^')) {
        negated = true;
        ++i;
    }
    bool hit = false;
    for (bool first = true;; first = false) {
        if (i >= p.size()) return N_("unclosed [");
        if (p[i] == ']' && !first) break;
        char32_t low = 0;
        if (!ReadClassChar(p, i, low)) return N_("unclosed [");
        char32_t high = low;
        if (i + 1 < p.size() && p[i] == '-' && p[i + 1] != ']') {
            ++i;
            if (!ReadClassChar(p, i, high)) return N_("unclosed [");
            if (high < low) return N_("reversed range in [...]");
        }
        hit = hit || (low <= value && value <= high);
    }
    end = i + 1;
    in = hit != negated;
    return nullptr;
}

// Why a component's syntax is no glob, or nullptr.
const char* CheckComponent(std::string_view p) noexcept {
    for (std::size_t i = 0; i < p.size();) {
        if (p[i] == '\\') {
            if (i + 1 >= p.size()) return N_("ends in a lone \\");
            i += 1 + CharLength(p, i + 1);
        } else if (p[i] == '[') {
            bool in = false;
            if (const char* error = ScanClass(p, i, 0, i, in)) return error;
        } else {
            ++i;
        }
    }
    return nullptr;
}

// Whether a component holds a wildcard; if not, `literal` gets the name it stands for.
bool HasWildcards(std::string_view p, std::string& literal) {
    literal.clear();
    for (std::size_t i = 0; i < p.size(); ++i) {
        if (p[i] == '*' || p[i] == '?' || p[i] == '[') return true;
        if (p[i] == '\\') ++i;
        literal += p[i];
    }
    return false;
}

// A name against one component's glob syntax.
bool MatchesSyntax(std::string_view p, std::string_view s) noexcept {
    std::size_t pi = 0, si = 0, starP = NoPosition, starS = 0;
    while (si < s.size()) {
        if (pi < p.size()) {
            if (p[pi] == '*') {
                while (pi < p.size() && p[pi] == '*') ++pi;
                starP = pi;
                starS = si;
                continue;
            }
            bool step = false;
            std::size_t pNext = pi + 1, sNext = si + 1;
            switch (p[pi]) {
            case '?':
                step = true;
                sNext = si + CharLength(s, si);
                break;
            case '[': {
                const std::size_t length = CharLength(s, si);
                bool in = false;
                step = !ScanClass(p, pi, CharValue(s, si, length), pNext, in) && in;
                sNext = si + length;
                break;
            }
            case '\\': {
                const std::size_t length = CharLength(p, pi + 1);
                step = s.substr(si, length) == p.substr(pi + 1, length);
                pNext = pi + 1 + length;
                sNext = si + length;
                break;
            }
            default: step = p[pi] == s[si];
            }
            if (step) {
                pi = pNext;
                si = sNext;
                continue;
            }
        }
        if (starP == NoPosition) return false;
        starS += CharLength(s, starS);
        pi = starP;
        si = starS;
    }
    while (pi < p.size() && p[pi] == '*') ++pi;
    return pi == p.size();
}

// Components of a path, passing over empty and "." ones.
class TComponents {
public:
    explicit TComponents(std::string_view path) noexcept : Path_(path) {}
    // The first component at or after `at`; false when none is left.
    bool At(std::size_t at, std::size_t& start, std::string_view& name) const noexcept {
        while (at < Path_.size()) {
            std::size_t end = Path_.find('/', at);
            if (end == NoPosition) end = Path_.size();
            name = Path_.substr(at, end - at);
            if (!name.empty() && name != ".") {
                start = at;
                return true;
            }
            at = end + 1;
        }
        start = Path_.size();
        return false;
    }
    // Where the component after the one at `start` begins.
    std::size_t After(std::size_t start) const noexcept {
        const std::size_t end = Path_.find('/', start);
        return end == NoPosition ? Path_.size() : end + 1;
    }

private:
    std::string_view Path_;
};

}  // namespace

std::optional<TPathGlob> TPathGlob::Parse(std::string_view text, TGlobStart start, std::string& error) {
    error.clear();
    if (text.empty()) error = N_("empty");
    else if (text.size() > MaxLength) error = N_("longer than 4096 bytes");
    else if (text.find('\0') != NoPosition) error = N_("holds a NUL byte");
    else if (text.front() == '!') error = N_("starts with ! (write \\! for a name that does)");
    if (!error.empty()) return std::nullopt;

    TPathGlob glob;
    glob.Text_ = text;
    // Split at every "/" that is no escaped character.
    std::vector<std::string_view> parts;
    std::size_t partStart = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '/') {
            parts.push_back(text.substr(partStart, i - partStart));
            partStart = i + 1;
        } else if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] != '/') {
            i += CharLength(text, i + 1);
        }
    }
    bool anchored = parts.size() > 1 && (parts.front().empty() || parts.front() == ".");
    glob.FoldersOnly_ = parts.size() > 1 && parts.back().empty();
    std::string literal;
    for (const std::string_view part : parts) {
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            error = N_("holds .. (a parent folder)");
            return std::nullopt;
        }
        if (const char* reason = CheckComponent(part)) {
            error = reason;
            return std::nullopt;
        }
        TComponent component;
        component.AnyFolders = part == "**";
        if (component.AnyFolders && !glob.Components_.empty() && glob.Components_.back().AnyFolders) continue;
        component.Literal = !component.AnyFolders && !HasWildcards(part, literal);
        // Escaped, "." and ".." are still no names: "\." is passed over as "." is.
        if (component.Literal && literal == ".") continue;
        if (component.Literal && literal == "..") {
            error = N_("holds .. (a parent folder)");
            return std::nullopt;
        }
        component.Pattern = component.Literal ? literal : std::string(part);
        glob.Components_.push_back(std::move(component));
    }
    if (glob.Components_.empty()) {
        error = N_("names nothing");
        return std::nullopt;
    }
    // "/" anywhere but at the end makes it a path glob; a lone "**" is a name glob like "*".
    glob.OnPath_ = anchored || glob.Components_.size() > 1;
    glob.Anchored_ = anchored;
    if (!glob.OnPath_ && glob.Components_[0].AnyFolders) glob.Components_[0] = {"*", false, false};
    if (glob.OnPath_ && !anchored && start == TGlobStart::AnyFolder && !glob.Components_.front().AnyFolders)
        glob.Components_.insert(glob.Components_.begin(), TComponent{"**", false, true});
    return glob;
}

std::string TPathGlob::LiteralFolder() const {
    std::string folder;
    if (!Anchored_) return folder;
    for (const TComponent& component : Components_) {
        if (!component.Literal) break;
        (folder += '/') += component.Pattern;
    }
    return folder;
}

TPathGlob TPathGlob::WithLiteralFolder(std::string_view folder) const {
    TPathGlob glob;
    glob.Text_ = Text_;
    glob.OnPath_ = OnPath_;
    glob.FoldersOnly_ = FoldersOnly_;
    glob.Anchored_ = Anchored_;
    for (std::size_t at = 0; at < folder.size();) {
        std::size_t end = folder.find('/', at);
        if (end == NoPosition) end = folder.size();
        if (end > at) glob.Components_.push_back({std::string(folder.substr(at, end - at)), true, false});
        at = end + 1;
    }
    auto rest = Components_.begin();
    while (rest != Components_.end() && rest->Literal) ++rest;
    glob.Components_.insert(glob.Components_.end(), rest, Components_.end());
    return glob;
}

bool TPathGlob::MatchesComponent(const TComponent& component, std::string_view name) const noexcept {
    return component.Literal ? name == component.Pattern : MatchesSyntax(component.Pattern, name);
}

bool TPathGlob::MatchesName(std::string_view name) const noexcept {
    return !OnPath_ && MatchesComponent(Components_[0], name);
}

// "**" is to components what "*" is to characters: the same matching with one backtrack point.
bool TPathGlob::MatchesComponents(std::string_view path) const noexcept {
    const TComponents components(path);
    const std::size_t count = Components_.size();
    std::size_t pi = 0, starP = NoPosition, starAt = 0, at = 0;
    std::string_view name;
    for (std::size_t start; components.At(at, start, name);) {
        at = start;
        if (pi < count && Components_[pi].AnyFolders) {
            starP = ++pi;
            starAt = at;
            continue;
        }
        if (pi < count && MatchesComponent(Components_[pi], name)) {
            ++pi;
            at = components.After(at);
            continue;
        }
        if (starP == NoPosition) return false;
        std::string_view skipped;
        components.At(starAt, starAt, skipped);
        starAt = components.After(starAt);
        pi = starP;
        at = starAt;
    }
    while (pi < count && Components_[pi].AnyFolders) ++pi;
    return pi == count;
}

bool TPathGlob::Matches(std::string_view path, bool isFolder) const noexcept {
    if (FoldersOnly_ && !isFolder) return false;
    if (OnPath_) return MatchesComponents(path);
    // The last component that is neither empty nor ".".
    for (std::size_t end = path.size(); end > 0;) {
        const std::size_t slash = path.rfind('/', end - 1);
        const std::size_t begin = slash == NoPosition ? 0 : slash + 1;
        const std::string_view name = path.substr(begin, end - begin);
        if (!name.empty() && name != ".") return MatchesComponent(Components_[0], name);
        if (slash == NoPosition) break;
        end = slash;
    }
    return false;
}

}  // namespace nulvane
