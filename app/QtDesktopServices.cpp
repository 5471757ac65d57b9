#include "app/QtDesktopServices.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>
#include <QThread>
#include <QUrl>
#include <QWindow>

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <thread>
#include <vector>

#include "app/ListView.h"
#include "app/Texts.h"
#include "app/Translations.h"
#include "platform/desktop/DesktopOpener.h"
#include "platform/system/LongWork.h"
#include "platform/system/ScopeGuard.h"

namespace nulvane {

namespace {

bool OnUiThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

// Runs `request` on the user-interface thread and returns its answer.
template <class TRequest>
auto OnUi(TRequest&& request) -> decltype(request()) {
    if (OnUiThread() || !QCoreApplication::instance()) return request();
    using TAnswer = decltype(request());
    if constexpr (std::is_void_v<TAnswer>) {
        QMetaObject::invokeMethod(QCoreApplication::instance(), request, Qt::BlockingQueuedConnection);
    } else {
        TAnswer answer{};
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [&] { answer = request(); }, Qt::BlockingQueuedConnection);
        return answer;
    }
}

QWidget* WidgetOf(TOwnerWindow owner) { return static_cast<QWidget*>(const_cast<void*>(owner)); }

QMessageBox::Icon IconOf(TMessageIcon icon) {
    switch (icon) {
    case TMessageIcon::Question: return QMessageBox::Question;
    case TMessageIcon::Warning: return QMessageBox::Warning;
    case TMessageIcon::Information: return QMessageBox::Information;
    case TMessageIcon::Error: return QMessageBox::Critical;
    case TMessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

// Discards input to the windows that were open when long work started, for as long as it lives.
// Esc there asks the work to stop.
class TInputBlocker : public QObject {
public:
    TInputBlocker(const QWidget& waitForm, std::function<void()> stop) : Stop_(std::move(stop)) {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window == &waitForm || !window->isVisible()) continue;
            Widgets_.emplace_back(window);
            if (QWindow* handle = window->windowHandle()) Handles_.emplace_back(handle);
        }
        qApp->installEventFilter(this);
    }
    ~TInputBlocker() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override {
        switch (event->type()) {
        case QEvent::Shortcut:
            // Menu and button shortcuts of a blocked window reach their actions, not widgets.
            if (!receiver->isWidgetType()) return true;
            break;
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            break;
        default:
            if (!event->isInputEvent()) return false;
        }
        if (!Blocked(receiver)) return false;
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) Stop_();
        return true;
    }

private:
    bool Blocked(QObject* receiver) const {
        if (receiver->isWindowType()) {
            for (const QPointer<QWindow>& handle : Handles_)
                if (handle == receiver) return true;
            return false;
        }
        if (!receiver->isWidgetType()) return false;
        const QWidget* window = static_cast<QWidget*>(receiver)->window();
        for (const QPointer<QWidget>& widget : Widgets_)
            if (widget == window) return true;
        return false;
    }

    std::function<void()> Stop_;
    std::vector<QPointer<QWidget>> Widgets_;
    std::vector<QPointer<QWindow>> Handles_;
};

// While a box or dialog is open and no worker holds the list, the frozen result lists of the program paint
// as usual: a list frozen for a command that ends with a message ("Export Finished") must not look
// emptied behind it. Each is frozen again as it was once the box closes.
class TPaintWhileOpen {
public:
    explicit TPaintWhileOpen(bool workerRunning) {
        if (workerRunning) return;
        for (QWidget* widget : QApplication::allWidgets()) {
            auto* view = qobject_cast<TListView*>(widget);
            if (!view) continue;
            int depth = 0;
            for (; view->Model().Frozen(); ++depth) view->Thaw();
            if (depth > 0) Thawed_.emplace_back(view, depth);
        }
    }
    ~TPaintWhileOpen() {
        for (auto& [view, depth] : Thawed_)
            if (view)
                for (int i = 0; i < depth; ++i) view->Freeze();
    }
    TPaintWhileOpen(const TPaintWhileOpen&) = delete;
    TPaintWhileOpen& operator=(const TPaintWhileOpen&) = delete;

private:
    std::vector<std::pair<QPointer<TListView>, int>> Thawed_;
};

