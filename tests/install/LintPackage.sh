#!/usr/bin/env bash
# LintPackage.sh BUILD OUT VERSION: builds the Debian package into OUT with CPack, checks its
# version and that its dependencies were computed, and runs lintian on it, which must report no
# error.
set -uo pipefail
# shellcheck source=tests/install/Require.sh
source "$(dirname "$0")/Require.sh"
require dpkg-shlibdeps dpkg-dev
require lintian lintian
build=$1 out=$2 version=$3

rm -rf "$out"
cpack --config "$build/CPackConfig.cmake" -B "$out" >/dev/null || { echo "FAILED: cpack"; exit 1; }
package=$(ls "$out"/corvane_*.deb) || exit 1
failed=0
[ "$(dpkg-deb -f "$package" Version)" = "$version" ] || { echo "FAILED: package version is not $version"; failed=1; }
depends=$(dpkg-deb -f "$package" Depends)
echo "Depends: $depends"
[[ $depends == *libqt6widgets6* ]] || { echo "FAILED: Depends was not computed from the programs"; failed=1; }
# lintian refuses nothing for running as root, but says so on standard error.
lintian --fail-on error "$package" 2> >(grep -v 'root privileges' >&2) || failed=1
exit $failed
