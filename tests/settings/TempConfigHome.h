// Test fixture that points XDG_CONFIG_HOME at a fresh temporary folder, removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "settings/SettingsKey.h"

class TempConfigHome : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "corvane-settings-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_home = pattern;
        setenv("XDG_CONFIG_HOME", m_home.c_str(), 1);
    }
    void TearDown() override { std::filesystem::remove_all(m_home); }

    std::filesystem::path KeyFolder() const {
        return m_home / "corvane" / "SOFTWARE" / "Brantel Inc." / "CORVANE";
    }
    std::filesystem::path ValuesFile() const { return KeyFolder() / "values.reg"; }
    std::string FileText() const {
        std::ifstream in(ValuesFile(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void SetFileText(const std::string& text) const {
        std::ofstream(ValuesFile(), std::ios::binary | std::ios::trunc) << text;
    }

    std::filesystem::path m_home;
};
