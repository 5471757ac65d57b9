#pragma once
// The list controller: gives the result list its behaviour. It builds the columns from the
// column configuration, supplies every cell's text from the entry's record, compares entries when
// the list sorts, sorts on a header click, supplies the hover hint and opens an entry's folder in
// the desktop's file browser on a double click.
//
// The column definitions are the plain values the configuration took out of its file when it was
// loaded: every cell text, header click and column build looks up the one it needs there (no
// document is walked, and reading changes nothing), and every comparison reads the header's sort
// direction.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/FileRecord.h"
#include "core/KeepRules.h"
#include "core/ResultList.h"
#include "core/Translatable.h"
#include "platform/desktop/DesktopServices.h"

namespace nulvane {

class TXmlDocComponent;

inline constexpr std::string_view EntryHintText = N_("Double click to open it in explorer.");

// The hint of an entry that carries a note (held by a keep rule, or kept by the last deletion):
// what happened to it, instead of the usual hint; empty for an ordinary entry.
std::string EntryNoteHint(const TListEntry& entry);

class TTallyscopeCtrl {
public:
    // Takes over the list's events (compare, text, header click, hint, double click, change, and
    // the sort preparation that speeds up compare), replacing whatever handlers they had; the
    // list's OnInitNode stays with its owner. `owner` is the window the controller's desktop
    // requests are made for. Builds no columns: the owner calls BuildColumns next.
    explicit TTallyscopeCtrl(TResultList& list, TOwnerWindow owner = nullptr);
    // Gives the list back the handlers it had before.
    ~TTallyscopeCtrl();
    TTallyscopeCtrl(const TTallyscopeCtrl&) = delete;
    TTallyscopeCtrl& operator=(const TTallyscopeCtrl&) = delete;

    TOwnerWindow Owner() const noexcept { return Owner_; }
    TResultList& List() const noexcept { return List_; }

    // The field CompareEntries compares by; set by header clicks.
    std::uint8_t SortKey = 0;
    // Opened by a double click when no entry is focused.
    std::string RootFolder;
    // Told when a folder it asked the desktop to open could not be opened.
    TOpenFailed OpenFailed;
    // The rules the list's entries were held back by: the hint of a held entry names the rule
    // that holds it. None: such a hint says only that a rule holds it.
    std::shared_ptr<const TKeepRules> KeepRules;

    // Replaces all columns of the list by one per configured column definition, then gives each
    // its configured display position and visibility. Errors travel on: a configuration that
    // cannot be loaded leaves the list without columns, an unreadable attribute keeps the columns
    // made so far (without positions).
    void BuildColumns(TResultList& list);

    // The display text of one field: "File Size" in B/KB/MB/GB with the locale's thousands and
    // decimal separators and two decimals (empty when it is not a number), "Size Percentage"
    // with a "%" suffix, any other field unchanged. No record: empty.
    static std::string CellTextFor(int key, const TFileRecord* record);
    // The same for the field's text as the list holds it (TResultList::FieldText).
    static std::string CellTextFor(int key, std::string_view field);

    // Handlers of the list's events.
    void GetCellText(TResultList& list, std::size_t entry, int column, TTextKind kind, std::string& text);
    int CompareEntries(TResultList& list, const TListEntry& first, const TListEntry& second, int column) const;
    void HeaderClicked(TListHeader& header, int column, TMouseButton button);
    void GetEntryHint(TResultList& list, std::size_t entry, int column, THintLineBreakStyle& lineBreakStyle,
                      std::string& hint);
    void ListDblClick(TResultList& sender);

    // Opens the focused entry's folder (a "file" entry's containing folder, any other entry's
    // own path), or RootFolder when no entry is focused, in the desktop's file browser.
    void OpenInExplorer(TResultList& list);

    // Sorts the list as a header click on a column of the field would: SortKey and the header's
    // direction set, then the list sorted by the header's sort column.
    void SortByField(std::uint8_t field, TSortDirection direction);

    // The window's XML document, which the XML and spreadsheet exports build their document in;
    // set and owned by the window. With none, each export uses a document of its own.
    TXmlDocComponent* XMLDoc = nullptr;

    // Appends the names of the configured columns that are visible, in configuration order and
    // unchanged, to `columns`.
    static void GetExportColumns(std::vector<std::string>& columns);

private:
    TResultList& List_;
    TOwnerWindow Owner_;
    // The handlers the list had before, given back on destruction.
    TResultList::TCompareEvent PreviousCompare_;
    TResultList::TGetTextEvent PreviousGetText_;
    TResultList::THeaderClickEvent PreviousHeaderClick_;
    TResultList::TGetHintEvent PreviousGetHint_;
    TResultList::TNotifyEvent PreviousDblClick_;
    TResultList::TEntryEvent PreviousChange_;
    TResultList::TPrepareSortEvent PreviousPrepareSort_;
};

// As OpenInExplorer, but with no focused entry it does nothing, and it names no owner window.
void OpenNodeInExplorer(TResultList& list);

// The folder part of a path: everything before the last separator; the root keeps its separator.
// Empty when the path has no separator.
std::string FolderOfPath(std::string_view path);

}  // namespace nulvane
