#!/usr/bin/env bash
# ValidateMetainfo.sh PREFIX: the AppStream metainfo passes appstreamcli without errors or
# warnings, together with the desktop entry and icon it names in the installed tree.
set -uo pipefail
# shellcheck source=tests/install/Require.sh
source "$(dirname "$0")/Require.sh"
require appstreamcli appstream

appstreamcli validate-tree --no-net "$1"
