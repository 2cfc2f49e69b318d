// The program's XDG folders: the variables when absolute, else below HOME, else none, said once.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>

#include "base/XdgFolders.h"

namespace {

// What f wrote to standard error.
std::string StandardErrorOf(const std::function<void()>& f) {
    FILE* file = std::tmpfile();
    const int saved = dup(STDERR_FILENO);
    dup2(fileno(file), STDERR_FILENO);
    f();
    dup2(saved, STDERR_FILENO);
    close(saved);
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
    std::fclose(file);
    return text;
}

void SetOrUnset(const char* name, const char* value) {
    if (value != nullptr)
        setenv(name, value, 1);
    else
        unsetenv(name);
}

}  // namespace

TEST(XdgFolders, AbsoluteVariableElseBelowHomeElseNoneAndOneLineSaysSo) {
    const char* const names[] = {"HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME"};
    std::optional<std::string> saved[3];
    for (int i = 0; i < 3; ++i)
        if (const char* value = std::getenv(names[i])) saved[i] = value;

    struct Row {
        const char* xdg;  // both XDG variables
        const char* home;
        const char* config;
        const char* state;
    };
    const Row rows[] = {
        {"/srv/x", "/home/op", "/srv/x/corvane", "/srv/x/corvane"},
        {"/srv/x//", nullptr, "/srv/x/corvane", "/srv/x/corvane"},
        {"relative/x", "/home/op/", "/home/op/.config/corvane", "/home/op/.local/state/corvane"},
        {"", "/home/op", "/home/op/.config/corvane", "/home/op/.local/state/corvane"},
        {nullptr, "/", "/.config/corvane", "/.local/state/corvane"},
        {nullptr, "relative", nullptr, nullptr},
        {nullptr, "", nullptr, nullptr},
        {nullptr, nullptr, nullptr, nullptr},
    };
    const std::string said = StandardErrorOf([&] {
        for (const Row& row : rows) {
            SetOrUnset("HOME", row.home);
            SetOrUnset("XDG_CONFIG_HOME", row.xdg);
            SetOrUnset("XDG_STATE_HOME", row.xdg);
            const auto expected = [](const char* folder) {
                return folder ? std::optional<std::string>(folder) : std::nullopt;
            };
            EXPECT_EQ(XdgConfigFolder(), expected(row.config))
                << (row.xdg ? row.xdg : "-") << " " << (row.home ? row.home : "-");
            EXPECT_EQ(XdgStateFolder(), expected(row.state))
                << (row.xdg ? row.xdg : "-") << " " << (row.home ? row.home : "-");
        }
    });
    EXPECT_EQ(
        said,
        "corvane: neither XDG_CONFIG_HOME nor HOME is set to an absolute folder: settings and the port map "
        "are neither read nor saved\n"
        "corvane: neither XDG_STATE_HOME nor HOME is set to an absolute folder: the journal is kept on "
        "standard error only\n");
    for (int i = 0; i < 3; ++i) SetOrUnset(names[i], saved[i] ? saved[i]->c_str() : nullptr);
}
