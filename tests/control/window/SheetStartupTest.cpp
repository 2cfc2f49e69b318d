// Start-up state: the port chosen in an earlier session, the log defaults, caption and icon.
#include <QDir>
#include <QImage>
#include <ctime>
#include <optional>

#include "SheetFixture.h"
#include "pages/CommSetupPage.h"
#include "pages/Icons.h"
#include "settings/SettingsKey.h"

namespace {

void StoreCommPort(std::uint16_t value) {
    CSettingsKey key;
    ASSERT_TRUE(key.Open(kProductKeyPath, false));
    ASSERT_TRUE(key.WriteWord(kValueCommPort, value));
}

QImage IconImage(const QIcon& icon) {
    return icon.pixmap(32, 32).toImage();
}

struct StoredPortCase {
    const char* name;
    std::optional<std::uint16_t> stored;
    int selected;  // list index: 0 port 3, 1 port 5, -1 none
};

}  // namespace

TEST_F(SheetTest, StoredPortIndexSelectsTheListEntry) {
    // Ports 3 and 5 open, so the list reads "Com port 3", "Com port 5".
    const StoredPortCase cases[] = {
        {"second entry", 1, 1},
        {"first entry", 0, 0},
        {"missing value", std::nullopt, 0},
        {"no selection saved (65535)", 65535, -1},
        {"negative as signed 16-bit", 40000, -1},
        {"beyond the list", 2, 0},
    };
    AddPtyPort(3);
    AddPtyPort(5);
    for (const StoredPortCase& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(m_config.path()).removeRecursively();
        if (c.stored) StoreCommPort(*c.stored);
        Make();
        ASSERT_EQ(Sheet().CommPage().PortCount(), 2);
        EXPECT_EQ(Sheet().CommPage().SelectedIndex(), c.selected);
        m_sheet.reset();
    }
}

TEST_F(SheetTest, LogStateStartsInTheWorkingFolderWithTodaysName) {
    const std::time_t before = std::time(nullptr);
    Make();
    const std::time_t after = std::time(nullptr);
    const CDataLog& log = Sheet().Log();
    EXPECT_EQ(log.m_strLogPath, QDir::currentPath().toStdString() + "/");
    // Around midnight the name may carry either date.
    EXPECT_TRUE(log.m_strLogFile == CDataLog::DefaultFileName(before) ||
                log.m_strLogFile == CDataLog::DefaultFileName(after))
        << log.m_strLogFile;
    std::tm first{}, last{};
    localtime_r(&before, &first);
    localtime_r(&after, &last);
    EXPECT_TRUE(log.m_nLogDay == first.tm_mday || log.m_nLogDay == last.tm_mday) << log.m_nLogDay;
    EXPECT_EQ(Sheet().Snapshot().m_nModel, 3);
}

TEST_F(SheetTest, IconZeroChangesNothingAndTheCaptionKeepsAFaultIcon) {
    ASSERT_NE(IconImage(IconForResource(128)), IconImage(IconForResource(135)));
    CCorvanePropertySheet& sheet = Make();
    EXPECT_EQ(IconImage(sheet.windowIcon()), IconImage(IconForResource(128)));
    sheet.SetMainWindowIcon(135, "Lamp");
    EXPECT_EQ(IconImage(sheet.windowIcon()), IconImage(IconForResource(135)));
    sheet.SetMainWindowIcon(0, "");
    EXPECT_EQ(IconImage(sheet.windowIcon()), IconImage(IconForResource(135)));
    // A new caption leaves the Data page's fault icon showing.
    sheet.UpdateTitle();
    EXPECT_EQ(IconImage(sheet.windowIcon()), IconImage(IconForResource(135)));
    sheet.SetMainWindowIcon(128, "");
    EXPECT_EQ(IconImage(sheet.windowIcon()), IconImage(IconForResource(128)));
}
