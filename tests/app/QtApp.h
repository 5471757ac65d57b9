#pragma once
// One application object for every GUI test, on the offscreen platform, made on first use and
// kept until the process ends. The window's remembered options and the keep rules are read from a
// folder of the test run (XDG_CONFIG_HOME), never from the user's configuration.
#include <QApplication>
#include <QSettings>
#include <QTest>

#include <cstdlib>
#include <functional>

#include "support/TempDir.h"

namespace nulvane::test {

// The folder that stands for the user's configuration folder in GUI tests.
inline const TTempDir& QtConfigHome() {
    static const TTempDir folder;
    return folder;
}

inline QApplication& QtApp() {
    static QApplication* app = [] {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("XDG_CONFIG_HOME", QtConfigHome().Str().c_str(), 1);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(QtConfigHome().Str()));
        static int argc = 1;
        static char name[] = "test_app";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    return *app;
}

// Runs the event loop until `done` holds. The deadline of a minute only tells a hung test from a
// slow machine: false means what was awaited never happened.
inline bool AwaitEvent(const std::function<bool()>& done) { return QTest::qWaitFor(done, 60'000); }

}  // namespace nulvane::test
