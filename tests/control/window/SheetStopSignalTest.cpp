// A stop signal while a real box is open: the box closes, the sequence behind it goes no further,
// and the window closes.
#include <QMessageBox>

#include "ModalHelper.h"
#include "SheetHarness.h"

TEST_F(SheetTest, AStopSignalClosesTheOpenBoxAndThenTheWindowWithNothingStartedBehindIt) {
    QtOperatorDialogs operatorBoxes;
    m_answering = &operatorBoxes;
    Start({"--status", "0003"});
    WhenShown<QMessageBox>([&](QMessageBox*) { Sheet().StopForSignal("SIGTERM"); });
    Click(CCorvanePropertySheet::ID_START_DATA);  // returns once the fault question has closed
    EXPECT_FALSE(Sheet().isVisible());
    EXPECT_FALSE(Sheet().IsRunning());
    EXPECT_FALSE(m_link->IsConnected());
    const CommandList commands = Commands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), "UB"), 0);
    EXPECT_TRUE(Journaled("message Lamp, Valve Error(s) occured. /  Continue? [Cancel]"));
    EXPECT_FALSE(Journaled("run-started"));
}
