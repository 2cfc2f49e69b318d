// The Communications page on pseudo-terminals standing in for Com ports 3 and 5: the probe, the
// port test with its result texts, and the opening of the selected port.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "FakePageHost.h"
#include "PseudoTerminal.h"
#include "pages/CommSetupPage.h"
#include "serial/SerialLink.h"

namespace {

const QString kNoAnswer = "The device is either unknown, not connected or not switched on.";

class CommSetupPageTest : public ::testing::Test {
protected:
    FakePageHost host;
    CSerialLink link;
    CDeviceFolder folder;
    CPseudoTerminal com3, com5;
    std::unique_ptr<CCorvaneCommSetupPage> page;

    void SetUp() override {
        link.SetTimeouts(100, 150);
        folder.Link(3, com3.SlavePath());
        folder.Link(5, com5.SlavePath());
    }
    void TearDown() override {
        page.reset();
        unsetenv("CORVANE_DEVICE_DIR");
    }
    // The probe runs when the page is built, in the device folder named then.
    void BuildPage() {
        setenv("CORVANE_DEVICE_DIR", folder.Path().c_str(), 1);
        page = std::make_unique<CCorvaneCommSetupPage>(host, link);
    }
    QListWidget* Ports() const { return page->findChild<QListWidget*>("1029"); }
    QString Result() const { return page->findChild<QPlainTextEdit*>("1013")->toPlainText(); }
    void ClickTest() const {
        QPushButton* test = page->findChild<QPushButton*>("1004");
        QTest::mouseClick(test, Qt::LeftButton);
        EXPECT_TRUE(test->isEnabled());
    }
};

TEST_F(CommSetupPageTest, ListsThePortsThatOpenInOrderWithTheirNumbers) {
    BuildPage();
    ASSERT_EQ(page->PortCount(), 2);
    EXPECT_EQ(Ports()->item(0)->text(), "Com port 3");
    EXPECT_EQ(Ports()->item(1)->text(), "Com port 5");
    EXPECT_EQ(Ports()->item(0)->data(Qt::UserRole).toInt(), 3);
    EXPECT_EQ(Ports()->item(1)->data(Qt::UserRole).toInt(), 5);
    EXPECT_EQ(page->SelectedIndex(), 0);

    page->SelectIndex(1);  // a stored COMM_PORT of 1 is the second entry
    EXPECT_EQ(page->SelectedIndex(), 1);
    for (int index : {-1, 2, 65535}) {
        page->SelectIndex(index);
        EXPECT_EQ(page->SelectedIndex(), -1) << index;
    }
}

TEST_F(CommSetupPageTest, PortHeldByAnotherProgramIsLeftOut) {
    const int held = open(com5.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);
    BuildPage();
    close(held);
    ASSERT_EQ(page->PortCount(), 1);
    EXPECT_EQ(Ports()->item(0)->text(), "Com port 3");
}

TEST_F(CommSetupPageTest, WithoutPortsNothingIsSelectedAndTheTestShowsNothing) {
    folder.Unlink(3);
    folder.Unlink(5);
    BuildPage();
    EXPECT_EQ(page->PortCount(), 0);
    EXPECT_EQ(page->SelectedIndex(), -1);
    QString error = "untouched";
    EXPECT_FALSE(page->OpenSelectedPort(error));
    EXPECT_EQ(error, "untouched");
    ClickTest();
    EXPECT_EQ(Result(), "");
    EXPECT_FALSE(link.IsConnected());
}

TEST_F(CommSetupPageTest, SilentInstrumentIsReportedAndThePortClosed) {
    BuildPage();
    ClickTest();
    EXPECT_EQ(Result(), kNoAnswer);
    EXPECT_FALSE(link.IsConnected());

    QString error;
    EXPECT_FALSE(page->OpenSelectedPort(error));
    EXPECT_EQ(error, kNoAnswer);
}

TEST_F(CommSetupPageTest, PortGoneSinceTheProbeIsReportedAsMissing) {
    BuildPage();
    folder.Unlink(3);
    QString error;
    EXPECT_FALSE(page->OpenSelectedPort(error));
    EXPECT_EQ(
        error,
        "The port is either in use by another application, or it doesn't exist.  Please try another one.");
}

TEST_F(CommSetupPageTest, AnsweringInstrumentShowsItsVersionAndThePortClosesAgain) {
    CInstrumentResponder instrument(com5.MasterFd(), "V 2.31 12-03-04");
    BuildPage();
    page->SelectIndex(1);
    ClickTest();
    EXPECT_EQ(Result(), "Connected to a - Nephelometer\nrunning at 9600bps.\nVersion:\nV 2.31 12-03-04");
    EXPECT_FALSE(link.IsConnected());

    QString error = "untouched";
    ASSERT_TRUE(page->OpenSelectedPort(error));
    EXPECT_EQ(link.GetPortNumber(), 5);
    EXPECT_EQ(error, "untouched");
    // A port already open is asked for its version and stays open.
    ClickTest();
    EXPECT_EQ(Result(), "Connected to a - \nrunning at 9600bps.\nVersion:\nV 2.31 12-03-04");
    EXPECT_TRUE(link.IsConnected());
    link.ClosePort();
}

}  // namespace
