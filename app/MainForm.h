#pragma once
// The main window: the button bar, the result list with its "Check All" box and export menu, the
// status bar, and the commands of the window (open a folder, clear, delete, delete all, check
// all, help, About, exit, dropped folders). Each command runs through RunCommand, so an error
// ends the command silently; long work (scan, sort, deletion) runs through the desktop services'
// RunBusy with the list view frozen.
//
// The list controller is created and the columns are built the first time the window is shown.
// Only when that succeeds does the window take dropped folders; otherwise drops are ignored for
// the run while every other command works.
#include <QCheckBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QUrl>

#include <memory>
#include <string>
#include <vector>

#include "app/ListView.h"
#include "core/ResultList.h"
#include "core/TallyscopeCtrl.h"
#include "platform/xml/XmlDocComponent.h"

namespace nulvane {

inline constexpr const char* LoadingInfoText = "Loading info..";
inline constexpr const char* DeleteFileQuestion = "Are you sure to delete the file from disk?";
inline constexpr const char* DeleteFilesQuestion = "Are you sure to delete the files from disk?";
inline constexpr const char* WarningCaption = "Warning";

class TFMMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TFMMain(QWidget* parent = nullptr);
    ~TFMMain() override;

    TResultList VT;
    // The document the XML and spreadsheet exports build in.
    TXmlDocComponent XMLDoc;

    TTallyscopeCtrl* Ctrl() const noexcept { return Ctrl_.get(); }
    TListView& ListView() const noexcept { return *ListView_; }
    QCheckBox& CheckAllBox() const noexcept { return *cbCheckAll; }
    QMenu& Popup() const noexcept { return *PopupMenu1; }
    bool AcceptsDroppedFolders() const noexcept { return DropsAccepted_; }

    // Folders to scan once the window has been shown, as if they had been dropped.
    void SetStartFolders(std::vector<std::string> folders) { StartFolders_ = std::move(folders); }

    // The window's commands.
    void btnOpenClick();
    void BitBtn1Click();
    void btnDeleteClick();
    void btnDelAllClick();
    void cbCheckAllClick();
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
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void FormShow();
    // Runs long work as the desktop runs it (RunBusy), with the view frozen.
    void LongWork(const std::function<void()>& work);
    // Runs `work` with the view frozen (it reads nothing from the list) and thaws it afterwards,
    // also when the work fails.
    void Frozen(const std::function<void()>& work);
    void SortList();
    QPushButton* AddButton(const char* caption, int left, bool bold, void (TFMMain::*command)());

    std::unique_ptr<TTallyscopeCtrl> Ctrl_;
    QWidget* TopPanel = nullptr;
    QPushButton* btnOpen = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* btnDelete = nullptr;
    QPushButton* btnDelAll = nullptr;
    QPushButton* SpeedButton1 = nullptr;
    QPushButton* SpeedButton2 = nullptr;
    TListView* ListView_ = nullptr;
    QCheckBox* cbCheckAll = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QLabel* StatusPanel0 = nullptr;
    QLabel* StatusPanel1 = nullptr;
    bool Shown_ = false;
    bool DropsAccepted_ = false;
    bool Busy_ = false;
    std::vector<std::string> StartFolders_;
};

}  // namespace nulvane
