// The main window on a private settings store and device folder, shown and active, with every
// box answered by FakeOperatorDialogs. Simulated instruments go in DeviceDir() before Make().
#pragma once

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTemporaryDir>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "FakeOperatorDialogs.h"
#include "control/CorvanePropertySheet.h"
#include "serial/SerialLink.h"

class SheetTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Builds the window (the ports in DeviceDir() are probed now), shows it and waits until it
    // is the active window.
    CCorvanePropertySheet& Make();
    CCorvanePropertySheet& Sheet() { return *m_sheet; }
    QPushButton* Button(int id) const;
    std::string DeviceDir() const { return m_devices.path().toStdString(); }
    // Com port n as a pseudo-terminal nobody answers on: listed, but no instrument behind it.
    void AddPtyPort(std::uint16_t port);

    QTemporaryDir m_config;
    QTemporaryDir m_devices;
    CSerialLink m_link;
    FakeOperatorDialogs m_dialogs;
    std::unique_ptr<CCorvanePropertySheet> m_sheet;
    std::vector<int> m_ptyMasters;
};
