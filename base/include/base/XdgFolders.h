// The program's own folders below the user's XDG base folders, found one way for the settings store,
// the port map and the journal.
#pragma once

#include <optional>
#include <string>

// $XDG_CONFIG_HOME/corvane, else $HOME/.config/corvane: settings and the port map.
// $XDG_STATE_HOME/corvane, else $HOME/.local/state/corvane: the journal.
// A variable counts only when it holds an absolute path, as the base-directory rules ask. With
// neither, there is no folder: one line on standard error says so (once), and nothing is written.
std::optional<std::string> XdgConfigFolder();
std::optional<std::string> XdgStateFolder();
