#include "app/QtDesktopServices.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QThread>
#include <QUrl>

#include <exception>
#include <thread>

#include "app/Texts.h"

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

}  // namespace

TQtDesktopServices::~TQtDesktopServices() {
    while (BusyCursors_ > 0) SetBusyCursor(false);
}

void TQtDesktopServices::OpenFolder(const std::string& folder, TOwnerWindow /*owner*/) {
    if (folder.empty()) return;
    OnUi([&] { QDesktopServices::openUrl(QUrl::fromLocalFile(DisplayText(folder))); });
}

void TQtDesktopServices::OpenUrl(const std::string& url) {
    if (url.empty()) return;
    OnUi([&] { QDesktopServices::openUrl(QUrl(QString::fromUtf8(url.data(), static_cast<qsizetype>(url.size())))); });
}

TMessageResult TQtDesktopServices::MessageBox(const std::string& text, const std::string& caption,
                                              TMessageButtons buttons, TMessageIcon icon, TOwnerWindow owner) {
    return OnUi([&] {
        QMessageBox box(IconOf(icon), QString::fromUtf8(caption.c_str()), QString::fromUtf8(text.c_str()),
                        QMessageBox::NoButton, WidgetOf(owner));
        if (buttons == TMessageButtons::YesNo) {
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            box.setEscapeButton(QMessageBox::No);
            return box.exec() == QMessageBox::Yes ? TMessageResult::Yes : TMessageResult::No;
        }
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
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
            filters << QStringLiteral("%1 (%2)").arg(parts[i], QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' ')));
        if (!filters.isEmpty()) dialog.setNameFilters(filters);
        if (!initialFileName.empty()) dialog.selectFile(DisplayText(initialFileName));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::string();
        return PathBytes(dialog.selectedFiles().constFirst());
    });
}

void TQtDesktopServices::ShowWaitForm(bool show, bool showCancel) {
    OnUi([&] { WaitForm_.ShowWaitForm(show, showCancel); });
}

void TQtDesktopServices::SetWaitMessage(const std::string& text) {
    OnUi([&] { WaitForm_.SetWaitMessage(QString::fromUtf8(text.c_str())); });
}

void TQtDesktopServices::RunBusy(const std::function<void()>& work) {
    if (!OnUiThread()) {
        work();
        return;
    }
    SetBusyCursor(true);
    struct TCursor {
        TQtDesktopServices& Services;
        ~TCursor() { Services.SetBusyCursor(false); }
    } cursor{*this};

    QEventLoop loop;
    std::exception_ptr error;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            error = std::current_exception();
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    // The loop also ends when the application quits; the work still runs to its end.
    worker.join();
    if (error) std::rethrow_exception(error);
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
