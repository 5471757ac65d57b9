#include "cli/Completions.h"

#include <vector>

#include "cli/CliOptions.h"
#include "cli/CliValues.h"
#include "core/FileRecord.h"

namespace nulvane {
namespace {

constexpr std::string_view Header = "generated from nulvane-cli's option table; edits are lost at the next build";

// The words --sort completes with: the short names, then every field name without its blanks
// (the way --sort also reads them).
std::vector<std::string> SortWords() {
    std::vector<std::string> words;
    for (const TShortFieldName& name : ShortFieldNames) words.emplace_back(name.Name);
    for (const std::string_view field : FieldNames) {
        std::string word;
        for (const char c : field)
            if (c != ' ') word += c;
        words.push_back(std::move(word));
    }
    return words;
}

std::string Joined(const std::vector<std::string>& words, std::string_view separator = " ") {
    std::string text;
    for (const std::string& word : words) {
        if (!text.empty()) text += separator;
        text += word;
    }
    return text;
}

// Both spellings of an option, as a shell's case pattern: "-d|--max-depth".
std::string Pattern(const TCliOption& option) {
    std::string text(option.Short);
    if (!option.Long.empty()) {
        if (!text.empty()) text += '|';
        text += option.Long;
    }
    return text;
}

// Inside '...' for sh and zsh.
std::string SingleQuoted(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out;
}

}  // namespace

std::string BashCompletion() {
    std::vector<std::string> options;
    for (const TCliOption& option : CliOptions) {
        if (!option.Short.empty()) options.emplace_back(option.Short);
        if (!option.Long.empty()) options.emplace_back(option.Long);
    }
    std::string values;  // the case arms that complete an option's value
    for (const TCliOption& option : CliOptions) {
        if (option.Values == TCliValueKind::None) continue;
        values += "        " + Pattern(option) + ") ";
        switch (option.Values) {
        case TCliValueKind::Field: values += "words='" + Joined(SortWords()) + "'; field=1 ;;\n"; break;
        case TCliValueKind::Choice:
        case TCliValueKind::ChoiceThenFile: values += "words='" + std::string(option.Choices) + "' ;;\n"; break;
        case TCliValueKind::User: values += "COMPREPLY=($(compgen -u -- \"$cur\")); return 0 ;;\n"; break;
        default: values += "return 0 ;;\n"; break;  // a number or a word: nothing to offer
        }
    }
    std::string files;  // options whose second value is a file
    for (const TCliOption& option : CliOptions)
        if (option.Values == TCliValueKind::ChoiceThenFile) {
            if (!files.empty()) files.push_back('|');
            files.append(Pattern(option));
        }
    std::string text = "# bash completion for nulvane-cli: " + std::string(Header) + "\n";
    text += R"(_nulvane_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]} at=$((COMP_CWORD - 1)) words= field= direction=
    COMPREPLY=()
    # Bash splits "--sort=FIELD" at "=" and "FIELD:desc" at ":" (both in COMP_WORDBREAKS).
    if [[ $cur == [=:] ]]; then cur=; at=$COMP_CWORD; fi
    if [[ ${COMP_WORDS[at]} == : ]]; then direction=1; at=$((at - 2)); fi
    if [[ $cur == *:* ]]; then direction=1; cur=${cur##*:}; fi
    [[ ${COMP_WORDS[at]} == = ]] && at=$((at - 1))
    local option=${COMP_WORDS[at]}
    if ((at > 0)); then
        case ${COMP_WORDS[at - 1]} in
)" + files + R"() COMPREPLY=($(compgen -f -- "$cur")); return 0 ;;
        esac
    fi
    case $option in
)" + values + R"(    esac
    if [[ -n $field && -n $direction ]]; then
        COMPREPLY=($(compgen -W 'asc desc' -- "$cur"))
    elif [[ -n $words ]]; then
        COMPREPLY=($(compgen -W "$words" -- "$cur"))
    elif [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W ')" + Joined(options) + R"(' -- "$cur"))
    else
        COMPREPLY=($(compgen -d -- "$cur"))
        compopt -o filenames 2>/dev/null
    fi
    return 0
}
complete -F _nulvane_cli nulvane-cli
)";
    return text;
}

