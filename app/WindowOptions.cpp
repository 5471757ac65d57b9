#include "app/WindowOptions.h"

#include <QSettings>

#include "app/Texts.h"
#include "core/NameFilter.h"

namespace nulvane {

namespace {

constexpr const char* FollowFolderLinksKey = "scan/followFolderLinks";
constexpr const char* OneFileSystemKey = "scan/oneFileSystem";
constexpr const char* MoveToTrashKey = "delete/moveToTrash";
constexpr const char* IncludeEmptyFoldersKey = "scan/includeEmptyFolders";
constexpr const char* NamesKey = "scan/names";
constexpr const char* GeometryKey = "window/geometry";
// A list of "WIDTH:NAME", so that any name reads back whole.
constexpr const char* ColumnWidthsKey = "window/columnWidths";

QSettings Settings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("nulvane"), QStringLiteral("nulvane"));
}

bool ReadFlag(const QSettings& settings, const char* key, bool fallback) {
    const QVariant value = settings.value(QLatin1String(key));
    if (!value.isValid()) return fallback;
    const QString text = value.toString().trimmed().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("1")) return true;
    if (text == QLatin1String("false") || text == QLatin1String("0")) return false;
    return fallback;
}

}  // namespace

TWindowOptions TWindowOptions::Load() {
    const QSettings settings = Settings();
    TWindowOptions options;
    options.FollowFolderLinks = ReadFlag(settings, FollowFolderLinksKey, options.FollowFolderLinks);
    options.OneFileSystem = ReadFlag(settings, OneFileSystemKey, options.OneFileSystem);
    options.MoveToTrash = ReadFlag(settings, MoveToTrashKey, options.MoveToTrash);
    options.IncludeEmptyFolders = ReadFlag(settings, IncludeEmptyFoldersKey, options.IncludeEmptyFolders);
    std::string names = PathBytes(settings.value(QLatin1String(NamesKey)).toString()), error;
    if (TNameFilter::ParseGlobs(names, error)) options.Names = std::move(names);
    return options;
}

void TWindowOptions::Save() const {
    QSettings settings = Settings();
    settings.setValue(QLatin1String(FollowFolderLinksKey), FollowFolderLinks);
    settings.setValue(QLatin1String(OneFileSystemKey), OneFileSystem);
    settings.setValue(QLatin1String(MoveToTrashKey), MoveToTrash);
    settings.setValue(QLatin1String(IncludeEmptyFoldersKey), IncludeEmptyFolders);
    settings.setValue(QLatin1String(NamesKey), DisplayText(Names));
    settings.sync();
}

TWindowLayout TWindowLayout::Load() {
    const QSettings settings = Settings();
    TWindowLayout layout;
    layout.Geometry = settings.value(QLatin1String(GeometryKey)).toByteArray();
    for (const QString& item : settings.value(QLatin1String(ColumnWidthsKey)).toStringList()) {
        const qsizetype colon = item.indexOf(QLatin1Char(':'));
        bool number = false;
        const int width = item.left(colon).toInt(&number);
        if (colon > 0 && number && width > 0) layout.ColumnWidths[item.mid(colon + 1).toStdString()] = width;
    }
    return layout;
}

void TWindowLayout::Save() const {
    QSettings settings = Settings();
    settings.setValue(QLatin1String(GeometryKey), Geometry);
    QStringList widths;
    for (const auto& [name, width] : ColumnWidths)
        widths << QString::number(width) + QLatin1Char(':') + QString::fromStdString(name);
    if (widths.isEmpty())
        settings.remove(QLatin1String(ColumnWidthsKey));
    else
        settings.setValue(QLatin1String(ColumnWidthsKey), widths);
    settings.sync();
}

QString TWindowOptions::FileName() { return Settings().fileName(); }

TWalkOptions TWindowOptions::WalkOptions() const {
    TWalkOptions walk;
    walk.FollowFolderLinks = FollowFolderLinks;
    walk.OneFileSystem = OneFileSystem;
    std::string error;
    if (const std::optional<TNameFilter> names = TNameFilter::ParseGlobs(Names, error)) walk.Select = names->Select();
    return walk;
}

}  // namespace nulvane
