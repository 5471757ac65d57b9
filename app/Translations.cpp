#include "app/Translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstdlib>
#include <limits>
#include <memory>

namespace nulvane {

namespace {

struct TInstalled {
    std::unique_ptr<QTranslator> Own, Qt;
};

TInstalled& Installed() {
    static TInstalled installed;
    return installed;
}

QString Variable(const char* name) { return QString::fromLocal8Bit(std::getenv(name)); }

// "de_DE.UTF-8@euro" → "de_DE".
QString LanguageOf(QString locale) {
    for (const QChar end : {QLatin1Char('.'), QLatin1Char('@')})
        if (const qsizetype at = locale.indexOf(end); at >= 0) locale.truncate(at);
    return locale.trimmed();
}

bool IsEnglish(const QString& language) {
    return language == QLatin1String("C") || language == QLatin1String("POSIX") || language == QLatin1String("en") ||
           language.startsWith(QLatin1String("en_"));
}

void RemoveInstalled() {
    TInstalled& installed = Installed();
    for (std::unique_ptr<QTranslator>* translator : {&installed.Own, &installed.Qt})
        if (*translator) {
            QCoreApplication::removeTranslator(translator->get());
            translator->reset();
        }
}

}  // namespace

QStringList UserLanguages() {
    // The locale for messages: the first of these that is set.
    QString locale;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
        if (locale = Variable(name); !locale.isEmpty()) break;
    // As gettext does, LANGUAGE counts only under a locale other than C (C.UTF-8 is one), so that
    // both programs speak the same language.
    QStringList languages;
    if (!locale.isEmpty() && locale != QLatin1String("C") && locale != QLatin1String("POSIX"))
        for (const QString& language : Variable("LANGUAGE").split(QLatin1Char(':'), Qt::SkipEmptyParts))
            languages << LanguageOf(language);
    languages << LanguageOf(locale);
    languages.removeAll(QString());
    return languages;
}

QString TranslationsFolder() {
    const QString beside = QCoreApplication::applicationDirPath();
    const QString built = beside + QStringLiteral("/translations");
    if (QFileInfo::exists(built + QStringLiteral("/nulvane_de.qm"))) return built;
    return QDir::cleanPath(beside + QStringLiteral("/" NULVANE_TRANSLATIONS_RELDIR));
}

QString InstallTranslations(const QStringList& languages, const QString& folder) {
    RemoveInstalled();
    for (const QString& language : languages) {
        if (IsEnglish(language)) return {};
        // "de_AT" is read in "de" where there is no "de_AT" of its own.
        QStringList tried{language};
        if (const qsizetype at = language.indexOf(QLatin1Char('_')); at > 0) tried << language.left(at);
        for (const QString& name : tried) {
            const QString file = folder + QStringLiteral("/nulvane_") + name + QStringLiteral(".qm");
            auto own = std::make_unique<QTranslator>();
            if (!QFileInfo::exists(file) || !own->load(file)) continue;
            QCoreApplication::installTranslator(own.get());
            Installed().Own = std::move(own);
            auto qt = std::make_unique<QTranslator>();
            if (qt->load(QStringLiteral("qtbase_") + name, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
                QCoreApplication::installTranslator(qt.get());
                Installed().Qt = std::move(qt);
            }
            return name;
        }
    }
    return {};
}

QString PluralForm(const char* context, const char* source, std::uint64_t n) {
    const QTranslator* own = Installed().Own.get();
    if (!own) return {};
    // Plural rules look at the last digits and at small numbers only: a count past what an int
    // holds is told by one with the same last six digits.
    constexpr std::uint64_t Largest = std::numeric_limits<int>::max();
    const int told = static_cast<int>(n <= Largest ? n : n % 1'000'000 + 1'000'000);
    return own->translate(context, source, nullptr, told);
}

std::string FilledText(const QString& text, std::initializer_list<std::string_view> args) {
    const QByteArray pattern = text.toUtf8();
    std::string filled;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const std::size_t index = i + 1 < pattern.size() ? static_cast<std::size_t>(pattern[i + 1] - '1') : args.size();
        if (pattern[i] == '%' && index < args.size()) {
            filled += args.begin()[index];
            ++i;
        } else {
            filled += pattern[i];
        }
    }
    return filled;
}

std::string CoreText(std::string_view english) {
    if (english.empty() || !Installed().Own) return std::string(english);
    const std::string source(english);
    const QString text = Installed().Own->translate("core", source.c_str());
    if (!text.isEmpty()) return text.toStdString();
    // "kept by rule: repository": the layers below join a text of theirs and what it is about with
    // ": "; what follows a text they marked is translated where it is one of theirs too, and stays
    // as it is otherwise (a rule, a path).
    const std::size_t colon = english.find(": ");
    if (colon == std::string_view::npos) return source;
    const std::string head(english.substr(0, colon));
    const QString said = Installed().Own->translate("core", head.c_str());
    if (said.isEmpty()) return source;
    return said.toStdString() + ": " + CoreText(english.substr(colon + 2));
}

}  // namespace nulvane
