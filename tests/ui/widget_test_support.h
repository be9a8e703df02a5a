#pragma once
// The one QApplication of the widget tests (run under the offscreen platform).

#include <QApplication>

namespace camtrove::ui::testing {

// Never destroyed: the input devices QTest creates are torn down by Qt's own exit handlers, and a
// QApplication destroyed among the static objects would free them a second time.
inline QApplication& EnsureApplication()
{
    static int argc = 1;
    static char name[] = "ui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* application = new QApplication(argc, argv);
    return *application;
}

} // namespace camtrove::ui::testing
