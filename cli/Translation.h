#pragma once
// nulvane-cli in the user's language: its messages, questions, summaries, usage errors and --help
// go through gettext, in the text domain "nulvane-cli", and are shown in the language LANGUAGE,
// LC_ALL, LC_MESSAGES or LANG ask for (English when no catalogue of it is installed). What
// another program reads never does: the list, JSON Lines, exports, completions and the manual
// page stay as they are in every language.
//
// Texts the shared layers make (marked N_ there, see core/Translatable.h) stay English up to
// here and are translated where they are shown, with Translated(). A sentence that holds a count
// is made with ngettext, so that each language says "1 file" and "2 files" by its own rules.
#include <libintl.h>

#include <string>
#include <string_view>

#include "core/Translatable.h"

// A text of the program's own, in the user's language.
#define _(text) ::gettext(text)

namespace nulvane {

inline constexpr const char* TextDomain = "nulvane-cli";

// Binds the text domain to the catalogues installed with the program (share/locale under its
// prefix, found from the program's own folder) or, for a program run from its build folder, to
// those the build made beside it (locale/). Call after setlocale(LC_ALL, "").
void StartTranslations();

// A text made elsewhere (a marked text of the shared layers, a sentence of the option table) in the
// user's language; an empty text stays empty (gettext would give the catalogue's header).
std::string Translated(std::string_view text);

// As printf, into a string: a translated format may take its arguments in another order (%2$s).
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace nulvane
