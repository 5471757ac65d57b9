#include "core/TallyscopeCtrl.h"

#include <exception>
#include <utility>

#include "config/Config.h"
#include "config/TallyscopeConfig.h"
#include "core/EntryComparison.h"
#include "core/Translatable.h"
#include "platform/files/PathNames.h"
#include "platform/text/LocaleTexts.h"

namespace nulvane {

namespace {

// The definitions of the configured columns, as the configuration took them out when it was loaded.
const std::vector<TColumnDefinition>& ColumnDefinitions() { return GetConfig()->Columns; }

const TColumnDefinition& ColumnDefinition(int column) {
    const std::vector<TColumnDefinition>& definitions = ColumnDefinitions();
    if (column < 0 || static_cast<std::size_t>(column) >= definitions.size())
        throw EListError("list index out of bounds (" + std::to_string(column) + ")");
    return definitions[static_cast<std::size_t>(column)];
}

TAlignment AlignmentOf(const std::string& align) noexcept {
    if (align == "right") return TAlignment::Right;
    if (align == "center") return TAlignment::Center;
    return TAlignment::Left;
}

// The folder a double click on the focused entry opens: a file's containing folder, the path of
// anything else (a folder entry opens itself).
std::string FolderOfFocusedEntry(const TResultList& list) {
    const TListEntry& entry = list.Entry(list.FocusedEntry());
    std::string path = list.FullPath(entry);
    std::string typeScratch;
    if (list.FieldText(entry, fiFileType, typeScratch) == "file") return FolderOfPath(path);
    return path;
}

}  // namespace

std::string FolderOfPath(std::string_view path) { return std::string(ParentFolderOf(path)); }

TTallyscopeCtrl::TTallyscopeCtrl(TResultList& list, TOwnerWindow owner)
    : List_(list),
      Owner_(owner),
      PreviousCompare_(std::move(list.OnCompareEntries)),
      PreviousGetText_(std::move(list.OnGetText)),
      PreviousHeaderClick_(std::move(list.OnHeaderClick)),
      PreviousGetHint_(std::move(list.OnGetHint)),
      PreviousDblClick_(std::move(list.OnDblClick)),
      PreviousChange_(std::move(list.OnChange)),
      PreviousPrepareSort_(std::move(list.OnPrepareSort)) {
    list.OnCompareEntries = [this](TResultList& sender, const TListEntry& first, const TListEntry& second,
                                 int column) { return CompareEntries(sender, first, second, column); };
    list.OnGetText = [this](TResultList& sender, std::size_t entry, int column, TTextKind kind,
                            std::string& text) { GetCellText(sender, entry, column, kind, text); };
    list.OnHeaderClick = [this](TListHeader& header, int column, TMouseButton button) {
        HeaderClicked(header, column, button);
    };
    list.OnGetHint = [this](TResultList& sender, std::size_t entry, int column, THintLineBreakStyle& style,
                            std::string& hint) { GetEntryHint(sender, entry, column, style, hint); };
    list.OnDblClick = [this](TResultList& sender) { ListDblClick(sender); };
    list.OnChange = [](TResultList&, std::size_t) {};
    // Sorting converts each entry's key once instead of on every comparison; the answers are
    // CompareEntries' own.
    list.OnPrepareSort = [this](TResultList& sender, int, TSortDirection) {
        return PrepareEntryComparison(sender, SortKey);
    };
}

TTallyscopeCtrl::~TTallyscopeCtrl() {
    List_.OnCompareEntries = std::move(PreviousCompare_);
    List_.OnGetText = std::move(PreviousGetText_);
    List_.OnHeaderClick = std::move(PreviousHeaderClick_);
    List_.OnGetHint = std::move(PreviousGetHint_);
    List_.OnDblClick = std::move(PreviousDblClick_);
    List_.OnChange = std::move(PreviousChange_);
    List_.OnPrepareSort = std::move(PreviousPrepareSort_);
}

void TTallyscopeCtrl::BuildColumns(TResultList& list) {
    TListColumns& columns = list.Header().Columns();
    columns.Clear();
    const std::vector<TColumnDefinition>& definitions = [&]() -> const std::vector<TColumnDefinition>& {
        TListColumns::TUpdateScope update(columns);
        const std::vector<TColumnDefinition>& nodes = ColumnDefinitions();
        for (const TColumnDefinition& node : nodes) {
            TListColumn& column = columns.Add();
            column.Text = node.Name;
            column.Width = node.Width();
            column.Color = node.ReadOnly() ? ListBackgroundColor : clInfoBk;
            column.Alignment = AlignmentOf(node.Align);
        }
        return nodes;
    }();
    // Positions are assigned one after the other, each moving its column at once, so a later
    // assignment can shift a column placed before. The bracket only gathers the view's
    // notification into one; each move still takes effect at once.
    TListColumns::TUpdateScope update(columns);
    for (std::size_t i = 0; i < definitions.size(); ++i) {
        const int column = static_cast<int>(i);
        columns.SetPosition(column, definitions[i].Index());
        columns[column].Visible = definitions[i].Visible();
    }
}

void TTallyscopeCtrl::GetCellText(TResultList& list, std::size_t entry, int column, TTextKind /*kind*/,
                                  std::string& text) {
    // A cell never fails: on any error it keeps the list's default text.
    try {
        const TListEntry& listEntry = list.Entry(entry);
        const std::uint8_t key = FieldIndexOf(ColumnDefinition(column).Name);
        std::string scratch;
        text = CellTextFor(key, list.FieldText(listEntry, key, scratch));
    } catch (const std::exception&) {
    }
}

int TTallyscopeCtrl::CompareEntries(TResultList& list, const TListEntry& first, const TListEntry& second,
                                    int /*column*/) const {
    return CompareListEntries(list, first, second, SortKey, list.Header().SortDirection());
}

void TTallyscopeCtrl::HeaderClicked(TListHeader& header, int column, TMouseButton button) {
    if (button != TMouseButton::Left) return;
    if (header.SortColumn() == NoColumn) {
        header.SetSortColumn(column);
        header.SetSortDirection(TSortDirection::Ascending);
    } else {
        header.SetSortColumn(column);
        header.SetSortDirection(header.SortDirection() == TSortDirection::Ascending ? TSortDirection::Descending
                                                                                    : TSortDirection::Ascending);
    }
    SortKey = FieldIndexOf(ColumnDefinition(column).Name);
    header.Owner().Sort(header.SortColumn(), header.SortDirection());
}

std::string EntryNoteHint(const TListEntry& entry) {
    switch (entry.Note) {
    case TEntryNote::None: return {};
    case TEntryNote::HeldByRule: return std::string(HeldByRuleText);
    case TEntryNote::HeldByRepository: return std::string(HeldByRuleText) + ": " + std::string(RepositoryRuleText);
    case TEntryNote::KeptChanged: return N_("kept: changed since the scan");
    case TEntryNote::KeptInUse: return N_("kept: in use");
    case TEntryNote::KeptPermissionDenied: return N_("kept: permission denied");
    case TEntryNote::KeptPathGone: return N_("kept: path no longer leads to it");
    case TEntryNote::KeptNoTrash: return N_("kept: no trash on this file system");
    case TEntryNote::KeptOtherError: return N_("kept: could not be removed");
    case TEntryNote::KeptReadOnly: return N_("kept: read-only file system");
    case TEntryNote::KeptLockUnknown: return N_("kept: cannot tell whether it is in use");
    case TEntryNote::KeptNotEmpty: return N_("kept: no longer empty");
    case TEntryNote::KeptScanned: return N_("kept: a scanned folder");
    case TEntryNote::KeptHoldsScanned: return N_("kept: holds a scanned folder");
    case TEntryNote::TrashNameTaken: return N_("still in the trash: its name is taken");
    case TEntryNote::TrashGone: return N_("not put back: no longer in the trash");
    case TEntryNote::TrashFolderGone: return N_("still in the trash: its folder is gone");
    case TEntryNote::TrashPermissionDenied: return N_("still in the trash: permission denied");
    case TEntryNote::TrashReadOnly: return N_("still in the trash: read-only file system");
    case TEntryNote::TrashOtherError: return N_("still in the trash: could not be put back");
    case TEntryNote::KeptTooManyAttributes: return N_("kept: too many attributes to undo");
    case TEntryNote::UndoNameTaken: return N_("not put back: its name is taken");
    case TEntryNote::UndoGone: return N_("not put back: no longer in the undo record");
    case TEntryNote::UndoFolderGone: return N_("not put back: its folder is gone");
    case TEntryNote::UndoOtherError: return N_("not put back: could not be made again");
    }
    return {};
}

void TTallyscopeCtrl::GetEntryHint(TResultList& list, std::size_t entry, int /*column*/,
                                   THintLineBreakStyle& /*lineBreakStyle*/, std::string& hint) {
    if (entry < list.Count() && list[entry].Note == TEntryNote::HeldByRule && KeepRules)
        hint = KeepRules->HintFor(list, list[entry]);
    else
        hint = entry < list.Count() ? EntryNoteHint(list[entry]) : std::string();
    if (hint.empty()) hint = EntryHintText;
}

void TTallyscopeCtrl::ListDblClick(TResultList& sender) {
    if (&sender == &List_) OpenInExplorer(sender);
}

void TTallyscopeCtrl::OpenInExplorer(TResultList& list) {
    const std::string folder = list.FocusedEntry() != NoEntry ? FolderOfFocusedEntry(list) : RootFolder;
    if (!folder.empty()) DesktopServices().OpenFolder(folder, Owner_, OpenFailed);
}

void TTallyscopeCtrl::SortByField(std::uint8_t field, TSortDirection direction) {
    SortKey = field;
    TListHeader& header = List_.Header();
    header.SetSortDirection(direction);
    List_.Sort(header.SortColumn(), direction);
}

void OpenNodeInExplorer(TResultList& list) {
    if (list.FocusedEntry() == NoEntry) return;
    const std::string folder = FolderOfFocusedEntry(list);
    if (!folder.empty()) DesktopServices().OpenFolder(folder, nullptr);
}

void TTallyscopeCtrl::GetExportColumns(std::vector<std::string>& columns) {
    for (const TColumnDefinition& node : ColumnDefinitions())
        if (node.Visible()) columns.push_back(node.Name);
}

}  // namespace nulvane
