// A stand-in for the main window that holds the pages: a settings snapshot the test fills in, and a
// record of the window icons and applies the pages ask for.
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "pages/PageHost.h"

class FakePageHost : public IPageHost {
public:
    InstrumentSettingsSnapshot snapshot;
    std::vector<std::pair<IconId, std::string>> windowIcons;
    int applyCalls = 0;
    std::function<void()> onApply;  // runs inside ApplySettings, to look at the page then

    const InstrumentSettingsSnapshot& Snapshot() const override { return snapshot; }
    void SetMainWindowIcon(IconId icon, const std::string& text) override {
        windowIcons.emplace_back(icon, text);
    }
    void ApplySettings() override {
        ++applyCalls;
        if (onApply) onApply();
    }
    void SetInstrumentClock() override {}
    void ShowHelp(const QString&) override {}
};
