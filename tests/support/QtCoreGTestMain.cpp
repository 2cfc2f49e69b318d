// GoogleTest main for the tests of the widget-free libraries that use Qt's event loops on their
// threads: one QCoreApplication, and a journal and settings folder of their own.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    const QTemporaryDir state;
    const QTemporaryDir config;
    if (qEnvironmentVariableIsEmpty("XDG_STATE_HOME")) qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME")) qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
