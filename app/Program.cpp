#include "app/Program.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "app/QtDesktopServices.h"
#include "app/Servers.h"
#include "app/WaitForm.h"
#include "platform/files/FileLocks.h"
#include "platform/files/FileRemoval.h"


namespace nulvane {

namespace {

constexpr const char* NoDisplayLine =
    "nulvane: no display to open a window on (DISPLAY and WAYLAND_DISPLAY are not usable); "
    "start it from a desktop session\n";

bool Set(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// Until the application object exists, a platform that cannot start is reported in one line
// instead of Qt's abort with its plugin diagnostics.
void StartupMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtFatalMsg) {
        std::fputs(NoDisplayLine, stderr);
        std::fflush(stderr);
        std::_Exit(1);
    }
    if (context.category && std::strncmp(context.category, "qt.qpa", 6) == 0) return;
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

}  // namespace

bool HasDisplay() {
#ifdef _WIN32
    return true;
#else
    return Set("QT_QPA_PLATFORM") || Set("DISPLAY") || Set("WAYLAND_DISPLAY");
#endif
}

int RunProgram(int argc, char** argv) {
    if (!HasDisplay()) {
        std::fputs(NoDisplayLine, stderr);
        return 1;
    }
    const QtMessageHandler previous = qInstallMessageHandler(StartupMessages);
    QApplication app(argc, argv);
    qInstallMessageHandler(previous);
    QApplication::setApplicationName(QStringLiteral("nulvane"));
    QApplication::setDesktopFileName(QStringLiteral("nulvane"));

    RegisterServers();
    RaiseOpenFileLimit();
    AllowLeaseQueries();
    // Qt has taken its own options out of the arguments; the rest are folders, as raw bytes.
    std::vector<std::string> folders(argv + 1, argv + argc);

    TFMMain main;
    TWaitForm wait(&main);
    TQtDesktopServices services(wait);
    const TDesktopServicesScope scope(services);
    main.SetStartFolders(std::move(folders));
    main.show();
    return app.exec();
}

}  // namespace nulvane