// Makes the box at least as wide as its caption needs in a title bar, with room for the title
// bar's buttons: a short text under a longer caption would otherwise cut the caption ("D…e").
void FitCaption(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid) return;
    QFont title = box.font();
    title.setBold(true);
    const int width = QFontMetrics(title).horizontalAdvance(box.windowTitle()) + 160;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

// A session bus to ask, without letting the D-Bus library start one of its own where there is
// none (its X11 autolaunch).
bool SessionBusKnown() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address && *address) return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::error_code error;
    return runtime && *runtime && std::filesystem::exists(std::filesystem::path(runtime) / "bus", error);
}

}  // namespace

QByteArray FileAddressOf(const std::string& path) {
    return QByteArrayLiteral("file://") +
           QByteArray(path.data(), static_cast<qsizetype>(path.size())).toPercentEncoding("/");
}

bool ShowItemInFileManager(const QDBusConnection& bus, const std::string& path) {
    static const QString service = QStringLiteral("org.freedesktop.FileManager1");
    if (path.empty() || !bus.isConnected()) return false;
    QDBusConnectionInterface* names = bus.interface();
    if (!names) return false;
    const QDBusReply<bool> running = names->isServiceRegistered(service);
    if (!(running.isValid() && running.value())) {
        const QDBusReply<QStringList> startable = names->activatableServiceNames();
        if (!startable.isValid() || !startable.value().contains(service)) return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/FileManager1"),
                                                       service, QStringLiteral("ShowItems"));
    call << QStringList{QString::fromLatin1(FileAddressOf(path))} << QString();
    return bus.send(call);
}

TQtDesktopServices::TQtDesktopServices(TWaitForm& waitForm) : WaitForm_(waitForm) {
    OpenReports_->Receiver = &OpenReceiver_;
    StopConnection_ = QObject::connect(&WaitForm_, &TWaitForm::StopClicked, &WaitForm_, [this] { StopLongWork(); });
}

TQtDesktopServices::~TQtDesktopServices() {
    {
        const std::lock_guard lock(OpenReports_->Lock);
        OpenReports_->Receiver = nullptr;
    }
    QObject::disconnect(StopConnection_);
    while (BusyCursors_ > 0) SetBusyCursor(false);
}

void TQtDesktopServices::Open(const std::string& target, bool address, TOpenFailed failed) {
#ifdef _WIN32
    const bool opened = OnUi([&] {
        return QDesktopServices::openUrl(
            address ? QUrl(QString::fromUtf8(target.data(), static_cast<qsizetype>(target.size())))
                    : QUrl::fromEncoded(FileAddressOf(target), QUrl::StrictMode));
    });
    if (!opened && failed) failed(target, "nothing on this desktop opens it");
#else
    (void)address;  // the opener takes a path and an address alike
    TOpenerFailed report;
    if (failed)
        report = [reports = OpenReports_, target, failed = std::move(failed)](const std::string& reason) {
            const std::lock_guard lock(reports->Lock);
            if (reports->Receiver)
                QMetaObject::invokeMethod(reports->Receiver, [=] { failed(target, reason); }, Qt::QueuedConnection);
        };
    OpenWithDesktop(target, std::move(report));
#endif
}

void TQtDesktopServices::OpenFolder(const std::string& folder, TOwnerWindow /*owner*/, TOpenFailed failed) {
    if (!folder.empty()) Open(folder, false, std::move(failed));
}

void TQtDesktopServices::ShowFile(const std::string& path, TOwnerWindow owner, TOpenFailed failed) {
    if (path.empty()) return;
    const bool shown = OnUi([&] { return SessionBusKnown() && ShowItemInFileManager(QDBusConnection::sessionBus(), path); });
    if (!shown) IDesktopServices::ShowFile(path, owner, std::move(failed));
}

void TQtDesktopServices::OpenUrl(const std::string& url, TOpenFailed failed) {
    if (url.find(':') == std::string::npos || url.front() == '-') return;
    Open(url, true, std::move(failed));
}

