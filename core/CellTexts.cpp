// The display text of a list cell: the rules a listing, the JSON Lines output and the window share,
// kept apart from the column configuration so that a program that only lists needs none of it.
#include "core/TallyscopeCtrl.h"

#include "platform/text/LocaleTexts.h"

namespace nulvane {

std::string TTallyscopeCtrl::CellTextFor(int key, const TFileRecord* record) {
    return record ? CellTextFor(key, record->Get(key)) : std::string();
}

std::string TTallyscopeCtrl::CellTextFor(int key, std::string_view field) {
    switch (key) {
    case fiFileSize: {
        if (field.empty()) return {};
        const TLocaleTexts& locale = TLocaleTexts::Current();
        double size = 0;
        if (!locale.ParseNumber(field, size)) return {};
        // All bounds are strict: 1024 bytes already show as 1.00 KB.
        const char* unit = " B";
        if (size >= 1073741824.0) {
            size /= 1073741824.0;
            unit = " GB";
        } else if (size >= 1048576.0) {
            size /= 1048576.0;
            unit = " MB";
        } else if (size >= 1024.0) {
            size /= 1024.0;
            unit = " KB";
        }
        return locale.FormatNumber(size) + unit;
    }
    case fiSizePercentage:
        return field.empty() ? std::string() : std::string(field) + "%";
    default:
        return std::string(field);
    }
}

}  // namespace nulvane
