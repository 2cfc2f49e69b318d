// The main window on a private settings store and device folder, shown and active, with every
// box answered by FakeOperatorDialogs. Ports go in DeviceDir() before Make().
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cstdint>
#include <memory>
#include <string>

#include "FakeOperatorDialogs.h"
#include "control/CorvanePropertySheet.h"
#include "serial/SerialLink.h"

class SheetTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_config.isValid() && m_devices.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        qputenv("CORVANE_DEVICE_DIR", m_devices.path().toLocal8Bit());
        // The simulator answers at once; only waits that run out cost these.
        m_link.SetTimeouts(300, 600);
        m_link.SetCommEventMessage(static_cast<std::uint32_t>(CCorvanePropertySheet::CommEventType()));
    }
    void TearDown() override {
        m_sheet.reset();
        qunsetenv("XDG_CONFIG_HOME");
        qunsetenv("CORVANE_DEVICE_DIR");
    }
    // Builds the window (the ports in DeviceDir() are probed now), shows it and waits until it
    // is the active window.
    CCorvanePropertySheet& Make() {
        m_sheet = std::make_unique<CCorvanePropertySheet>(m_link, m_dialogs);
        m_sheet->show();
        QApplication::setActiveWindow(m_sheet.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(m_sheet.get()));
        return *m_sheet;
    }
    CCorvanePropertySheet& Sheet() { return *m_sheet; }
    QPushButton* Button(int id) const { return m_sheet->findChild<QPushButton*>(QString::number(id)); }
    std::string DeviceDir() const { return m_devices.path().toStdString(); }

    QTemporaryDir m_config;
    QTemporaryDir m_devices;
    CSerialLink m_link;
    FakeOperatorDialogs m_dialogs;
    std::unique_ptr<CCorvanePropertySheet> m_sheet;
};
