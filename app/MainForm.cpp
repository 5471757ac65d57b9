#include "app/MainForm.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenuBar>
#include <QMimeData>
#include <QPaintEvent>
#include <QPointer>
#include <QRegularExpression>
#include <QProxyStyle>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidgetAction>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "app/About.h"
#include "app/ErrorHandler.h"
#include "platform/files/FolderPath.h"
#include "app/Icons.h"
#include "core/Product.h"
#include "app/QtDesktopServices.h"
#include "app/StatusTexts.h"
#include "app/Texts.h"
#include "app/Translations.h"
#include "core/Deletion.h"
#include "core/Scan.h"
#include "core/NameFilter.h"
#include "export/ExportCommands.h"
#include "export/ExportEngine.h"
#include "platform/files/journal/DeletionJournal.h"
#include "platform/system/LongWork.h"
#include "platform/system/Pages.h"
#include "platform/text/ControlEscapes.h"
#include "platform/system/ScopeGuard.h"

namespace nulvane {

namespace {

constexpr int ButtonTop = 6, ButtonWidth = 114, ButtonHeight = 37;

bool IsFolder(const std::string& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::is_directory(path, error);
}

QColor Rgb(TColor color) {
    return QColor(static_cast<int>(color & 0xFFu), static_cast<int>((color >> 8) & 0xFFu),
                  static_cast<int>((color >> 16) & 0xFFu));
}

// A flat button draws no panel, and the styles draw the focus mark with the panel: it draws its own,
// so that where the keyboard is shows on every button.
class TButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* event) override {
        QPushButton::paintEvent(event);
        if (!isFlat() || !hasFocus()) return;
        QStylePainter painter(this);
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect().adjusted(2, 2, -2, -2);
        option.backgroundColor = palette().color(QPalette::Button);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
    }
};

// Menus drawn with it show their images at 32 by 32.
class TLargeIconStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        if (metric == PM_SmallIconSize) return 32;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

constexpr TColor HeaderColor = 0x00FFAA7Bu;  // red 123, green 170, blue 255

// The local folders among dropped URLs, in drop order, each path whole.
std::vector<std::string> LocalPaths(const QList<QUrl>& urls) {
    std::vector<std::string> paths;
    for (const QUrl& url : urls)
        if (url.isLocalFile()) paths.push_back(PathBytes(url.toLocalFile()));
    return paths;
}

// A text of the window in the user's language, as the desktop services take it.
std::string Said(const char* text) {
    const QByteArray bytes = TFMMain::tr(text).toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// A folder path as the walk reports it, without the separator it ends in.
std::string WithoutEndSeparator(const std::string& folder) {
    return folder.size() > 1 && folder.back() == '/' ? folder.substr(0, folder.size() - 1) : folder;
}

}  // namespace

TFMMain::TFMMain(QWidget* parent) : QMainWindow(parent) {
    Results.OnInitNode = [](TResultList& list, std::size_t entry) { list[entry].CheckType = TCheckType::CheckBox; };
    setWindowIcon(ProgramIcon());

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    MakeButtons(*central, *layout);
    MakeList(*central, *layout);
    MakeListMenu();
    MakeMenuBar();
    MakeStatusBar();

    // Tab goes along the buttons, to the list's "Check All" box and the list, then to "Undo".
    QWidget* const order[] = {btnOpen, btnClearAll, btnDelete, btnDelAll, btnHelp, btnExit, cbCheckAll, ListView_, btnUndo};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    for (const auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(&ListView_->Model(), signal, this, &TFMMain::UpdateStatus);
    connect(&ListView_->Model(), &QAbstractItemModel::modelReset, this, &TFMMain::UpdateStatus);
    UpdateStatus();

    setCentralWidget(central);
    PlaceWindow();
}

// The row of buttons above the list, each at its fixed place.
void TFMMain::MakeButtons(QWidget& central, QVBoxLayout& layout) {
    TopPanel = new QWidget(&central);
    TopPanel->setFixedHeight(48);
    layout.addWidget(TopPanel);
    btnOpen = AddButton(QT_TR_NOOP("&Open Folder"), 9, true, &TFMMain::btnOpenClick);
    btnOpen->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    btnClearAll = AddButton(QT_TR_NOOP("&Clear All"), 133, true, &TFMMain::btnClearAllClick);
    btnClearAll->setIcon(style()->standardIcon(QStyle::SP_DialogResetButton));
    btnDelete = AddButton(QT_TR_NOOP("&Delete"), 257, true, &TFMMain::btnDeleteClick);
    btnDelete->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
    btnDelAll = AddButton(QT_TR_NOOP("Delete &All"), 381, true, &TFMMain::btnDelAllClick);
    btnDelAll->setIcon(style()->standardIcon(QStyle::SP_DialogDiscardButton));
    btnHelp = AddButton(QT_TR_NOOP("&Help"), 505, false, &TFMMain::HelpClick);
    btnHelp->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));
    btnHelp->setFlat(true);
    btnExit = AddButton(QT_TR_NOOP("&Exit"), 630, false, &TFMMain::ExitClick);
    btnExit->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    btnExit->setFlat(true);
    // However narrow the window is made, every button stays in it.
    TopPanel->setMinimumWidth(btnExit->geometry().right() + 1 + btnOpen->geometry().left());
}

