#pragma once
// The one QApplication of the widget tests (run under the offscreen platform).

#include <QApplication>

namespace camtrove::ui::testing {

inline QApplication& EnsureApplication()
{
    static int argc = 1;
    static char name[] = "ui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication application(argc, argv);
    return application;
}

} // namespace camtrove::ui::testing
