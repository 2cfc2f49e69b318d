// The fixture of the main window tests: the real window offscreen with the real serial link and run
// core, the simulator on a pseudo-terminal (or no instrument at all), a private settings store,
// device folder and log folder, and scripted answers to every box and the file dialog.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "EventLoopWait.h"
#include "FakeOperatorDialogs.h"
#include "RunFiles.h"
#include "SimProcess.h"
#include "control/CorvanePropertySheet.h"
#include "pages/ControlName.h"
#include "pages/InstSetupPage.h"
#include "run/DataLog.h"
#include "run/RunCore.h"
#include "serial/LinkLease.h"
#include "serial/SerialLink.h"
#include "settings/SettingsKey.h"

namespace fs = std::filesystem;
using CommandList = std::vector<std::string>;

class SheetTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "corvane-acq-XXXXXX").string();
        m_folder = mkdtemp(pattern.data());
        fs::create_directories(LogFolder());
        fs::create_directories(DeviceDir());
        setenv("XDG_CONFIG_HOME", (m_folder / "config").c_str(), 1);
        setenv("XDG_STATE_HOME", (m_folder / "state").c_str(), 1);
    }
    void TearDown() override {
        m_sheet.reset();  // its shut-down ends any run before the simulator goes
        m_core.reset();
        m_lender.reset();
        m_link.reset();
        m_sim.reset();
        fs::remove_all(m_folder);
    }
    // Starts the simulator with these options and the window on it. The simulator answers at once,
    // so only the waits that run out (a silent instrument, "UE" during a run) cost the time-outs.
    void Start(const std::vector<std::string>& simOptions = {}) {
        m_sim = std::make_unique<SimProcess>(simOptions);
        OpenWindowOn(m_sim->DeviceDir());
    }
    // The window on a new link to the ports of the device folder.
    void OpenWindowOn(const std::string& deviceDir) {
        m_sheet.reset();
        setenv("CORVANE_DEVICE_DIR", deviceDir.c_str(), 1);
        m_core.reset();
        m_lender.reset();
        m_link = std::make_unique<CSerialLink>();
        m_link->SetTimeouts(250, 500);
        m_lender = std::make_unique<CLinkLender>(*m_link);
        NewSheet();
    }
    // The window on the ports put in DeviceDir() beforehand, without an instrument, shown and active.
    CCorvanePropertySheet& OpenWindowWithoutInstrument() {
        OpenWindowOn(DeviceDir());
        QApplication::setActiveWindow(m_sheet.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(m_sheet.get()));
        return *m_sheet;
    }
    // A new main window and run core on the same link, as after a restart of the program.
    void NewSheet() {
        m_sheet.reset();
        m_core = std::make_unique<CRunCore>(*m_lender);
        m_sheet = std::make_unique<CCorvanePropertySheet>(*m_lender, *m_core, *m_answering);
        QObject::connect(m_sheet.get(), &QWidget::windowTitleChanged, [this](const QString& t) { m_titles << t; });
        m_sheet->show();
    }
    // The recovery's seconds last 100 ms: the silence limit's 20 s floor is 2 s, the first reopen
    // tries come 200 ms apart.
    void FastRecovery() { m_core->SetTimeUnit(std::chrono::milliseconds(100)); }
    // Waits until the run has settled: neither starting nor stopping. False at the time-out.
    bool WaitForSettledRun(int timeoutMs = 10000) {
        return WaitFor([&] {
            const RunState state = m_core->State();
            return state != RunState::Starting && state != RunState::Stopping;
        }, timeoutMs);
    }
    // Logging on, daily or weekly, to the log folder, as if saved by an earlier session.
    void StoreLogging(std::uint16_t length) {
        CSettingsKey key;
        ASSERT_TRUE(key.Open(kProductKeyPath, false));
        key.WriteDword(kValueLogEnable, 1);
        key.WriteWord(kValueLogLength, length);
        key.WriteString(kValueLogPath, LogFolder().string() + "/");
    }
    // Logging on to the named file in the log folder, which the file dialog will return.
    fs::path LogTo(const std::string& fileName, std::uint16_t length = CDataLog::kDaily) {
        StoreLogging(length);
        m_dialogs.chosenLogFile = QString::fromStdString((LogFolder() / fileName).string());
        return LogFolder() / fileName;
    }

    CCorvanePropertySheet& Sheet() { return *m_sheet; }
    QPushButton* Button(int id) const { return m_sheet->findChild<QPushButton*>(QString::number(id)); }
    void Click(int id) { QTest::mouseClick(Button(id), Qt::LeftButton); }
    template <typename T = QWidget, typename Id>
    T* Control(QWidget* page, Id id) const {
        return page->findChild<T*>(ControlName(id));
    }
    void ClickSetup(SetupPageId id) { QTest::mouseClick(Control(&m_sheet->SetupPage(), id), Qt::LeftButton); }
    QAbstractButton* SetupButton(SetupPageId id) {
        return Control<QAbstractButton>(&m_sheet->SetupPage(), id);
    }
    QLineEdit* SetupEdit(SetupPageId id) { return Control<QLineEdit>(&m_sheet->SetupPage(), id); }
    // Queries on the page; returns the commands it sent.
    CommandList QueryOn(QWidget* page) {
        m_sheet->Tabs().setCurrentWidget(page);
        m_titles.clear();
        const std::size_t before = Commands().size();
        Click(CCorvanePropertySheet::ID_QUERY);
        return Commands(before);
    }

    // Every command the simulator received, in order; each opening of the port begins with the
    // handshake "UE", "UE".
    CommandList Commands(std::size_t since = 0) const {
        const CommandList all = m_sim->ReceivedCommands();
        return {all.begin() + static_cast<long>(std::min(since, all.size())), all.end()};
    }
    fs::path LogFolder() const { return m_folder / "logs"; }
    std::string DeviceDir() const { return (m_folder / "devices").string(); }
    // A stored number as the program left it; nothing when missing.
    static std::optional<std::uint32_t> StoredNumber(const char* name) {
        CSettingsKey key;
        std::uint32_t value = 0;
        if (!key.Open(kProductKeyPath, true) || !key.ReadDword(name, value)) return std::nullopt;
        return value;
    }

    fs::path m_folder;  // settings store and log files, removed after the test
    std::unique_ptr<SimProcess> m_sim;
    std::unique_ptr<CSerialLink> m_link;
    std::unique_ptr<CLinkLender> m_lender;
    std::unique_ptr<CRunCore> m_core;
    FakeOperatorDialogs m_dialogs;
    IOperatorDialogs* m_answering = &m_dialogs;  // the real boxes in the tests that need them
    std::unique_ptr<CCorvanePropertySheet> m_sheet;
    QStringList m_titles;  // every caption shown, in order
};
