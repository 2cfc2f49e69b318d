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
        if (const char* old = std::getenv("XDG_CONFIG_HOME")) {
            m_strSaved = old;
            m_bHadSaved = true;
        }
        setenv("XDG_CONFIG_HOME", m_home.c_str(), 1);
    }
    void TearDown() override {
        if (m_bHadSaved) {
            setenv("XDG_CONFIG_HOME", m_strSaved.c_str(), 1);
        } else {
            unsetenv("XDG_CONFIG_HOME");
        }
        std::error_code ignored;
        std::filesystem::permissions(KeyFolder(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(m_home, ignored);
    }

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
        std::ofstream out(ValuesFile(), std::ios::binary | std::ios::trunc);
        out << text;
    }

    std::filesystem::path m_home;

private:
    std::string m_strSaved;
    bool m_bHadSaved = false;
};
