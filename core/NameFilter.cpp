#include "core/NameFilter.h"

#include <algorithm>
#include <memory>

#include "core/Translatable.h"
#include "platform/files/PathNames.h"

namespace nulvane {

namespace {

char Lower(char c) noexcept { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EndsWithIgnoringCase(std::string_view text, std::string_view end) noexcept {
    return text.size() >= end.size() &&
           std::equal(end.begin(), end.end(), text.end() - static_cast<std::ptrdiff_t>(end.size()),
                      [](char a, char b) { return Lower(a) == Lower(b); });
}

}  // namespace

bool TNameFilter::AddExtension(std::string_view extension, std::string& error) {
    if (extension.starts_with('.')) extension.remove_prefix(1);
    if (extension.empty() || extension.find_first_of(std::string_view("/\0", 2)) != std::string_view::npos) {
        error = extension.empty() ? N_("empty") : N_("an extension holds no \"/\"");
        return false;
    }
    Extensions_.push_back('.' + std::string(extension));
    return true;
}

bool TNameFilter::Takes(std::string_view relativePath, bool isFolder) const noexcept {
    if (!Globs_.empty() &&
        std::none_of(Globs_.begin(), Globs_.end(), [&](const TPathGlob& glob) { return glob.Matches(relativePath, isFolder); }))
        return false;
    if (Extensions_.empty()) return true;
    const std::string_view name = NameOf(relativePath);
    return std::any_of(Extensions_.begin(), Extensions_.end(), [&](const std::string& extension) {
        return name.size() > extension.size() && EndsWithIgnoringCase(name, extension);
    });
}

std::function<bool(std::string_view, bool)> TNameFilter::Select() const {
    if (Empty()) return nullptr;
    return [filter = std::make_shared<const TNameFilter>(*this)](std::string_view path, bool isFolder) {
        return filter->Takes(path, isFolder);
    };
}

std::optional<TNameFilter> TNameFilter::ParseGlobs(std::string_view text, std::string& error) {
    TNameFilter filter;
    for (std::size_t at = 0; at < text.size();) {
        if (text[at] == ' ' || text[at] == '\t') {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < text.size() && text[end] != ' ' && text[end] != '\t') end += text[end] == '\\' ? 2 : 1;
        end = std::min(end, text.size());
        const std::string_view word = text.substr(at, end - at);
        std::string why;
        std::optional<TPathGlob> glob = TPathGlob::Parse(word, TGlobStart::PathStart, why);
        if (!glob) {
            error = "\"" + std::string(word) + "\" is no glob: " + why;
            return std::nullopt;
        }
        filter.AddGlob(std::move(*glob));
        at = end;
    }
    return filter;
}

}  // namespace nulvane
