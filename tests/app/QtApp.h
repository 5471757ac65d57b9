#pragma once
// One application object for every GUI test, on the offscreen platform, made on first use and
// kept until the process ends.
#include <QApplication>

#include <cstdlib>

namespace nulvane::test {

inline QApplication& QtApp() {
    static QApplication* app = [] {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "test_app";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    return *app;
}

}  // namespace nulvane::test
