#!/usr/bin/env bash
# Runs the fuzz targets for a long while, one at a time, each from its seed corpus plus what
# earlier long runs found (kept in <build>/fuzz/<target>.corpus). Findings land in that folder's
# artifacts/ and make the script fail.
# Usage: scripts/fuzz.sh [-b build-folder] [-t seconds-per-target] [target...]
#   targets: fuzz_records fuzz_line_cutter fuzz_settings_file (default: all)
set -euo pipefail
cd "$(dirname "$0")/.."

build=build
seconds=600
while getopts "b:t:" option; do
    case $option in
        b) build=$OPTARG ;;
        t) seconds=$OPTARG ;;
        *) sed -n '2,6p' "$0"; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_records fuzz_line_cutter fuzz_settings_file)

declare -A max_len=([fuzz_records]=512 [fuzz_line_cutter]=12000 [fuzz_settings_file]=2048)

[ -f "$build/CMakeCache.txt" ] || cmake -S . -B "$build" -G Ninja
cmake --build "$build" --target "${targets[@]}" -j 2

failed=0
for target in "${targets[@]}"; do
    corpus="$build/fuzz/$target.corpus"
    mkdir -p "$corpus/artifacts"
    echo "== $target for ${seconds}s"
    if ! "$build/fuzz/bin/$target" -max_total_time="$seconds" -max_len="${max_len[$target]}" \
        -print_final_stats=1 -artifact_prefix="$corpus/artifacts/" "$corpus" "fuzz/corpus/$target"; then
        echo "== $target: finding in $corpus/artifacts/"
        failed=1
    fi
done
exit $failed
