#pragma once
// The window in the user's language. The languages come from the environment as gettext reads
// them (LANGUAGE's list, heeded under a locale other than C, then the first of LC_ALL,
// LC_MESSAGES and LANG), first first; the first that is English
// or that the program ships a translation for is taken, so an unshipped language falls back to
// English, never to a half-matching one. With the program's own translation, Qt's translation of
// its dialogs and standard buttons for the same language is installed (where the system has it).
//
// English is the source: with no translation installed, every text is the English one, byte for
// byte. Texts of the Qt-free layers below the window (kept reasons, keep-rule problems, export
// messages) stay English there and are translated here at display time, in the context "core".
// Column headers come from the column configuration and are never translated.
#include <QString>
#include <QStringList>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace nulvane {

// "de_DE.UTF-8" in LANG gives "de_DE"; LANGUAGE=fr:de with LANG=C.UTF-8 gives "fr", "de", "C".
QStringList UserLanguages();
// Where the window's .qm files are: beside the program in a build folder, else where installed.
QString TranslationsFolder();
// Installs the translation for the first of `languages` that is English or shipped in `folder`,
// taking away any installed before. Returns the language taken ("de"), empty for English.
QString InstallTranslations(const QStringList& languages, const QString& folder = TranslationsFolder());

// The form of a plural text (its source "%n files") for `n` in the installed language, with "%n"
// still in it; empty when no translation has it, and English's own two forms apply.
QString PluralForm(const char* context, const char* source, std::uint64_t n);
// A text of the Qt-free layers (its English bytes) in the user's language; itself when there is no
// translation of it. Of a text joined from parts by ": ", each part is translated on its own.
std::string CoreText(std::string_view english);

// A translated text with its %1, %2... replaced by `args` in one pass, as bytes: a path holding
// "%2", or bytes that are not UTF-8, stays exactly as it is.
std::string FilledText(const QString& text, std::initializer_list<std::string_view> args = {});

}  // namespace nulvane
