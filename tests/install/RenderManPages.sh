#!/usr/bin/env bash
# RenderManPages.sh PREFIX: each installed manual page renders with man without a warning.
set -uo pipefail
# shellcheck source=tests/install/Require.sh
source "$(dirname "$0")/Require.sh"
require man man-db

failed=0
for page in "$1"/share/man/man1/*.1.gz; do
    if ! warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null) ||
       [ -n "$warnings" ]; then
        echo "FAILED: ${page##*/}:"$'\n'"$warnings"
        failed=1
    fi
done
exit $failed
