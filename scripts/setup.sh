#!/usr/bin/env bash
# Installs the Debian packages Corvane needs (when missing) and builds it into ./build.
# Usage: scripts/setup.sh [extra cmake arguments]
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(g++ cmake ninja-build pkg-config libgtest-dev qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev
          xvfb xauth clang libclang-rt-14-dev libqcustomplot-dev libqcustomplot2.1-qt6
          desktop-file-utils appstream man-db lintian dpkg-dev)
packages+=(libcurl4-openssl-dev openssh-server)  # SFTP upload (libcurl with libssh2) and the sshd of its tests
packages+=(qt6-httpserver-dev)  # the station's health server
packages+=(prometheus prometheus-alertmanager)  # promtool, amtool, and the Prometheus and Alertmanager the network and archive tests run
packages+=(chromium nodejs)  # the status page test in a real browser, driven from Node
command -v npm >/dev/null || packages+=(npm)  # where nodejs comes without its package manager
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The status page test's browser driver, from npm into the test's own folder (not committed).
browser_test=tests/health/browser
if [ "$browser_test/package-lock.json" -nt "$browser_test/node_modules/.package-lock.json" ]; then
    npm ci --prefix "$browser_test" --no-audit --no-fund
fi

cmake -S . -B build -G Ninja "$@"
cmake --build build
