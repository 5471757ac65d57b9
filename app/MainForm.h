#pragma once
// The main window: the button bar, the result list with its "Check All" box and popup menu, the
// status bar, the Options menu, and the commands of the window (open a folder, clear, delete,
// delete all, check all, check or uncheck the selected entries, help, About, exit, dropped
// folders). Each command runs through RunCommand, so an unforeseen error ends the command; what
// can go wrong in the ordinary course (an export that cannot write its file, a folder or address
// nothing opens) is said in the status bar. Long work (scan, sort, deletion, undo) runs through
// the desktop services' RunBusy with the list view frozen, and can be stopped from the progress
// window.
//
// The status bar's first panel always counts the list's entries and, after a scan or a deletion,
// says how it went: what was listed or deleted, how many entries keep rules held back, and why a
// list is incomplete (stopped, folders unread, short of memory, a path that is no folder). The
// panel takes the window's width; a text too long for it ends in "…", and the whole of it, with
// the folders that could not be read, shows as the panel's hint.
//
// After a deletion that moved files to the trash, "Undo" in the status bar (and Ctrl+Z) takes them
// back out, each to its own path, and puts their entries back in the list as they were; after a
// final deletion it makes them again from the deletion's undo record (core/Undo.h); the offer
// ends with the next scan, deletion or "&Clear All". Undo is long work like a deletion (the
// progress window counts what was put back, and Stop leaves the rest on offer); a file that cannot
// come back returns to the list unchecked, with why as its hint, and is named. Folders the user
// names are scanned under their clean absolute path (platform/files/FolderPath.h).
//
// The window opens at the size and place it was closed at, and the columns the user dragged keep
// their widths from one run to the next (app/WindowOptions.h).
//
// Each scan command reads the keep rules afresh (core/KeepRules.h), so that what "Keep Rules..."
// saved applies to the next scan; what is wrong with the rules file is said once, not after every
// scan. Closing the window during long work stops
// the work, and the window closes once it has stopped.
//
// The list controller is created and the columns are built the first time the window is shown.
// Only when that succeeds does the window take dropped folders; otherwise drops are ignored for
// the run while every other command works. Folders given at start are scanned once the list has
// been painted.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/ElidedLabel.h"
#include "app/KeepRulesForm.h"
#include "app/ListView.h"
#include "app/WindowOptions.h"
#include "core/Deletion.h"
#include "core/Scan.h"
#include "core/KeepRules.h"
#include "core/ResultList.h"
#include "core/TallyscopeCtrl.h"
#include "core/Undo.h"
#include "platform/system/LongWork.h"
#include "platform/xml/XmlDocComponent.h"

namespace nulvane {

struct TScanOutcome;

inline constexpr const char* LoadingInfoText = QT_TRANSLATE_NOOP("nulvane::TFMMain", "Loading info..");
inline constexpr const char* DeletingFilesText = QT_TRANSLATE_NOOP("nulvane::TFMMain", "Deleting files..");
// The status bar's outcome after an export was stopped: the export writes nothing, so a file that
// stood at the chosen name is left as it was.
inline constexpr const char* ExportStoppedText = QT_TRANSLATE_NOOP("nulvane::TFMMain", "Export stopped: no file written");
// Before why an export failed ("Export failed: cannot create \"FILE\": Permission denied"); an
// earlier file of the name is left as it was.
inline constexpr const char* ExportFailedText = QT_TRANSLATE_NOOP("nulvane::TFMMain", "Export failed: ");
// Before a folder, a file or an address nothing could open, and why ("Could not open PATH:
// nothing on this desktop opens it").
inline constexpr const char* CouldNotOpenText = QT_TRANSLATE_NOOP("nulvane::TFMMain", "Could not open ");
inline constexpr const char* DeleteFileQuestion = QT_TRANSLATE_NOOP("nulvane::TFMMain", "Are you sure to delete the file from disk?");
inline constexpr const char* DeleteFilesQuestion = QT_TRANSLATE_NOOP("nulvane::TFMMain", "Are you sure to delete the files from disk?");
// The same questions where empty folders are among what goes.
inline constexpr const char* DeleteFolderQuestion = QT_TRANSLATE_NOOP("nulvane::TFMMain", "Are you sure to delete the folder from disk?");
inline constexpr const char* DeleteFoldersQuestion = QT_TRANSLATE_NOOP("nulvane::TFMMain", "Are you sure to delete the folders from disk?");
inline constexpr const char* DeleteFilesAndFoldersQuestion = QT_TRANSLATE_NOOP("nulvane::TFMMain", "Are you sure to delete the files and folders from disk?");
// Said after the question, on a line of its own: what goes can come back.
inline constexpr const char* UndoItNote = QT_TRANSLATE_NOOP("nulvane::TFMMain", "Undo (Ctrl+Z) can put it back.");
inline constexpr const char* UndoThemNote = QT_TRANSLATE_NOOP("nulvane::TFMMain", "Undo (Ctrl+Z) can put them back.");
inline constexpr const char* WarningCaption = QT_TRANSLATE_NOOP("nulvane::TFMMain", "Warning");

class TFMMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TFMMain(QWidget* parent = nullptr);
    ~TFMMain() override;

