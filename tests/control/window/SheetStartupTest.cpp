// Start-up state: the port chosen in an earlier session, the log folder, and the window icon.
#include <QDir>
#include <QImage>

#include "PseudoTerminal.h"
#include "SheetHarness.h"
#include "pages/CommSetupPage.h"
#include "pages/Icons.h"

TEST_F(SheetTest, StoredPortIndexSelectsTheListEntryAndLogsGoToTheWorkingFolder) {
    const std::pair<std::optional<std::uint16_t>, int> cases[] = {
        // stored value (none: missing) and the list index selected: 0 port 3, 1 port 5, -1 none
        {1, 1}, {std::nullopt, 0}, {65535, -1}, {40000, -1} /* negative as signed 16-bit */, {2, 0}};
    // Only ports 3 and 5 open, so the list reads "Com port 3", "Com port 5".
    PseudoTerminal com3, com5;
    fs::create_symlink(com3.DevicePath(), DeviceDir() + "/COM3");
    fs::create_symlink(com5.DevicePath(), DeviceDir() + "/COM5");
    for (const auto& [stored, selected] : cases) {
        SCOPED_TRACE(stored.value_or(0));
        fs::remove_all(m_folder / "config");
        if (CSettingsKey key; stored) {
            ASSERT_TRUE(key.Open(kProductKeyPath, false) && key.WriteWord(kValueCommPort, *stored));
        }
        OpenWindowWithoutInstrument();
        ASSERT_EQ(Sheet().CommPage().PortCount(), 2);
        EXPECT_EQ(Sheet().CommPage().SelectedIndex(), selected);
        // Logs go to the working folder until one is chosen.
        EXPECT_EQ(Sheet().Core().Log().m_strLogPath, QDir::currentPath().toStdString() + "/");
    }
}

TEST_F(SheetTest, NewCaptionKeepsTheFaultIcon) {
    CCorvanePropertySheet& sheet = OpenWindowWithoutInstrument();
    const auto shows = [&](IconId icon) {
        return sheet.windowIcon().pixmap(32).toImage() == IconFor(icon).pixmap(32).toImage();
    };
    EXPECT_TRUE(shows(IconId::Application) && !shows(IconId::RedLamp));
    sheet.SetMainWindowIcon(IconId::RedLamp, "Lamp");
    sheet.UpdateTitle();
    EXPECT_TRUE(shows(IconId::RedLamp));
    sheet.SetMainWindowIcon(IconId::Application, "");
    EXPECT_TRUE(shows(IconId::Application));
}
