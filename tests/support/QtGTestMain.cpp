// GoogleTest main for the widget tests: one QApplication on Qt's offscreen platform, and a
// journal folder of their own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // The program's journal goes to a folder of this run, not to the user's own.
    const QTemporaryDir state;
    if (qEnvironmentVariableIsEmpty("XDG_STATE_HOME")) qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
