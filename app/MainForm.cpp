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
#include <QScreen>
#include <QProxyStyle>
#include <QStyle>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <filesystem>
#include <stdexcept>

#include "app/About.h"
#include "app/ErrorHandler.h"
#include "app/Icons.h"
#include "core/Product.h"
#include "app/QtDesktopServices.h"
#include "app/Texts.h"
#include "core/Deletion.h"
#include "core/FileReader.h"

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

}  // namespace

TFMMain::TFMMain(QWidget* parent) : QMainWindow(parent) {
    VT.OnInitNode = [](TResultList& list, std::size_t entry) { list[entry].CheckType = TCheckType::CheckBox; };
    setWindowIcon(ProgramIcon());

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    TopPanel = new QWidget(central);
    TopPanel->setFixedHeight(48);
    layout->addWidget(TopPanel);
    btnOpen = AddButton("&Open Folder", 9, true, &TFMMain::btnOpenClick);
    btnOpen->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    BitBtn1 = AddButton("&Clear All", 133, true, &TFMMain::BitBtn1Click);
    BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogResetButton));
    btnDelete = AddButton("&Delete", 257, true, &TFMMain::btnDeleteClick);
    btnDelete->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
    btnDelAll = AddButton("Delete &All", 381, true, &TFMMain::btnDelAllClick);
    btnDelAll->setIcon(style()->standardIcon(QStyle::SP_DialogDiscardButton));
    SpeedButton1 = AddButton("&Help", 505, false, &TFMMain::HelpClick);
    SpeedButton1->setIcon(style()->standardIcon(QStyle::SP_DialogHelpButton));
    SpeedButton1->setFlat(true);
    SpeedButton2 = AddButton("&Exit", 630, false, &TFMMain::ExitClick);
    SpeedButton2->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    SpeedButton2->setFlat(true);

    auto* listPanel = new QFrame(central);
    listPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    listPanel->setLineWidth(2);
    auto* listLayout = new QVBoxLayout(listPanel);
    listLayout->setContentsMargins(2, 2, 2, 2);
    ListView_ = new TListView(VT, listPanel);
    ListView_->setToolTip(QStringLiteral("Items"));
    // A click on a column of a long list sorts for a while: as long work.
    ListView_->RunSort = [this](const std::function<void()>& sort) { LongWork(sort); };
    listLayout->addWidget(ListView_);
    layout->addWidget(listPanel, 1);

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

    cbCheckAll = new QCheckBox(QStringLiteral("Check All"), listPanel);
    cbCheckAll->setGeometry(4, 3, 17, 17);
    cbCheckAll->setToolTip(QStringLiteral("Check All"));
    cbCheckAll->setChecked(true);
    cbCheckAll->raise();
    connect(cbCheckAll, &QCheckBox::clicked, this, [this] { RunCommand([this] { cbCheckAllClick(); }); });

    PopupMenu1 = new QMenu(this);
    auto* menuStyle = new TLargeIconStyle;
    menuStyle->setParent(PopupMenu1);
    PopupMenu1->setStyle(menuStyle);
    const struct {
        const char* Caption;
        TExportImage Image;
        void (TTallyscopeCtrl::*Export)(TResultList&);
    } exports[] = {
        {"Export To HTML", TExportImage::Html, &TTallyscopeCtrl::ExportHTML},
        {"Export To Text", TExportImage::Text, &TTallyscopeCtrl::ExportText},
        {"Export To Excel", TExportImage::Excel, &TTallyscopeCtrl::ExportExcel},
        {"Export To SCV", TExportImage::Csv, &TTallyscopeCtrl::ExportCSV},
        {"Export To XML", TExportImage::Xml, &TTallyscopeCtrl::ExportXML},
    };
    for (const auto& item : exports) {
        QAction* action = PopupMenu1->addAction(ExportIcon(item.Image), QString::fromLatin1(item.Caption));
        connect(action, &QAction::triggered, this, [this, exportList = item.Export] {
            RunCommand([&] {
                if (!Ctrl_ || Busy_) return;
                // The export reads the configuration on its worker thread; the view must not
                // read it meanwhile.
                Frozen([&] { (Ctrl_.get()->*exportList)(VT); });
            });
        });
    }
    ListView_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListView_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu1->popup(ListView_->viewport()->mapToGlobal(at)); });

    QAction* about = menuBar()->addAction(QStringLiteral("About"));
    connect(about, &QAction::triggered, this, [this] { RunCommand([this] { AboutClick(); }); });
    QAction* help = menuBar()->addAction(QStringLiteral("Help"));
    connect(help, &QAction::triggered, this, [this] { RunCommand([this] { HelpClick(); }); });

    StatusPanel0 = new QLabel(this);
    StatusPanel0->setFixedWidth(700);
    StatusPanel1 = new QLabel(this);
    StatusPanel1->setFixedWidth(50);
    statusBar()->addWidget(StatusPanel0);
    statusBar()->addWidget(StatusPanel1);

    setCentralWidget(central);
    resize(823, 496);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TFMMain::~TFMMain() {
    // The controller hands the list its earlier handlers back, and the view stops reading the
    // list, before the list goes with the members; the base class would hide the view later.
    Ctrl_.reset();
    delete takeCentralWidget();
}