// The list in its sunken panel, with its colours, the "Check All" box in its corner and the Delete key.
void TFMMain::MakeList(QWidget& central, QVBoxLayout& layout) {
    auto* listPanel = new QFrame(&central);
    listPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    listPanel->setLineWidth(2);
    auto* listLayout = new QVBoxLayout(listPanel);
    listLayout->setContentsMargins(2, 2, 2, 2);
    ListView_ = new TListView(Results, listPanel);
    ListView_->setToolTip(tr("Items"));
    // A click on a column of a long list sorts for a while: as long work.
    ListView_->RunSort = [this](const std::function<void()>& sort) { LongWork([&](TLongWork&) { sort(); }); };
    listLayout->addWidget(ListView_);
    layout.addWidget(listPanel, 1);

    QPalette listPalette = ListView_->palette();
    listPalette.setColor(QPalette::Base, Rgb(ListBackgroundColor));
    // The selection keeps its colour when the list loses the focus.
    for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        listPalette.setColor(QPalette::Inactive, role, listPalette.color(QPalette::Active, role));
    ListView_->setPalette(listPalette);
    QPalette headerPalette = ListView_->horizontalHeader()->palette();
    headerPalette.setColor(QPalette::Button, Rgb(HeaderColor));
    headerPalette.setColor(QPalette::Window, Rgb(HeaderColor));
    ListView_->horizontalHeader()->setPalette(headerPalette);

    cbCheckAll = new QCheckBox(tr("Check All"), listPanel);
    cbCheckAll->setGeometry(4, 3, 17, 17);
    cbCheckAll->setToolTip(tr("Check All"));
    cbCheckAll->setChecked(true);
    cbCheckAll->raise();
    connect(cbCheckAll, &QCheckBox::clicked, this, [this] { RunCommand([this] { cbCheckAllClick(); }); });

    // The Delete key asks and deletes as "&Delete" does.
    auto* deleteKey = new QAction(ListView_);
    deleteKey->setShortcut(QKeySequence::Delete);
    deleteKey->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    ListView_->addAction(deleteKey);
    connect(deleteKey, &QAction::triggered, this, [this] { RunCommand([this] { btnDeleteClick(); }); });
}

// The list's context menu: the exports, then checking the selected entries.
void TFMMain::MakeListMenu() {
    mnList = new QMenu(this);
    auto* menuStyle = new TLargeIconStyle;
    menuStyle->setParent(mnList);
    mnList->setStyle(menuStyle);
    std::array<const TExportFormatInfo*, ExportFormats.size()> menu{};
    for (const TExportFormatInfo& format : ExportFormats) menu.at(static_cast<std::size_t>(format.MenuPlace)) = &format;
    for (const TExportFormatInfo* format : menu) {
        QAction* action = mnList->addAction(ExportIcon(*format), QString::fromStdString(CoreText(format->MenuCaption)));
        connect(action, &QAction::triggered, this, [this, format = format->Format] {
            RunCommand([&] {
                if (!Ctrl_ || Busy_) return;
                // The export reads the list on its worker thread: the window is busy meanwhile.
                try {
                    Frozen([&] { RunExportCommand(format, *Ctrl_, Results, DesktopServices()); });
                } catch (const EExportStopped&) {
                    SetOutcome(Said(ExportStoppedText));
                } catch (const std::bad_alloc&) {
                    SetOutcome(Said(ExportFailedText) + Said(QT_TR_NOOP("out of memory")));
                } catch (const std::exception& e) {
                    // Said where the user looks: the completion box is for a file written.
                    SetOutcome(Said(ExportFailedText) + EscapeControls(CoreText(e.what())));
                }
            });
        });
    }
    mnList->addSeparator();
    for (const bool checked : {true, false}) {
        QAction* action = mnList->addAction(checked ? tr("Check Selected") : tr("Uncheck Selected"));
        connect(action, &QAction::triggered, this, [this, checked] { RunCommand([&] { CheckSelectedClick(checked); }); });
    }
    ListView_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListView_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { mnList->popup(ListView_->viewport()->mapToGlobal(at)); });
}

