// What the pages need of the main window that holds them. The main window implements it; page
// tests use a small fake.
#pragma once

#include <QString>
#include <cstdint>
#include <string>

#include "pages/Icons.h"
#include "records/InstrumentSettings.h"

class IPageHost {
public:
    virtual ~IPageHost() = default;
    // The last-known instrument settings (mode and timing texts for the Data page's countdowns).
    virtual const InstrumentSettingsSnapshot& Snapshot() const = 0;
    // Shows the icon as the window icon (the application's, or the red lamp while the instrument
    // reports faults). The text is the fault list, or empty.
    virtual void SetMainWindowIcon(IconId icon, const std::string& text) = 0;
    // Apply Changes and Set Neph Time on the Setup page.
    virtual void ApplySettings() = 0;
    virtual void SetInstrumentClock() = 0;
    // Opens the operator's manual at a keyword: "program overview", "data", "instrument setup",
    // "serial port setup".
    virtual void ShowHelp(const QString& keyword) = 0;
};
