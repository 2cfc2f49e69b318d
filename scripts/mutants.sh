#!/usr/bin/env bash
# Plants each fault of mutants/*.mutant in a scratch copy of the tree, builds it, runs the tests
# named in the mutant and reports whether they caught it. A mutant file holds:
#
#   # what the fault is
#   file: path/in/the/tree.cpp
#   tests: ctest regular expression (the tests that must catch it)
#   @@ original
#   exact text (one or more lines, or part of one), found exactly once in the file
#   @@ replacement
#   the text put in its place (may be empty)
#
# The last line break of each section is not part of its text.
#
# A mutant whose original text is not found exactly once "does not apply" (the code moved on; the
# mutant needs updating), which is reported apart from "survived". A test run that fails or hangs
# past its time-out has caught the fault. The exit status is 0 only when every mutant was caught.
#
#   scripts/mutants.sh                 all mutants
#   scripts/mutants.sh control- pages  only mutants whose file names contain one of these words
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
# The copy's build folder sits inside it as build/ does in the tree, so that the compiler cache
# (whose base folder holds the tree) serves the first build of the copy from the tree's own builds.
scratch=${CORVANE_MUTANTS_DIR:-$top/build/mutants}
src="$scratch/src"
build="$src/build"
test_timeout=${CORVANE_MUTANT_TEST_TIMEOUT:-60}

[ -f /work/ccache.env ] && source /work/ccache.env

mutants=()
for file in "$top"/mutants/*.mutant; do
    name=$(basename "$file" .mutant)
    if [ $# -gt 0 ]; then
        wanted=false
        for word in "$@"; do [[ "$name" == *"$word"* ]] && wanted=true; done
        $wanted || continue
    fi
    mutants+=("$file")
done
[ ${#mutants[@]} -gt 0 ] || { echo "no mutants selected" >&2; exit 2; }

# A fresh copy with the files' own times, so the scratch build recompiles only what changed.
find "$src" -mindepth 1 -maxdepth 1 ! -name build -exec rm -rf {} + 2>/dev/null
mkdir -p "$src"
tar -C "$top" --exclude=./build --exclude=./.git -cf - . | tar -C "$src" -xf -
# A run cut short leaves objects built from planted sources that are newer than the tree's copies:
# the files it planted in are touched, so that the scratch build compiles them again.
planted="$scratch/planted"
if [ -f "$planted" ]; then
    while IFS= read -r file; do [ -f "$src/$file" ] && touch "$src/$file"; done <"$planted"
fi
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$src" -B "$build" -G Ninja >"$scratch/configure.log" 2>&1 ||
        { echo "configure failed: $scratch/configure.log" >&2; exit 2; }
fi
cmake --build "$build" -j2 >"$scratch/build.log" 2>&1 ||
    { echo "the unchanged tree does not build: $scratch/build.log" >&2; exit 2; }

# Prints the value of a "key:" header line of a mutant file.
header() { sed -n "s/^$2: *//p" "$1" | head -n 1; }

# Replaces the original section by the replacement section in the target; status 3 when the
# original is not found exactly once.
plant() {
    python3 - "$1" "$2" <<'PY'
import sys
mutant, target = sys.argv[1], sys.argv[2]
text = open(mutant, encoding="utf-8").read()
head, rest = text.split("@@ original\n", 1)
original, replacement = rest.split("@@ replacement\n", 1)
original, replacement = original[:-1], replacement[:-1] if replacement.endswith("\n") else replacement
code = open(target, encoding="utf-8").read()
if code.count(original) != 1:
    sys.exit(3)
open(target, "w", encoding="utf-8").write(code.replace(original, replacement))
PY
}

caught=0 survived=0 stale=0 broken=0
start=$(date +%s)
for mutant in "${mutants[@]}"; do
    name=$(basename "$mutant" .mutant)
    target="$src/$(header "$mutant" file)"
    regex=$(header "$mutant" tests)
    log="$scratch/$name.log"
    header "$mutant" file >>"$planted"
    if [ ! -f "$target" ] || ! cp "$target" "$scratch/original" || ! plant "$mutant" "$target"; then
        verdict="does not apply"
        stale=$((stale + 1))
    elif ! cmake --build "$build" -j2 >"$log" 2>&1; then
        verdict="does not build"
        broken=$((broken + 1))
    else
        out=$(timeout $((test_timeout * 4)) ctest --test-dir "$build" -R "$regex" -j2 --timeout "$test_timeout" 2>&1)
        rc=$?
        echo "$out" >>"$log"
        if echo "$out" | grep -q "No tests were found"; then
            verdict="survived (no test matches '$regex')"
            survived=$((survived + 1))
        elif [ $rc -ne 0 ]; then
            verdict="caught"
            [ $rc -eq 124 ] && verdict="caught (hang)"
            caught=$((caught + 1))
        else
            verdict="survived"
            survived=$((survived + 1))
        fi
    fi
    [ -f "$scratch/original" ] && cp "$scratch/original" "$target" && rm -f "$scratch/original"
    printf '%-40s %s\n' "$name" "$verdict"
done

# Leaves the scratch build matching the tree again for the next run.
cmake --build "$build" -j2 >/dev/null 2>&1 && rm -f "$planted"
echo
echo "mutants: ${#mutants[@]}, caught: $caught, survived: $survived, does not apply: $stale," \
     "does not build: $broken ($(( $(date +%s) - start )) s; logs in $scratch)"
[ $survived -eq 0 ] && [ $stale -eq 0 ] && [ $broken -eq 0 ]