// "About", "Help", and the Options menu with the options a later scan follows and its Names field.
void TFMMain::MakeMenuBar() {
    QAction* about = menuBar()->addAction(tr("About"));
    connect(about, &QAction::triggered, this, [this] { RunCommand([this] { AboutClick(); }); });
    QAction* help = menuBar()->addAction(tr("Help"));
    connect(help, &QAction::triggered, this, [this] { RunCommand([this] { HelpClick(); }); });
    // Beside "About" and "Help": the options a later scan follows, as the user left them.
    Options_ = TWindowOptions::Load();
    mnOptions = menuBar()->addMenu(tr("Options"));
    acFollowFolderLinks = mnOptions->addAction(tr("Follow Folder Links"));
    acFollowFolderLinks->setCheckable(true);
    acFollowFolderLinks->setChecked(Options_.FollowFolderLinks);
    acFollowFolderLinks->setToolTip(tr("Scan the folders that links lead to"));
    acOneFileSystem = mnOptions->addAction(tr("Stay On One File System"));
    acOneFileSystem->setCheckable(true);
    acOneFileSystem->setChecked(Options_.OneFileSystem);
    acOneFileSystem->setToolTip(tr("Do not scan folders on other disks or mounted file systems"));
    acIncludeEmptyFolders = mnOptions->addAction(tr("Include Empty Folders"));
    acIncludeEmptyFolders->setCheckable(true);
    acIncludeEmptyFolders->setChecked(Options_.IncludeEmptyFolders);
    acIncludeEmptyFolders->setToolTip(
        tr("List the folders that hold nothing but empty folders too, each empty tree at its top"));
    mnOptions->addSeparator();
    acMoveToTrash = mnOptions->addAction(tr("Move to Trash"));
    acMoveToTrash->setCheckable(true);
    acMoveToTrash->setChecked(Options_.MoveToTrash);
    acMoveToTrash->setToolTip(
        tr("Delete and Delete All move the files to the trash, where they can be restored"));
    for (QAction* option : {acFollowFolderLinks, acOneFileSystem, acIncludeEmptyFolders, acMoveToTrash})
        connect(option, &QAction::triggered, this, [this] { RunCommand([this] { OptionToggled(); }); });
    acKeepRules = mnOptions->addAction(tr("Keep Rules..."));
    acKeepRules->setToolTip(tr("Name the empty files that Delete All passes by"));
    connect(acKeepRules, &QAction::triggered, this, [this] { RunCommand([this] { KeepRulesClick(); }); });
    // Below them, a field: the names a later scan lists, as globs (empty: every name).
    mnOptions->addSeparator();
    auto* names = new QWidgetAction(mnOptions);
    names->setText(tr("Names"));
    auto* namesBox = new QWidget(mnOptions);
    auto* namesLayout = new QHBoxLayout(namesBox);
    auto* namesLabel = new QLabel(tr("&Names:"), namesBox);
    edNames = new QLineEdit(DisplayText(Options_.Names), namesBox);
    edNames->setPlaceholderText(tr("every name"));
    edNames->setToolTip(tr("List only the files and folders whose names match one of these globs, "
                           "separated by blanks: *.log *.tmp (a glob with / matches the path below "
                           "the scanned folder)"));
    edNames->setClearButtonEnabled(true);
    edNames->setMinimumWidth(edNames->fontMetrics().averageCharWidth() * 28);  // room for a few globs
    namesLabel->setBuddy(edNames);
    namesLayout->addWidget(namesLabel);
    namesLayout->addWidget(edNames, 1);
    names->setDefaultWidget(namesBox);
    mnOptions->addAction(names);
    connect(edNames, &QLineEdit::editingFinished, this, [this] { RunCommand([this] { NamesEdited(); }); });
    connect(edNames, &QLineEdit::returnPressed, mnOptions, &QMenu::close);
}

