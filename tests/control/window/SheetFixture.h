// The main window on a private settings store and device folder, shown and active, with every
// box answered by FakeOperatorDialogs. Ports go in DeviceDir() before Make().
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <string>

#include "FakeOperatorDialogs.h"
#include "control/CorvanePropertySheet.h"
#include "serial/SerialLink.h"

class SheetTest : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        qputenv("CORVANE_DEVICE_DIR", m_devices.path().toLocal8Bit());
        m_link.SetTimeouts(300, 600);
    }
    // Builds the window (the ports in DeviceDir() are probed now), shows it and makes it active.
    CCorvanePropertySheet& Make() {
        m_sheet.reset();
        m_sheet = std::make_unique<CCorvanePropertySheet>(m_link, m_dialogs);
        m_sheet->show();
        QApplication::setActiveWindow(m_sheet.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(m_sheet.get()));
        return *m_sheet;
    }
    CCorvanePropertySheet& Sheet() { return *m_sheet; }
    QPushButton* Button(int id) const { return m_sheet->findChild<QPushButton*>(QString::number(id)); }
    std::string DeviceDir() const { return m_devices.path().toStdString(); }

    QTemporaryDir m_config, m_devices;
    CSerialLink m_link;
    FakeOperatorDialogs m_dialogs;
    std::unique_ptr<CCorvanePropertySheet> m_sheet;
};
