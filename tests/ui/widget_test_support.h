#pragma once
// The one QApplication of the widget tests (run under the offscreen platform), made by main().

#include <QApplication>

#include <cassert>

namespace camtrove::ui::testing {

inline QApplication& EnsureApplication()
{
    assert(qApp && "widget_test_main.cpp creates the application");
    return *static_cast<QApplication*>(QCoreApplication::instance());
}

} // namespace camtrove::ui::testing
