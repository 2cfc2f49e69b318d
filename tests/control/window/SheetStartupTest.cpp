// Start-up state: the port chosen in an earlier session, the log folder, and the window icon.
#include <QDir>
#include <QImage>
#include <filesystem>
#include <optional>

#include "PseudoTerminal.h"
#include "SheetFixture.h"
#include "pages/CommSetupPage.h"
#include "pages/Icons.h"
#include "settings/SettingsKey.h"

TEST_F(SheetTest, StoredPortIndexSelectsTheListEntry) {
    const struct {
        const char* name;
        std::optional<std::uint16_t> stored;
        int selected;  // list index: 0 port 3, 1 port 5, -1 none
    } cases[] = {
        {"second entry", 1, 1},
        {"missing value", std::nullopt, 0},
        {"no selection saved (65535)", 65535, -1},
        {"negative as signed 16-bit", 40000, -1},
        {"beyond the list", 2, 0},
    };
    // Only ports 3 and 5 open, so the list reads "Com port 3", "Com port 5".
    PseudoTerminal com3, com5;
    std::filesystem::create_symlink(com3.DevicePath(), DeviceDir() + "/COM3");
    std::filesystem::create_symlink(com5.DevicePath(), DeviceDir() + "/COM5");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(m_config.path()).removeRecursively();
        if (c.stored) {
            CSettingsKey key;
            ASSERT_TRUE(key.Open(kProductKeyPath, false) && key.WriteWord(kValueCommPort, *c.stored));
        }
        Make();
        ASSERT_EQ(Sheet().CommPage().PortCount(), 2);
        EXPECT_EQ(Sheet().CommPage().SelectedIndex(), c.selected);
        // Without a stored folder, logs go to the working folder.
        EXPECT_EQ(Sheet().Log().m_strLogPath, QDir::currentPath().toStdString() + "/");
        m_sheet.reset();
    }
}

TEST_F(SheetTest, IconZeroChangesNothingAndTheCaptionKeepsAFaultIcon) {
    CCorvanePropertySheet& sheet = Make();
    const auto shows = [&](std::uint16_t id) {
        return sheet.windowIcon().pixmap(32).toImage() == IconForResource(id).pixmap(32).toImage();
    };
    ASSERT_FALSE(shows(135));
    EXPECT_TRUE(shows(128));
    sheet.SetMainWindowIcon(135, "Lamp");
    EXPECT_TRUE(shows(135));
    sheet.SetMainWindowIcon(0, "");
    EXPECT_TRUE(shows(135));
    // A new caption leaves the Data page's fault icon showing.
    sheet.UpdateTitle();
    EXPECT_TRUE(shows(135));
    sheet.SetMainWindowIcon(128, "");
    EXPECT_TRUE(shows(128));
}