    TResultList Results;
    // The document the XML and spreadsheet exports build in.
    TXmlDocComponent XMLDoc;

    TTallyscopeCtrl* Ctrl() const noexcept { return Ctrl_.get(); }
    TListView& ListView() const noexcept { return *ListView_; }
    QCheckBox& CheckAllBox() const noexcept { return *cbCheckAll; }
    QMenu& Popup() const noexcept { return *mnList; }
    QMenu& OptionsMenu() const noexcept { return *mnOptions; }
    QLineEdit& NamesField() const noexcept { return *edNames; }  // in the Options menu
    QPushButton& DelAllButton() const noexcept { return *btnDelAll; }
    bool AcceptsDroppedFolders() const noexcept { return DropsAccepted_; }
    bool Busy() const noexcept { return Busy_; }
    const TWindowOptions& Options() const noexcept { return Options_; }
    // The status bar's first panel, whole: the panel shows it cut to its width.
    QString StatusText() const { return StatusPanel0->WholeText(); }
    QLabel& StatusPanel() const noexcept { return *StatusPanel0; }
    // Whether "Undo" would put the last deletion's files back.
    bool UndoAvailable() const noexcept { return Undo_ && Undo_->Count() > 0; }
    QToolButton& UndoButton() const noexcept { return *btnUndo; }
    QAction& UndoAction() const noexcept { return *acUndo; }

    // Folders to scan once the window has been shown and painted, as if they had been dropped.
    // Relative ones are taken from the working folder now.
    void SetStartFolders(std::vector<std::string> folders);

    // How the window scans one folder; tests put a scripted scan here.
    using TScanFunction = std::function<TScanReport(TResultList&, std::string_view, const TWalkOptions&)>;
    TScanFunction Scan = [this](TResultList& list, std::string_view folder, const TWalkOptions& options) {
        return ScanFolder(list, folder, options,
                          {.Folders = Options_.IncludeEmptyFolders, .Rules = KeepRules_.get()});
    };

