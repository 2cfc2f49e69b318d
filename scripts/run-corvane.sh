#!/usr/bin/env bash
# Sets everything up, starts the bundled instrument simulator as Com port 1 and opens Corvane on it.
# Extra arguments go to the simulator (see build/tools/corvane-sim --help).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found. Run Corvane on a virtual display with:"
    echo "    xvfb-run -a $0 $*"
    exit 1
fi

device_dir=$(mktemp -d /tmp/corvane-ports.XXXXXX)
build/tools/corvane-sim --device-dir "$device_dir" --port 1 "$@" &
sim_pid=$!
trap 'kill "$sim_pid" 2>/dev/null; wait "$sim_pid" 2>/dev/null; rm -rf "$device_dir"' EXIT
for _ in $(seq 50); do [ -e "$device_dir/COM1" ] && break; sleep 0.1; done

CORVANE_DEVICE_DIR="$device_dir" build/app/corvane
