// The main window without an instrument: the acquisition fixture's window on a private device
// folder, shown and active. Ports go in DeviceDir() before Make().
#pragma once

#include <QApplication>

#include "AcquisitionHarness.h"

class SheetTest : public AcquisitionTest {
protected:
    void SetUp() override {
        AcquisitionTest::SetUp();
        fs::create_directories(DeviceDir());
    }
    // Builds the window (the ports in DeviceDir() are probed now), shows it and makes it active.
    CCorvanePropertySheet& Make() {
        OpenWindowOn(DeviceDir());
        QApplication::setActiveWindow(m_sheet.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(m_sheet.get()));
        return *m_sheet;
    }
    std::string DeviceDir() const { return (m_folder / "devices").string(); }
};
