// The window tests' fixture.
#include "SheetFixture.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QTest>
#include <cstdlib>

void SheetTest::SetUp() {
    ASSERT_TRUE(m_config.isValid() && m_devices.isValid());
    qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
    qputenv("CORVANE_DEVICE_DIR", m_devices.path().toLocal8Bit());
    // The simulator answers at once; only waits that run out cost these.
    m_link.SetTimeouts(300, 600);
    m_link.SetCommEventMessage(static_cast<std::uint32_t>(CCorvanePropertySheet::CommEventType()));
}

void SheetTest::TearDown() {
    m_sheet.reset();
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("CORVANE_DEVICE_DIR");
    for (int fd : m_ptyMasters) close(fd);
}

CCorvanePropertySheet& SheetTest::Make() {
    m_sheet = std::make_unique<CCorvanePropertySheet>(m_link, m_dialogs);
    m_sheet->show();
    QApplication::setActiveWindow(m_sheet.get());
    EXPECT_TRUE(QTest::qWaitForWindowActive(m_sheet.get()));
    return *m_sheet;
}

QPushButton* SheetTest::Button(int id) const {
    return m_sheet->findChild<QPushButton*>(QString::number(id));
}

void SheetTest::AddPtyPort(std::uint16_t port) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    m_ptyMasters.push_back(master);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string link = DeviceDir() + "/COM" + std::to_string(port);
    ASSERT_EQ(symlink(ptsname(master), link.c_str()), 0);
}
