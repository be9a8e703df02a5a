// The graph tests' main(): the preview runs the inlay filter, whose fonts need a QGuiApplication.
// The registry store goes to a folder of its own, so that no test camcorder or test device
// setting of the user's reaches the tests.
#include <QGuiApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QGuiApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
