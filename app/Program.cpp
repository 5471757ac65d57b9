#include "app/Program.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "app/MainForm.h"
#include "app/QtDesktopServices.h"
#include "app/Translations.h"
#include "app/Servers.h"
#include "app/WaitForm.h"
#include "platform/files/removal/FileLocks.h"
#include "platform/files/removal/FileRemoval.h"


namespace nulvane {

namespace {

constexpr const char* NoDisplayLine =
    "nulvane: no display to open a window on (DISPLAY and WAYLAND_DISPLAY are not usable); "
    "start it from a desktop session\n";

constexpr const char* HelpText =
    "usage: nulvane [--] [FOLDER...]\n"
    "       nulvane -h|--help | --version\n"
    "\n"
    "Opens the window that finds the empty files under folders, lists them with\n"
    "their details and deletes the ones left checked. Each FOLDER is scanned at\n"
    "start, as if dropped on the window; after --, even --help is a FOLDER.\n"
    "\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n"
    "\n"
    "Qt's standard options (-platform, -style, ...) are taken too. Without a display\n"
    "(DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM) the program says so in one line\n"
    "and exits with status 1. nulvane-cli lists, exports and deletes on the command\n"
    "line; see nulvane(1) and nulvane-cli(1).\n";

enum class TInfoRequest { None, Help, Version };

// --help and --version are answered before anything of Qt is started, so they need no display
// and never open the window. They count only before "--", as the command line's options do.
TInfoRequest InfoRequested(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") break;
        if (arg == "-h" || arg == "--help") return TInfoRequest::Help;
        if (arg == "--version") return TInfoRequest::Version;
    }
    return TInfoRequest::None;
}

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
    switch (InfoRequested(argc, argv)) {
    case TInfoRequest::Help:
        std::fputs(HelpText, stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    case TInfoRequest::Version:
        std::printf("nulvane %s\n", NULVANE_VERSION);
        return std::fflush(stdout) == 0 ? 0 : 1;
    case TInfoRequest::None: break;
    }
    if (!HasDisplay()) {
        std::fputs(NoDisplayLine, stderr);
        return 1;
    }
    const QtMessageHandler previous = qInstallMessageHandler(StartupMessages);
    QApplication app(argc, argv);
    qInstallMessageHandler(previous);
    QApplication::setApplicationName(QStringLiteral("nulvane"));
    QApplication::setDesktopFileName(QStringLiteral("org.karvo.nulvane"));
    InstallTranslations(UserLanguages());

    RegisterServers();
    RaiseOpenFileLimit();
    AllowLeaseQueries();
    // Qt has taken its own options out of the arguments; the rest are folders, as raw bytes, but
    // for the first "--".
    std::vector<std::string> folders;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        if (!optionsEnded && std::string_view(argv[i]) == "--") {
            optionsEnded = true;
            continue;
        }
        folders.emplace_back(argv[i]);
    }

    TFMMain main;
    TWaitForm wait(&main);
    TQtDesktopServices services(wait);
    const TDesktopServicesScope scope(services);
    main.SetStartFolders(std::move(folders));
    main.show();
    return app.exec();
}

}  // namespace nulvane
