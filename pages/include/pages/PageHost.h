// What the pages need of the main window that holds them. The main window implements it; page
// tests use a small fake.
#pragma once

#include <QString>
#include <cstdint>
#include <string>

#include "records/InstrumentSettings.h"

class IPageHost {
public:
    virtual ~IPageHost() = default;
    // The last-known instrument settings (mode and timing texts for the Data page's countdowns).
    virtual const InstrumentSettingsSnapshot& Snapshot() const = 0;
    // Shows icon resource id (128, 135) as the window icon; 0 does nothing. The text is unused.
    virtual void SetMainWindowIcon(std::uint16_t iconId, const std::string& text) = 0;
    // Setup page buttons.
    virtual void ApplySettings() = 0;
    virtual void SetInstrumentClock() = 0;
    // Opens the operator's manual at a keyword: "program overview", "data", "instrument setup",
    // "serial port setup".
    virtual void ShowHelp(const QString& keyword) = 0;
};
