#include "app/Translations.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QPushButton>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "app/MainForm.h"
#include "app/Servers.h"
#include "platform/desktop/ScriptedDesktopServices.h"
#include "support/ConfigFolder.h"
#include "support/Environment.h"
#include "tests/app/QtApp.h"

using namespace nulvane;

namespace {

using enum TDesktopRequestKind;

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Scans `folder` in `form` and exports the list in every format into `to`: what each export wrote,
// then the column headers.
std::vector<std::string> ScanAndExport(TFMMain& form, TScriptedDesktopServices& services, const std::string& folder,
                                       const std::string& to) {
    form.show();
    form.DropFolders({folder});
    std::vector<std::string> written;
    for (QAction* action : form.Popup().actions().mid(0, 5)) {
        services.QueueAnswer(to + "/" + std::to_string(written.size()));
        services.QueueAnswer("Ok");
        action->trigger();
        written.push_back(Bytes(to + "/" + std::to_string(written.size())));
    }
    for (int i = 0; i < form.Results.Header().Columns().Count(); ++i) written.push_back(form.Results.Header().Columns()[i].Text);
    return written;
}

}  // namespace

// The window in German for LANGUAGE=de: captions, menus, the deletion question and a status text
// with its plural; exports and column headers as in English; English again for a language not
// shipped.
TEST(Translations, TheWindowSpeaksTheUsersLanguageButExportsAndHeadersStayAsTheyAre) {
    test::QtApp();
    RegisterServers();
    test::TConfigFolder dir;
    for (const char* name : {"f/a", "f/b", "f/c"}) dir.Write(name);
    const std::string folder = dir.Str() + "/f";
    TScriptedDesktopServices services;
    const TDesktopServicesScope scope(services);
    const QString shipped = QStringLiteral(NULVANE_TRANSLATIONS_DIR);

    // Which language the environment asks for: LANGUAGE's list first (under a locale other than C),
    // then the messages locale; English before a shipped one is taken, a language not shipped passed.
    const struct {
        const char *Language, *Lang, *Installed;
    } cases[] = {
        {"de", "C.UTF-8", "de"}, {"de", "C", ""},           {"", "fr_FR.UTF-8", "fr"},
        {"it:es", "de_DE.UTF-8", "es"}, {"en:de", "de_DE", ""}, {"it", "C.UTF-8", ""},
        {"pt_BR", "es_AR.UTF-8@x", "es"}, {"de", "", ""},
    };
    for (const auto& c : cases) {
        const test::TEnvironmentGuard language("LANGUAGE", c.Language), lang("LANG", c.Lang), all("LC_ALL", ""),
            messages("LC_MESSAGES", "");
        EXPECT_EQ(InstallTranslations(UserLanguages(), shipped).toStdString(), c.Installed) << c.Language << " " << c.Lang;
    }

    InstallTranslations({}, shipped);
    TFMMain english;
    const std::vector<std::string> inEnglish = ScanAndExport(english, services, folder, dir.MakeDir("en"));
    EXPECT_EQ(english.DelAllButton().text(), "Delete &All");

    const test::TEnvironmentGuard language("LANGUAGE", "de"), lang("LANG", "C.UTF-8"), all("LC_ALL", ""),
        messages("LC_MESSAGES", "");
    ASSERT_EQ(InstallTranslations(UserLanguages(), shipped), "de");
    TFMMain german;
    const std::vector<std::string> inGerman = ScanAndExport(german, services, folder, dir.MakeDir("de"));
    EXPECT_TRUE(inGerman == inEnglish);
    EXPECT_FALSE(inEnglish[1].empty());
    // Texts of the layers below, and what they join to them with ": ".
    EXPECT_EQ(CoreText("kept by rule: repository"), "durch Regel behalten: Repository");
    EXPECT_EQ(CoreText("kept by rule: *.lock"), "durch Regel behalten: *.lock");
    EXPECT_EQ(CoreText("cannot create \"/a: in use\""), "cannot create \"/a: in use\"");
    EXPECT_EQ(german.DelAllButton().text(), "&Alle löschen");
    EXPECT_EQ(german.OptionsMenu().title(), "Optionen");
    EXPECT_EQ(german.Popup().actions().at(0)->text(), "Als HTML exportieren");
    EXPECT_EQ(german.StatusText(), "3 Dateien in der Liste \u00b7 Suchlauf beendet: 3 Dateien aufgelistet");

    services.ClearRequests();
    german.Results.SetFocusedEntry(0);
    services.QueueAnswer("Yes");
    german.btnDeleteClick();
    ASSERT_FALSE(services.RequestsOf(MessageBox).empty());
    EXPECT_EQ(services.RequestsOf(MessageBox).at(0).Text,
              "Soll die Datei wirklich vom Datenträger gelöscht werden?\n\n"
              "\u201eRückgängig\u201c (Strg+Z) kann das Löschen zurücknehmen.");
    EXPECT_EQ(services.RequestsOf(MessageBox).at(0).Detail, "Warnung");
    EXPECT_EQ(german.StatusText(), "2 Dateien in der Liste \u00b7 1 Datei gelöscht (rückgängig: Strg+Z)");
    // Qt's own dialogs in German too, where the system has Qt's translations.
    if (QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_de.qm")) {
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&Ja");
    }

    // Italian is not shipped: English, as it was.
    const test::TEnvironmentGuard italian("LANGUAGE", "it");
    EXPECT_EQ(InstallTranslations(UserLanguages(), shipped), "");
    TFMMain fallback;
    EXPECT_EQ(fallback.DelAllButton().text(), "Delete &All");
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&Yes");
}
