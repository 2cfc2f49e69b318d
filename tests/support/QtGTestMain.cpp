// GoogleTest main for the widget tests: one QApplication on Qt's offscreen platform, and a
// journal and settings folder of their own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The program's journal and settings go to folders of this run, not to the user's own.
    const QTemporaryDir state;
    const QTemporaryDir config;
    if (qEnvironmentVariableIsEmpty("XDG_STATE_HOME")) qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME")) qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
