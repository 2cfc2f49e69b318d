#!/usr/bin/env bash
# InstallTree.sh BUILD PREFIX VERSION: installs the build into PREFIX (emptied first) and checks
# that exactly the expected files are there, that the icon PNGs have their folders' sizes, that
# the programs run, and that corvane --version, the metainfo and the manual pages carry VERSION.
set -euo pipefail
build=$1 prefix=$2 version=$3

rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

sizes=(16 22 24 32 48 64 128 256)
expected=(
    bin/corvane
    bin/corvane-export
    bin/corvane-sim
    share/applications/corvane.desktop
    share/doc/corvane/changelog.gz
    share/doc/corvane/copyright
    share/doc/corvane/example-hour.nas
    share/doc/corvane/examples/70-corvane-serial.rules
    share/doc/corvane/examples/corvane-autostart.desktop
    share/doc/corvane/examples/corvane.service
    share/doc/corvane/examples/station.conf
    share/doc/corvane/manual.html
    share/doc/corvane/station-conf.md
    share/icons/hicolor/scalable/apps/corvane.svg
    share/man/man1/corvane-export.1.gz
    share/man/man1/corvane-sim.1.gz
    share/man/man1/corvane.1.gz
    share/metainfo/com.example.brantel.corvane.metainfo.xml
)
for size in "${sizes[@]}"; do expected+=("share/icons/hicolor/${size}x${size}/apps/corvane.png"); done

failed=0
fail() { echo "FAILED: $*"; failed=1; }
installed_program() { [ -n "$1" ] && [ -f "$prefix/bin/$1" ] && [ -x "$prefix/bin/$1" ]; }

missing_or_extra=$(diff <(printf '%s\n' "${expected[@]}" | sort) <(cd "$prefix" && find . -type f | sed 's|^\./||' | sort) || true)
[ -z "$missing_or_extra" ] || fail "installed files differ from the expected list (< missing, > not expected):"$'\n'"$missing_or_extra"

# A PNG's width and height are the two 32-bit numbers at offset 16.
for size in "${sizes[@]}"; do
    png=$prefix/share/icons/hicolor/${size}x${size}/apps/corvane.png
    [ -f "$png" ] || continue
    read -r width height < <(od -An -tu1 -j16 -N8 "$png" |
        awk '{ print $1*16777216 + $2*65536 + $3*256 + $4, $5*16777216 + $6*65536 + $7*256 + $8 }')
    [ "$(od -An -tx1 -N4 "$png" | tr -d ' ')" = "89504e47" ] || fail "$png is not a PNG"
    [ "$width x $height" = "$size x $size" ] || fail "$png is $width x $height, not $size x $size"
done

for program in corvane corvane-sim corvane-export; do
    [ -x "$prefix/bin/$program" ] || fail "bin/$program is not executable"
done
"$prefix/bin/corvane-sim" --help >/dev/null || fail "the installed corvane-sim --help failed"
"$prefix/bin/corvane-export" --help >/dev/null || fail "the installed corvane-export --help failed"
# The program's version (the about box's) is the project's, which the package carries too.
printed=$("$prefix/bin/corvane" --version) || fail "the installed corvane --version failed"
[ "$printed" = "corvane $version" ] || fail "corvane --version printed \"$printed\", not \"corvane $version\""

# The desktop entries and the service start an installed program; the entries show an installed icon.
service=share/doc/corvane/examples/corvane.service
program=$(sed -n 's/^ExecStart=\([^ ]*\).*/\1/p' "$prefix/$service")
installed_program "$program" || fail "$service starts \"$program\", which is not installed"
for entry in share/applications/corvane.desktop share/doc/corvane/examples/corvane-autostart.desktop; do
    [ -f "$prefix/$entry" ] || continue
    program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$prefix/$entry")
    icon=$(sed -n 's/^Icon=//p' "$prefix/$entry")
    installed_program "$program" || fail "$entry starts \"$program\", which is not installed"
    [ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "$entry shows icon \"$icon\", which is not installed"
done

grep -q "<release version=\"$version\" date=\"[0-9-]*\"/>" "$prefix/share/metainfo/com.example.brantel.corvane.metainfo.xml" ||
    fail "the metainfo's release is not $version"
for page in corvane corvane-sim corvane-export; do
    zcat "$prefix/share/man/man1/$page.1.gz" | grep -q "^\.TH .* \"Corvane $version\"" ||
        fail "$page(1) does not carry version $version"
done
exit $failed