TMessageResult TQtDesktopServices::MessageBox(const std::string& text, const std::string& caption,
                                              TMessageButtons buttons, TMessageIcon icon, TOwnerWindow owner) {
    return OnUi([&] {
        // The layers below ask in English; the window's own questions come translated already.
        QMessageBox box(IconOf(icon), QString::fromStdString(CoreText(caption)), QString::fromStdString(CoreText(text)),
                        QMessageBox::NoButton, WidgetOf(owner));
        const auto run = [&] {
            FitCaption(box);
            const TPaintWhileOpen paint(Running_ != nullptr);
            return box.exec();
        };
        if (buttons != TMessageButtons::Ok) {
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(buttons == TMessageButtons::YesNoDefaultNo ? QMessageBox::No : QMessageBox::Yes);
            box.setEscapeButton(QMessageBox::No);
            return run() == QMessageBox::Yes ? TMessageResult::Yes : TMessageResult::No;
        }
        box.setStandardButtons(QMessageBox::Ok);
        run();
        return TMessageResult::Ok;
    });
}

std::string TQtDesktopServices::PickFolder(TOwnerWindow owner) {
    return OnUi([&] {
        const QString folder =
            QFileDialog::getExistingDirectory(WidgetOf(owner), QString(), QString(), QFileDialog::ShowDirsOnly);
        return folder.isEmpty() ? std::string() : PathBytes(folder);
    });
}

std::string TQtDesktopServices::SaveFileName(const std::string& defaultExt, const std::string& filter,
                                             const std::string& initialFileName, TOwnerWindow owner) {
    return OnUi([&] {
        QFileDialog dialog(WidgetOf(owner));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
        QString suffix = QString::fromUtf8(defaultExt.c_str());
        if (suffix.startsWith(QLatin1Char('.'))) suffix.remove(0, 1);
        dialog.setDefaultSuffix(suffix);
        // "Description|*.ext" pairs, separated by "|" as well.
        const QStringList parts = QString::fromUtf8(filter.c_str()).split(QLatin1Char('|'));
        QStringList filters;
        for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
            filters << QStringLiteral("%1 (%2)").arg(QString::fromStdString(CoreText(parts[i].toStdString())),
                                                    QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' ')));
        if (!filters.isEmpty()) dialog.setNameFilters(filters);
        if (!initialFileName.empty()) dialog.selectFile(DisplayText(initialFileName));
        const TPaintWhileOpen paint(Running_ != nullptr);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::string();
        return PathBytes(dialog.selectedFiles().constFirst());
    });
}

void TQtDesktopServices::ShowWaitForm(bool show, bool showCancel) {
    OnUi([&] { WaitForm_.ShowWaitForm(show, showCancel); });
}

void TQtDesktopServices::SetWaitMessage(const std::string& text) {
    OnUi([&] { WaitForm_.SetWaitMessage(QString::fromStdString(CoreText(text))); });
}

void TQtDesktopServices::RunBusy(const std::function<void(TLongWork&)>& work) {
    if (!OnUiThread()) {
        // Part of the long work in progress, whose job it shares.
        TLongWork fresh;
        work(Running_ ? *Running_ : fresh);
        return;
    }
    SetBusyCursor(true);
    TLongWork job;
    TLongWork* const outer = std::exchange(Running_, &job);
    WaitForm_.SetWork(&job);
    const TScopeGuard end([this, outer] {
        WaitForm_.SetWork(outer);
        Running_ = outer;
        SetBusyCursor(false);
    });
    const TInputBlocker blocker(WaitForm_, [this] { StopLongWork(); });

    QEventLoop loop;
    std::exception_ptr error;
    std::thread worker([&] {
        try {
            work(job);
        } catch (...) {
            error = std::current_exception();
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    // The loop also ends when the application quits; the work still runs to its end.
    worker.join();
    if (error) std::rethrow_exception(error);
}

void TQtDesktopServices::StopLongWork() {
    if (Running_) Running_->RequestStop();
}

void TQtDesktopServices::SetBusyCursor(bool busy) {
    OnUi([&] {
        if (busy) {
            ++BusyCursors_;
            QApplication::setOverrideCursor(Qt::WaitCursor);
        } else if (BusyCursors_ > 0) {
            --BusyCursors_;
            QApplication::restoreOverrideCursor();
        }
    });
}

}  // namespace nulvane
