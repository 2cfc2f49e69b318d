#!/usr/bin/env bash
# ValidateDesktopEntries.sh PREFIX: the menu entry and the autostart example pass
# desktop-file-validate without errors, warnings or hints.
set -uo pipefail
# shellcheck source=tests/install/Require.sh
source "$(dirname "$0")/Require.sh"
require desktop-file-validate desktop-file-utils

output=$(desktop-file-validate "$1/share/applications/corvane.desktop" \
         "$1/share/doc/corvane/examples/corvane-autostart.desktop" 2>&1)
status=$?
echo "$output"
[ $status -eq 0 ] && [ -z "$output" ]
