// The Communications page with Com port 3 on a pseudo-terminal that nobody answers and Com port 5
// on the instrument simulator: the probe, the port test and the opening of the selected port.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <memory>

#include "FakePageHost.h"
#include "PseudoTerminal.h"
#include "SimProcess.h"
#include "pages/CommPageIds.h"
#include "pages/CommSetupPage.h"
#include "pages/ControlName.h"
#include "serial/LinkLease.h"
#include "serial/SerialLink.h"

namespace {

class CommSetupPageTest : public ::testing::Test {
protected:
    FakePageHost host;
    CSerialLink link;
    CLinkLender lender{link};
    SimProcess sim{{}, 5};
    PseudoTerminal silentPty;
    std::unique_ptr<CCorvaneCommSetupPage> page;

    void SetUp() override {
        link.SetTimeouts(100, 150);
        std::filesystem::create_symlink(silentPty.DevicePath(), sim.DeviceDir() + "/COM3");
    }
    void TearDown() override {
        page.reset();
        unsetenv("CORVANE_DEVICE_DIR");
    }
    // The probe runs when the page is built, in the device folder named then.
    void BuildPage(const std::string& deviceDir) {
        setenv("CORVANE_DEVICE_DIR", deviceDir.c_str(), 1);
        page = std::make_unique<CCorvaneCommSetupPage>(host, lender);
    }
    QString Entry(int row) const { return page->findChild<QListWidget*>(ControlName(CommPageId::Ports))->item(row)->text(); }
    QString Test() const {
        QTest::mouseClick(page->findChild<QPushButton*>(ControlName(CommPageId::Test)), Qt::LeftButton);
        EXPECT_TRUE(page->findChild<QPushButton*>(ControlName(CommPageId::Test))->isEnabled());
        return page->findChild<QPlainTextEdit*>(ControlName(CommPageId::TestResult))->toPlainText();
    }
};

TEST_F(CommSetupPageTest, TestSaysWhatAnsweredAndLeavesThePortAsItWas) {
    BuildPage(sim.DeviceDir());
    EXPECT_EQ(Test(), "The device is either unknown, not connected or not switched on.");
    EXPECT_FALSE(link.IsConnected());

    page->SelectIndex(1);  // a stored COMM_PORT of 1 is the second entry
    const QStringList lines = Test().split('\n');
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines.mid(0, 3), (QStringList{"Connected to a - Nephelometer", "running at 9600bps.", "Version:"}));
    // The simulator writes its transcript after the line has gone out, so the page may have it first.
    const auto versionWasSent = [&] {
        const std::vector<std::string> sent = sim.SentLines();
        return std::find(sent.begin(), sent.end(), lines[3].toStdString()) != sent.end();
    };
    EXPECT_TRUE(QTest::qWaitFor(versionWasSent, 2000)) << lines[3].toStdString();
    EXPECT_FALSE(link.IsConnected());

    // While a run holds the link the test leaves it alone.
    const std::size_t received = sim.ReceivedCommands().size();
    std::optional<CLinkLease> run = lender.TryLease();
    ASSERT_TRUE(run);
    EXPECT_EQ(Test(), lines.join('\n'));
    EXPECT_EQ(sim.ReceivedCommands().size(), received);
    run.reset();

    // An open port stays open.
    QString error;
    ASSERT_TRUE(page->OpenSelectedPort(link, error));
    EXPECT_EQ(link.GetPortNumber(), 5);
    EXPECT_TRUE(Test().startsWith("Connected to a - \nrunning at 9600bps.\nVersion:\n"));
    EXPECT_TRUE(link.IsConnected());
    link.ClosePort();

    // A port gone since the list was made gives the in-use text.
    page->SelectIndex(0);
    std::filesystem::remove(sim.DeviceDir() + "/COM3");
    EXPECT_FALSE(page->OpenSelectedPort(link, error));
    EXPECT_EQ(error,
              "The port is either in use by another application, or it doesn't exist.  Please try another one.");
}

TEST_F(CommSetupPageTest, PortHeldByAnotherProgramIsLeftOut) {
    const int held = open((sim.DeviceDir() + "/COM5").c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);
    BuildPage(sim.DeviceDir());
    close(held);
    ASSERT_EQ(page->PortCount(), 1);
    EXPECT_EQ(Entry(0), "Com port 3");
}

TEST_F(CommSetupPageTest, WithoutPortsNothingIsSelectedOrOpenedAndTheTestShowsNothing) {
    BuildPage(sim.DeviceDir() + "/none");
    EXPECT_EQ(page->SelectedIndex(), -1);
    QString error = "untouched";
    EXPECT_FALSE(page->OpenSelectedPort(link, error));
    EXPECT_EQ(error + Test(), "untouched");
}

}  // namespace