QPushButton* TFMMain::AddButton(const char* caption, int left, bool bold, void (TFMMain::*command)()) {
    auto* button = new QPushButton(QString::fromLatin1(caption), TopPanel);
    button->setGeometry(left, ButtonTop, ButtonWidth, ButtonHeight);
    if (bold) {
        QFont font = button->font();
        font.setBold(true);
        button->setFont(font);
    }
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
    Ctrl_ = std::make_unique<TTallyscopeCtrl>(VT, OwnerOf(this));
    Ctrl_->XMLDoc = &XMLDoc;
    Ctrl_->BuildColumns(VT);  // a failure ends the set-up here: drops stay refused for the run
    DropsAccepted_ = true;
    setAcceptDrops(true);
    if (!StartFolders_.empty())
        QTimer::singleShot(0, this, [this] {
            RunCommand([this] { DropFolders(std::exchange(StartFolders_, {})); });
        });
}

void TFMMain::closeEvent(QCloseEvent* event) {
    // Long work holds the list; the window goes once it is done.
    if (Busy_)
        event->ignore();
    else
        QMainWindow::closeEvent(event);
}

void TFMMain::LongWork(const std::function<void()>& work) {
    Frozen([&] { DesktopServices().RunBusy(work); });
}

void TFMMain::Frozen(const std::function<void()>& work) {
    if (Busy_) throw std::logic_error("the window is already busy with long work");
    Busy_ = true;
    ListView_->Freeze();
    struct TThaw {
        TFMMain& Form;
        ~TThaw() {
            Form.ListView_->Thaw();
            Form.Busy_ = false;
        }
    } thaw{*this};
    work();
}

void TFMMain::SortList() {
    LongWork([this] { VT.Sort(VT.Header().SortColumn(), VT.Header().SortDirection()); });
}

void TFMMain::btnOpenClick() {
    const std::string folder = DesktopServices().PickFolder(OwnerOf(this));
    if (!folder.empty()) {
        repaint();
        ShowWaitForm(true, false);
        struct THide {
            ~THide() { ShowWaitForm(false, false); }
        } hide;
        SetWaitMessage(LoadingInfoText);
        LongWork([&] { ScanFolder(VT, folder); });
    }
    SortList();
}

void TFMMain::BitBtn1Click() { VT.Clear(); }

void TFMMain::btnDeleteClick() {
    if (DesktopServices().MessageBox(DeleteFileQuestion, WarningCaption, TMessageButtons::YesNo,
                                     TMessageIcon::Question, OwnerOf(this)) != TMessageResult::Yes)
        return;
    const std::size_t focused = VT.FocusedEntry();
    if (focused == NoEntry) return;
    LongWork([&] { DeleteEntry(VT, focused); });
}

void TFMMain::btnDelAllClick() {
    if (DesktopServices().MessageBox(DeleteFilesQuestion, WarningCaption, TMessageButtons::YesNo,
                                     TMessageIcon::Question, OwnerOf(this)) != TMessageResult::Yes)
        return;
    LongWork([&] { DeleteCheckedEntries(VT); });
}

void TFMMain::cbCheckAllClick() {
    VT.SetAllCheckStates(cbCheckAll->isChecked() ? TCheckState::Checked : TCheckState::Unchecked);
}

void TFMMain::HelpClick() { DesktopServices().OpenUrl(std::string(MakerWebAddress)); }

void TFMMain::AboutClick() {
    TFMAbout about(this);
    about.exec();
}

void TFMMain::ExitClick() { close(); }

void TFMMain::DropFolders(const std::vector<std::string>& paths) {
    if (!DropsAccepted_) return;
    ShowWaitForm(true, false);
    struct THide {
        ~THide() { ShowWaitForm(false, false); }
    } hide;
    LongWork([&] {
        const TResultList::TUpdateScope update(VT);
        for (const std::string& path : paths)
            if (IsFolder(path)) ScanFolder(VT, path);
    });
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
