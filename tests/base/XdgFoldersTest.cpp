// The program's XDG folders: the variables when absolute, else below HOME, else none, said once.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "base/XdgFolders.h"

namespace {

void SetOrUnset(const char* name, const char* value) {
    if (value != nullptr)
        setenv(name, value, 1);
    else
        unsetenv(name);
}

}  // namespace

TEST(XdgFolders, AbsoluteVariableElseBelowHomeElseNoneAndOneLineSaysSo) {
    struct Row {
        const char* xdg;  // XDG_CONFIG_HOME and XDG_STATE_HOME
        const char* home;
        const char* config;  // the expected folder, nullptr for none
    };
    const Row rows[] = {
        {"/srv/x", "/home/op", "/srv/x/corvane"},
        {"/srv/x//", nullptr, "/srv/x/corvane"},
        {"relative/x", "/home/op/", "/home/op/.config/corvane"},
        {"", "/home/op", "/home/op/.config/corvane"},
        {nullptr, "/", "/.config/corvane"},
        {nullptr, "relative", nullptr},
        {nullptr, "", nullptr},
        {nullptr, nullptr, nullptr},
    };
    testing::internal::CaptureStderr();
    for (const Row& row : rows) {
        SetOrUnset("HOME", row.home);
        SetOrUnset("XDG_CONFIG_HOME", row.xdg);
        SetOrUnset("XDG_STATE_HOME", row.xdg);
        EXPECT_EQ(XdgConfigFolder(), row.config ? std::optional<std::string>(row.config) : std::nullopt)
            << (row.xdg ? row.xdg : "-") << " " << (row.home ? row.home : "-");
        EXPECT_EQ(XdgStateFolder().has_value(), row.config != nullptr);
    }
    setenv("HOME", "/home/op", 1);
    EXPECT_EQ(XdgStateFolder(), "/home/op/.local/state/corvane");
    EXPECT_EQ(
        testing::internal::GetCapturedStderr(),
        "corvane: neither XDG_CONFIG_HOME nor HOME is set to an absolute folder: settings and the port map "
        "are neither read nor saved\n"
        "corvane: neither XDG_STATE_HOME nor HOME is set to an absolute folder: the journal is kept on "
        "standard error only\n");
}
