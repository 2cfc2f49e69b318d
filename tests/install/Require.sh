# shellcheck shell=bash
# Sourced by the install checks. require TOOL PACKAGE: skips the check (exit status 77, which
# CTest reports as skipped) with a message when TOOL is missing.
require() {
    if ! command -v "$1" >/dev/null 2>&1; then
        echo "SKIPPED: $1 is missing; install the Debian package $2 (scripts/setup.sh does)"
        exit 77
    fi
}
