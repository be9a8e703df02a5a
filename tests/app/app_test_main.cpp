// The app tests' main(): the preview runs the inlay filter, whose fonts need a QGuiApplication, and
// the built-in devices read their settings from a store that must not be the user's.
#include <QGuiApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    // Files the tests replace go to this trash, not the user's.
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    QGuiApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