// The status bar's two panels, and "Undo" beside them with its shortcut.
void TFMMain::MakeStatusBar() {
    // The first panel takes the width the window has; the second keeps its place at its end.
    StatusPanel0 = new TElidedLabel(this);
    StatusPanel1 = new QLabel(this);
    StatusPanel1->setFixedWidth(50);
    statusBar()->addWidget(StatusPanel0, 1);
    statusBar()->addWidget(StatusPanel1);
    // Beside the panels, shown only while there is something to take back.
    btnUndo = new QToolButton(this);
    btnUndo->setText(tr("Undo"));
    btnUndo->setToolTip(tr("Take the files just moved to the trash back (Ctrl+Z)"));
    btnUndo->setAutoRaise(true);
    btnUndo->setVisible(false);
    statusBar()->addPermanentWidget(btnUndo);
    connect(btnUndo, &QToolButton::clicked, this, [this] { RunCommand([this] { UndoClick(); }); });
    acUndo = new QAction(tr("Undo"), this);
    acUndo->setShortcut(QKeySequence::Undo);
    acUndo->setShortcutContext(Qt::WindowShortcut);
    acUndo->setEnabled(false);
    addAction(acUndo);
    connect(acUndo, &QAction::triggered, this, [this] { RunCommand([this] { UndoClick(); }); });
}

// Its first size, centred on the screen, unless the user left it somewhere the screens still show.
void TFMMain::PlaceWindow() {
    resize(823, 496);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    // Where the user left it, as far as the screens it is on now allow.
    Layout_ = TWindowLayout::Load();
    if (!Layout_.Geometry.isEmpty()) restoreGeometry(Layout_.Geometry);
}

TFMMain::~TFMMain() {
    // The controller hands the list its earlier handlers back, and the view stops reading the
    // list, before the list goes with the members; the base class would hide the view later.
    ListView_->Model().disconnect(this);
    ListView_->viewport()->removeEventFilter(this);
    Ctrl_.reset();
    delete takeCentralWidget();
}

QPushButton* TFMMain::AddButton(const char* caption, int left, bool bold, void (TFMMain::*command)()) {
    auto* button = new TButton(tr(caption), TopPanel);
    button->setGeometry(left, ButtonTop, ButtonWidth, ButtonHeight);
    QFont font = button->font();
    font.setBold(bold);
    // The buttons keep their places and widths in every language: a caption longer than the
    // English one is set smaller until it fits beside its icon.
    const QString shown = QString(button->text()).remove(QRegularExpression(QStringLiteral("&(?!&)")));
    const int room = ButtonWidth - button->iconSize().width() - 4;
    while (QFontMetrics(font).horizontalAdvance(shown) > room && font.pointSizeF() > 6)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    if (bold || font != button->font()) button->setFont(font);
    connect(button, &QPushButton::clicked, this, [this, command] { RunCommand([&] { (this->*command)(); }); });
    return button;
}

void TFMMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (Shown_) return;
    Shown_ = true;
    RunCommand([this] { FormShow(); });
}

void TFMMain::FormShow() {
    setWindowTitle(QString::fromUtf8(ProductTitle.data(), static_cast<qsizetype>(ProductTitle.size())));
    Ctrl_ = std::make_unique<TTallyscopeCtrl>(Results, OwnerOf(this));
    Ctrl_->XMLDoc = &XMLDoc;
    Ctrl_->OpenFailed = OpenFailedHandler();
    Results.OnDblClick = [this, open = std::move(Results.OnDblClick)](TResultList& list) {
        if (list.FocusedEntry() != NoEntry)
            DblClickEntry(list);
        else if (open)
            open(list);
    };
    SetOutcome(RecoverDeletions());
    // The scan of the start folders follows at once; its words must not wipe these out.
    if (!StartFolders_.empty()) Recovered_ = Outcome_;
    Ctrl_->BuildColumns(Results);  // a failure ends the set-up here: drops stay refused for the run
    TakeRememberedWidths();
    DropsAccepted_ = true;
    setAcceptDrops(true);
    if (!StartFolders_.empty()) {
        // The scan freezes the list: it starts once the list has been painted, so that the window
        // shows itself whole rather than an empty frame. A window that is not painted (shown
        // minimised) starts it a moment later all the same.
        ListView_->viewport()->installEventFilter(this);
        QTimer::singleShot(1000, this, &TFMMain::ScanStartFolders);
    }
}