    // The window's commands.
    void btnOpenClick();
    void btnClearAllClick();
    void btnDeleteClick();
    void btnDelAllClick();
    void cbCheckAllClick();
    void CheckSelectedClick(bool checked);
    // Takes the files the last deletion moved to the trash back to their paths, and their entries
    // back into the list.
    void UndoClick();
    // Offers `batch` to "Undo" in place of what was on offer: what the last command took away.
    void OfferUndo(std::unique_ptr<TUndoBatch> batch);
    // Opens the keep-rules editor (window-modal; it closes itself).
    void KeepRulesClick();
    void HelpClick();
    void AboutClick();
    void ExitClick();
    // Scans every path that names a folder, in the given order, without sorting afterwards.
    void DropFolders(const std::vector<std::string>& paths);
    // Dropped addresses: the local ones are taken whole, in drop order; the others are ignored.
    void UrlsDropped(const QList<QUrl>& urls);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void FormShow();
    // Runs long work as the desktop runs it (RunBusy), with the view frozen.
    void LongWork(const std::function<void(TLongWork&)>& work);
    // Runs `work` with the view frozen (it reads nothing from the list) and thaws it afterwards,
    // also when the work fails.
    void Frozen(const std::function<void()>& work);
    void SortList();
    void ScanStartFolders();
    // Scans one folder as part of a scan command, adding to what the command tells.
    void ScanInto(TScanOutcome& outcome, const std::string& folder, TLongWork& work);
    // Reads the keep rules for a scan command; what is wrong with them goes to the outcome when
    // it was not said before.
    void LoadKeepRulesFor(TScanOutcome& outcome);
    void OptionToggled();
    // Takes the Names field's globs for later scans, or, when one is no glob, says why and shows
    // the names in force again.
    void NamesEdited();
    // Gives the columns the widths the user left them at, over the configured ones.
    void TakeRememberedWidths();
    // Keeps the window's size and place and the widths the user dragged for the next run.
    void RememberLayout();
    void DblClickEntry(TResultList& list);
    // Says in the status bar what the desktop could not open.
    TOpenFailed OpenFailedHandler();
    // Says how the last command went, after the count of entries; empty: nothing to add.
    // `details`, one item a line, goes to the hint only.
    void SetOutcome(std::string outcome, std::string details = {});
    // Forgets what "Undo" would take back.
    void EndUndo();
    // The deletion options of the window, collecting what goes to the trash for "Undo".
    TDeleteOptions DeleteOptions();
    // Puts back what an interrupted deletion left under private names (see DeletionJournal.h),
    // shows what could only go beside its name or not back at all, and returns the status bar's
    // words for it.
    std::string RecoverDeletions();
    void UpdateStatus();
    // The window's parts, made once by the constructor in this order.
    void MakeButtons(QWidget& central, QVBoxLayout& layout);
    void MakeList(QWidget& central, QVBoxLayout& layout);
    void MakeListMenu();
    void MakeMenuBar();
    void MakeStatusBar();
    void PlaceWindow();
    QPushButton* AddButton(const char* caption, int left, bool bold, void (TFMMain::*command)());

    std::unique_ptr<TTallyscopeCtrl> Ctrl_;
    QWidget* TopPanel = nullptr;
    QPushButton* btnOpen = nullptr;
    QPushButton* btnClearAll = nullptr;
    QPushButton* btnDelete = nullptr;
    QPushButton* btnDelAll = nullptr;
    QPushButton* btnHelp = nullptr;
    QPushButton* btnExit = nullptr;
    TListView* ListView_ = nullptr;
    QCheckBox* cbCheckAll = nullptr;
    QMenu* mnList = nullptr;
    QMenu* mnOptions = nullptr;
    QAction* acFollowFolderLinks = nullptr;
    QAction* acOneFileSystem = nullptr;
    QAction* acIncludeEmptyFolders = nullptr;
    QAction* acMoveToTrash = nullptr;
    QAction* acKeepRules = nullptr;
    QLineEdit* edNames = nullptr;
    TElidedLabel* StatusPanel0 = nullptr;
    QLabel* StatusPanel1 = nullptr;
    QToolButton* btnUndo = nullptr;
    QAction* acUndo = nullptr;
    std::string OutcomeDetails_;
    std::unique_ptr<TUndoBatch> Undo_;  // what "Undo" takes back: none, or the last deletion's
    bool Shown_ = false;
    bool DropsAccepted_ = false;
    bool Busy_ = false;
    bool CloseWhenIdle_ = false;
    TWindowOptions Options_;
    TWindowLayout Layout_;
    std::vector<int> ConfiguredWidths_;  // by column, as the column configuration gives them
    std::string Outcome_;
    std::string Recovered_;  // what the start of the window put back, until the start folders' scan says it
    std::set<std::string> RecoverySaid_;  // what the recovery could not do, said once a run
    std::shared_ptr<const TKeepRules> KeepRules_ = std::make_shared<const TKeepRules>();
    std::string KeepRulesSaid_;  // what was last said about the rules file
    std::vector<std::string> StartFolders_;
};

}  // namespace nulvane
