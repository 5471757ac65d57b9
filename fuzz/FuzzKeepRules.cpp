// A keep-rules file of any bytes, and paths of any bytes matched against it: the text before the
// first NUL byte is the file, the rest NUL-separated paths. Lines that are no rule are reported,
// never a crash or a hang; a path is held only by a rule of the file or by the link rule.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/KeepRules.h"
#include "core/PathGlob.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace nulvane;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t end = input.find('\0');
    const std::string_view file = input.substr(0, end);
    input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);

    TKeepRules rules;
    const std::vector<TRuleProblem> problems = rules.AddLines(file);
    for (const TRuleProblem& problem : problems)
        if (problem.Line == 0 || problem.Reason.empty()) std::abort();
    bool throughLink = false;
    while (!input.empty()) {
        const std::size_t next = input.find('\0');
        const std::string_view path = input.substr(0, next);
        input = next == std::string_view::npos ? std::string_view() : input.substr(next + 1);
        const std::string_view rule = rules.Match(path, throughLink);
        if (!rule.empty() && file.find(rule) == std::string_view::npos) std::abort();
        throughLink = !throughLink;

        // Each path as a glob too: a literal name matches itself.
        std::string error;
        for (const TGlobStart start : {TGlobStart::PathStart, TGlobStart::AnyFolder}) {
            const auto glob = TPathGlob::Parse(path, start, error);
            if (!glob && error.empty()) std::abort();
            if (glob && glob->IsLiteral() && !glob->FoldersOnly() && !glob->Matches(glob->Literal(), false)) std::abort();
        }
    }
    return 0;
}