bool TFMMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ListView_->viewport() && event->type() == QEvent::Paint) {
        ListView_->viewport()->removeEventFilter(this);
        QTimer::singleShot(0, this, &TFMMain::ScanStartFolders);
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFMMain::ScanStartFolders() {
    if (StartFolders_.empty()) return;
    RunCommand([this] { DropFolders(std::exchange(StartFolders_, {})); });
}

void TFMMain::SetStartFolders(std::vector<std::string> folders) {
    for (std::string& folder : folders) folder = CleanFolderPath(folder);
    StartFolders_ = std::move(folders);
}

void TFMMain::DblClickEntry(TResultList& list) {
    // A file shows selected in its folder; anything else opens as the controller opens it.
    const TListEntry& entry = list.Entry(list.FocusedEntry());
    if (entry.Record.Get(fiFileType) == "file")
        DesktopServices().ShowFile(list.FullPath(entry), OwnerOf(this), OpenFailedHandler());
    else if (Ctrl_)
        Ctrl_->OpenInExplorer(list);
}

void TFMMain::closeEvent(QCloseEvent* event) {
    // Long work holds the list: it is asked to stop, and the window goes once it has.
    if (Busy_) {
        CloseWhenIdle_ = true;
        DesktopServices().StopLongWork();
        event->ignore();
        return;
    }
    RememberLayout();
    QMainWindow::closeEvent(event);
}

void TFMMain::TakeRememberedWidths() {
    TListColumns& columns = Results.Header().Columns();
    ConfiguredWidths_.clear();
    for (int i = 0; i < columns.Count(); ++i) {
        ConfiguredWidths_.push_back(columns[i].Width);
        if (const auto width = Layout_.ColumnWidths.find(columns[i].Text); width != Layout_.ColumnWidths.end())
            columns[i].Width = width->second;
    }
    ListView_->SyncColumns();
}

void TFMMain::RememberLayout() {
    Layout_.Geometry = saveGeometry();
    // A width the user dragged back to the configured one follows the configuration again.
    const TListColumns& columns = Results.Header().Columns();
    for (int i = 0; i < columns.Count() && static_cast<std::size_t>(i) < ConfiguredWidths_.size(); ++i) {
        if (columns[i].Width != ConfiguredWidths_[static_cast<std::size_t>(i)])
            Layout_.ColumnWidths[columns[i].Text] = columns[i].Width;
        else
            Layout_.ColumnWidths.erase(columns[i].Text);
    }
    Layout_.Save();
}

void TFMMain::LongWork(const std::function<void(TLongWork&)>& work) {
    Frozen([&] { DesktopServices().RunBusy(work); });
}

void TFMMain::Frozen(const std::function<void()>& work) {
    if (Busy_) throw std::logic_error("the window is already busy with long work");
    Busy_ = true;
    ListView_->Freeze();
    const TScopeGuard thaw([this] {
        ListView_->Thaw();
        Busy_ = false;
        UpdateStatus();
        if (CloseWhenIdle_) QTimer::singleShot(0, this, &QWidget::close);
    });
    work();
}

void TFMMain::SortList() {
    if (CloseWhenIdle_) return;
    LongWork([this](TLongWork&) { Results.Sort(Results.Header().SortColumn(), Results.Header().SortDirection()); });
}

void TFMMain::ScanInto(TScanOutcome& outcome, const std::string& folder, TLongWork& work) {
    if (work.StopRequested()) {
        outcome.Stopped = true;
        return;
    }
    if (!IsFolder(folder)) {
        outcome.NotFolders.push_back(folder);
        return;
    }
    const std::size_t before = Results.Count();
    TWalkOptions options = Options_.WalkOptions();
    options.Work = &work;
    options.FindRepositories = !KeepRules_->Empty();  // a store's insides are held as .git's are
    // Called on the scanning thread, in listing order; the outcome is read once the scan is over.
    options.OnUnreadable = options.OnGivenUp = [&outcome](const std::string& path, int) {
        outcome.UnreadableFolders.push_back(WithoutEndSeparator(path));
    };
    options.OnInTrash = [&outcome](const std::string& path) { outcome.InTrash.push_back(WithoutEndSeparator(path)); };
    const TScanReport report = Scan(Results, folder, options);
    KeepRules_->Hold(Results, before);
    // Those the scan held (a version-control store's) count too.
    outcome.Held += static_cast<std::size_t>(std::count_if(Results.begin() + static_cast<std::ptrdiff_t>(before), Results.end(),
                                                           [](const TListEntry& entry) { return IsHeld(entry.Note); }));
    outcome.Listed += report.Listed;
    for (std::size_t i = before; i < Results.Count(); ++i) outcome.ListedFolders += Results[i].Kind == TEntryKind::Folder;
    outcome.Unreadable += report.Unreadable + report.GivenUp;
    outcome.OutOfMemory = outcome.OutOfMemory || report.OutOfMemory;
    outcome.Stopped = outcome.Stopped || report.Stopped;
    // What the walk used is free now: the window holds the list for as long as it stays open.
    GiveBackFreeMemory();
}

void TFMMain::LoadKeepRulesFor(TScanOutcome& outcome) {
    TLoadedKeepRules loaded = LoadKeepRules();
    std::string said;
    if (!loaded.Error.empty())
        said = FilledText(tr("Keep rules not read: %1 (%2)"), {CoreText(loaded.Error), loaded.Path});
    else if (!loaded.Problems.empty())
        said = FilledText(tr("Keep rules: %1"), {KeepRuleProblemsText(loaded.Problems)});
    if (said != KeepRulesSaid_) outcome.KeepRulesNote = said;
    KeepRulesSaid_ = std::move(said);
    KeepRules_ = std::make_shared<const TKeepRules>(std::move(loaded.Rules));
    if (Ctrl_) Ctrl_->KeepRules = KeepRules_;
}

void TFMMain::btnOpenClick() {
    const std::string folder = CleanFolderPath(DesktopServices().PickFolder(OwnerOf(this)));
    if (!folder.empty()) {
        EndUndo();
        repaint();
        ShowWaitForm(true, false);
        const TScopeGuard hide([] { ShowWaitForm(false, false); });
        SetWaitMessage(Said(LoadingInfoText));
        const std::string recovered = RecoverDeletions();
        TScanOutcome outcome;
        LoadKeepRulesFor(outcome);
        LongWork([&](TLongWork& work) { ScanInto(outcome, folder, work); });
        SetOutcome(JoinedTexts(recovered, ScanOutcomeText(outcome)), ScanDetailsText(outcome));
    }
    SortList();
}

void TFMMain::btnClearAllClick() {
    EndUndo();  // the entries it would put back referred to folders the list no longer holds
    Results.Clear();
    SetOutcome({});
}

void TFMMain::btnDeleteClick() {
    const std::size_t asked = Results.FocusedEntry();
    const bool folder = asked != NoEntry && Results[asked].Kind == TEntryKind::Folder;
    if (DesktopServices().MessageBox(Said(folder ? DeleteFolderQuestion : DeleteFileQuestion) + "\n\n" + Said(UndoItNote),
                                     Said(WarningCaption), TMessageButtons::YesNoDefaultNo, TMessageIcon::Question,
                                     OwnerOf(this)) != TMessageResult::Yes)
        return;
    const std::size_t focused = Results.FocusedEntry();
    if (focused == NoEntry) return;
    const bool isFolder = Results[focused].Kind == TEntryKind::Folder;
    EndUndo();
    const std::string recovered = RecoverDeletions();
    TRemoveResult result;
    const TDeleteOptions options = DeleteOptions();
    std::string noJournal;
    LongWork([&](TLongWork&) { result = DeleteEntry(Results, focused, options, &noJournal); });
    if (!noJournal.empty()) return SetOutcome(JoinedTexts(recovered, NoJournalText(noJournal)));
    TDeleteOutcome outcome;
    (result.Outcome == TRemoveOutcome::Deleted ? outcome.Deleted
     : result.Outcome == TRemoveOutcome::Missing ? outcome.Missing
                                                  : outcome.Kept) = 1;
    outcome.KeptReason = result.ReasonText();
    outcome.ToTrash = Options_.MoveToTrash;
    outcome.Undoable = !Options_.MoveToTrash && UndoAvailable();
    if (isFolder) {
        outcome.DeletedFolders = outcome.Deleted;
        outcome.MissingFolders = outcome.Missing;
        outcome.KeptFolders = outcome.Kept;
        outcome.WithFiles = false;
        outcome.WithFolders = true;
    }
    SetOutcome(JoinedTexts(recovered, DeleteOutcomeText(outcome)));
}

void TFMMain::btnDelAllClick() {
    bool files = false, folders = false;
    for (const TListEntry& entry : Results)
        if (entry.CheckState == TCheckState::Checked) (entry.Kind == TEntryKind::Folder ? folders : files) = true;
    const char* question = !folders ? DeleteFilesQuestion : files ? DeleteFilesAndFoldersQuestion : DeleteFoldersQuestion;
    if (DesktopServices().MessageBox(Said(question) + "\n\n" + Said(UndoThemNote), Said(WarningCaption),
                                     TMessageButtons::YesNoDefaultNo, TMessageIcon::Question,
                                     OwnerOf(this)) != TMessageResult::Yes)
        return;
    ShowWaitForm(true, false);
    const TScopeGuard hide([] { ShowWaitForm(false, false); });
    SetWaitMessage(Said(DeletingFilesText));
    EndUndo();
    const std::string recovered = RecoverDeletions();
    TDeleteSummary summary;
    const TDeleteOptions options = DeleteOptions();
    LongWork([&](TLongWork& work) { summary = DeleteCheckedEntries(Results, work, options); });
    if (summary.NotStarted) return SetOutcome(JoinedTexts(recovered, NoJournalText(summary.JournalProblem)));
    TDeleteOutcome outcome{summary.Deleted, summary.Missing, summary.Kept.size(), summary.Stopped, {}};
    if (summary.Kept.size() == 1) outcome.KeptReason = summary.Kept.front().Result.ReasonText();
    outcome.ToTrash = Options_.MoveToTrash;
    outcome.Undoable = !Options_.MoveToTrash && UndoAvailable();
    if (summary.JournalError != 0) outcome.JournalProblem = summary.JournalProblem;
    if (summary.Folders > 0) {
        outcome.DeletedFolders = summary.DeletedFolders;
        outcome.MissingFolders = summary.MissingFolders;
        outcome.KeptFolders = static_cast<std::size_t>(
            std::count_if(summary.Kept.begin(), summary.Kept.end(), [](const TKeptFile& kept) { return kept.Folder; }));
        outcome.WithFolders = true;
        outcome.WithFiles = summary.Deleted + summary.Missing + summary.Kept.size() + summary.NotReached > summary.Folders;
    }
    SetOutcome(JoinedTexts(recovered, DeleteOutcomeText(outcome)));
}

TDeleteOptions TFMMain::DeleteOptions() {
    if (!Options_.MoveToTrash) {
        auto undo = std::make_unique<TDeletionUndo>();
        const TDeleteOptions options{.Deleted = &undo->Files()};
        Undo_ = std::move(undo);
        return options;
    }
    auto undo = std::make_unique<TTrashUndo>();
    const TDeleteOptions options{.ToTrash = true, .Trashed = &undo->Files()};
    Undo_ = std::move(undo);
    return options;
}

void TFMMain::EndUndo() { Undo_.reset(); }

void TFMMain::OfferUndo(std::unique_ptr<TUndoBatch> batch) {
    Undo_ = std::move(batch);
    UpdateStatus();
}

void TFMMain::UndoClick() {
    if (Busy_ || !UndoAvailable()) return;
    ShowWaitForm(true, false);
    const TScopeGuard hide([] { ShowWaitForm(false, false); });
    SetWaitMessage(CoreText(Undo_->WaitMessage()));
    TUndoSummary summary;
    LongWork([&](TLongWork& work) { summary = RunUndo(Results, *Undo_, work); });
    if (!UndoAvailable()) EndUndo();
    SetOutcome(UndoOutcomeText(summary), UndoDetailsText(summary));
    // The entries come back at the end; a sorted list puts them in their places again.
    if (summary.PutBack + summary.NotPutBack.size() > 0 && Results.Header().SortColumn() != NoColumn) SortList();
}

void TFMMain::cbCheckAllClick() {
    Results.SetAllCheckStates(cbCheckAll->isChecked() ? TCheckState::Checked : TCheckState::Unchecked);
}

void TFMMain::CheckSelectedClick(bool checked) {
    if (!Busy_) ListView_->CheckSelected(checked);
}

void TFMMain::KeepRulesClick() {
    auto* form = new TKeepRulesForm(this);
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->open();
}

void TFMMain::OptionToggled() {
    Options_.FollowFolderLinks = acFollowFolderLinks->isChecked();
    Options_.OneFileSystem = acOneFileSystem->isChecked();
    Options_.MoveToTrash = acMoveToTrash->isChecked();
    Options_.IncludeEmptyFolders = acIncludeEmptyFolders->isChecked();
    Options_.Save();
}

void TFMMain::NamesEdited() {
    const std::string names = PathBytes(edNames->text().trimmed());
    std::string error;
    if (names == Options_.Names) return;
    if (!TNameFilter::ParseGlobs(names, error)) {
        edNames->setText(DisplayText(Options_.Names));
        SetOutcome(FilledText(tr("Names not changed: %1"), {EscapeControls(CoreText(error))}));
        return;
    }
    Options_.Names = names;
    Options_.Save();
}

std::string TFMMain::RecoverDeletions() {
    TRecovery recovery = RecoverInterruptedDeletions();
    // What stays as it was (a journal not trusted, a file whose folder is gone) is said once a run,
    // not before every scan.
    const auto said = [this](const std::string& text) { return !RecoverySaid_.insert(text).second; };
    std::erase_if(recovery.NotUsed, said);
    std::erase_if(recovery.Left, [&](const TRecoveredFile& file) { return said(file.Path + '\0' + file.Now); });
    if (const std::string details = RecoveryDetailsText(recovery); !details.empty())
        DesktopServices().MessageBox(details, Said(WarningCaption), TMessageButtons::Ok, TMessageIcon::Warning, OwnerOf(this));
    return JoinedTexts(std::exchange(Recovered_, {}), RecoveryText(recovery));
}

void TFMMain::SetOutcome(std::string outcome, std::string details) {
    Outcome_ = std::move(outcome);
    OutcomeDetails_ = std::move(details);
    UpdateStatus();
}

void TFMMain::UpdateStatus() {
    const bool undo = UndoAvailable() && !Busy_;
    btnUndo->setVisible(undo);
    acUndo->setEnabled(undo);
    if (undo)
        btnUndo->setToolTip(Undo_->FromTrash() ? tr("Take the files just moved to the trash back (Ctrl+Z)")
                                               : tr("Make the files just deleted again (Ctrl+Z)"));
    // While long work changes the list, its count is not read; the panel catches up afterwards.
    if (ListView_->Model().Frozen()) return;
    std::size_t folders = 0;
    for (std::size_t i = 0; i < Results.Count(); ++i) folders += Results[i].Kind == TEntryKind::Folder;
    StatusPanel0->SetWholeText(DisplayText(nulvane::StatusText(Results.Count(), Outcome_, folders)),
                               DisplayText(OutcomeDetails_).trimmed());
}

void TFMMain::HelpClick() { DesktopServices().OpenUrl(std::string(MakerWebAddress), OpenFailedHandler()); }

TOpenFailed TFMMain::OpenFailedHandler() {
    // Told later: the window may be gone by then.
    return [form = QPointer<TFMMain>(this)](const std::string& target, const std::string& reason) {
        if (form) form->SetOutcome(Said(CouldNotOpenText) + EscapeControls(target) + ": " + CoreText(reason));
    };
}

void TFMMain::AboutClick() {
    TFMAbout about(this);
    about.OpenFailed = OpenFailedHandler();
    about.exec();
}

void TFMMain::ExitClick() { close(); }

void TFMMain::DropFolders(const std::vector<std::string>& given) {
    if (!DropsAccepted_) return;
    std::vector<std::string> paths;
    for (const std::string& path : given) paths.push_back(CleanFolderPath(path));
    EndUndo();
    ShowWaitForm(true, false);
    const TScopeGuard hide([] { ShowWaitForm(false, false); });
    const std::string recovered = RecoverDeletions();
    TScanOutcome outcome;
    LoadKeepRulesFor(outcome);
    LongWork([&](TLongWork& work) {
        const TResultList::TUpdateScope update(Results);
        for (const std::string& path : paths) ScanInto(outcome, path, work);
    });
    SetOutcome(JoinedTexts(recovered, ScanOutcomeText(outcome)), ScanDetailsText(outcome));
}

void TFMMain::dragEnterEvent(QDragEnterEvent* event) {
    if (DropsAccepted_ && !Busy_ && event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TFMMain::dragMoveEvent(QDragMoveEvent* event) {
    if (DropsAccepted_ && !Busy_ && event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TFMMain::dropEvent(QDropEvent* event) {
    if (!DropsAccepted_ || !event->mimeData()->hasUrls()) return;
    event->acceptProposedAction();
    // The drag's source waits for the drop to return; the scan starts right after.
    QTimer::singleShot(0, this, [this, urls = event->mimeData()->urls()] { RunCommand([&] { UrlsDropped(urls); }); });
}

void TFMMain::UrlsDropped(const QList<QUrl>& urls) { DropFolders(LocalPaths(urls)); }

}  // namespace nulvane