std::string ZshCompletion() {
    std::string fields;
    for (const std::string& word : SortWords())
        for (const std::string_view suffix : {"", "\\:asc", "\\:desc"}) (fields += ' ') += word + std::string(suffix);
    std::string text = "#compdef nulvane-cli\n# zsh completion for nulvane-cli: " + std::string(Header) + "\n";
    text += "_arguments -s -S \\\n";
    for (const TCliOption& option : CliOptions) {
        if (option.Long == "--") continue;
        std::string help;
        for (const char c : option.Help) {
            if (c == '[' || c == ']' || c == ':' || c == '\\') help += '\\';
            help += c;
        }
        std::string action;
        switch (option.Values) {
        case TCliValueKind::None: break;
        case TCliValueKind::Field: action = ":field:(" + fields.substr(1) + ")"; break;
        case TCliValueKind::Choice: action = ":" + std::string(option.Argument) + ":(" + std::string(option.Choices) + ")"; break;
        case TCliValueKind::ChoiceThenFile: action = ":format:(" + std::string(option.Choices) + "):file:_files"; break;
        case TCliValueKind::Folder: action = ":folder:_files -/"; break;
        case TCliValueKind::User: action = ":user:_users"; break;
        default: action = ":" + std::string(option.Argument) + ": "; break;
        }
        const std::string repeat = option.Repeatable ? "*" : "";
        const bool oneValue = ValueCount(option) == 1;
        const auto spec = [&](std::string_view spelling) {
            const bool longForm = spelling.starts_with("--");
            std::string name = repeat + std::string(spelling) + (longForm && oneValue ? "=" : "");
            return "  '" + SingleQuoted(name + "[" + help + "]" + action) + "' \\\n";
        };
        if (!option.Short.empty() && !option.Long.empty()) {
            const std::string exclusive = option.Repeatable ? "" : "(" + std::string(option.Short) + " " + std::string(option.Long) + ")";
            text += "  '" + SingleQuoted(exclusive + repeat + std::string(option.Short) + "[" + help + "]" + action) + "' \\\n";
            text += "  '" + SingleQuoted(exclusive + repeat + std::string(option.Long) + (oneValue ? "=" : "") + "[" + help + "]" + action) + "' \\\n";
        } else {
            text += spec(option.Short.empty() ? option.Long : option.Short);
        }
    }
    text += "  '*:folder:_files -/'\n";
    return text;
}

std::string FishCompletion() {
    const auto quoted = [](std::string_view text) {
        std::string out = "'";
        for (const char c : text) {
            if (c == '\'' || c == '\\') out += '\\';
            out += c;
        }
        return out + "'";
    };
    std::string fields;
    for (const std::string& word : SortWords()) (((fields += word) += ' ') += word + ":asc ") += word + ":desc ";
    std::string text = "# fish completion for nulvane-cli: " + std::string(Header) + "\n";
    text += "complete -c nulvane-cli -f -a '(__fish_complete_directories (commandline -ct))'\n";
    for (const TCliOption& option : CliOptions) {
        if (option.Long == "--") continue;
        std::string line = "complete -c nulvane-cli";
        if (!option.Short.empty()) line += " -s " + std::string(option.Short.substr(1));
        if (!option.Long.empty()) line += " -l " + std::string(option.Long.substr(2));
        switch (option.Values) {
        case TCliValueKind::None: break;
        case TCliValueKind::Field: line += " -x -a " + quoted(fields); break;
        case TCliValueKind::Choice:
        case TCliValueKind::ChoiceThenFile: line += " -x -a " + quoted(option.Choices); break;
        case TCliValueKind::User: line += " -x -a '(__fish_complete_users)'"; break;
        default: line += " -x"; break;
        }
        line += " -d " + quoted(option.Help);
        text += line + '\n';
    }
    return text;
}

std::string CompletionFor(std::string_view shell) {
    if (shell == "bash") return BashCompletion();
    if (shell == "zsh") return ZshCompletion();
    if (shell == "fish") return FishCompletion();
    return {};
}

}  // namespace nulvane
