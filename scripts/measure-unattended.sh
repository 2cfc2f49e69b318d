#!/usr/bin/env bash
# Measures an unattended station run of the built program: CPU while it waits for an absent and for
# a present but silent instrument, resident memory over repeated losses, and the time from the
# instrument's return to the first line logged after it.
# Usage: scripts/measure-unattended.sh [build folder] [losses] [seconds of each wait]
set -euo pipefail
build=$(realpath "${1:-build}")
losses=${2:-100}
wait_seconds=${3:-60}
corvane="$build/app/corvane"
sim="$build/tools/corvane-sim"
work=$(mktemp -d /tmp/corvane-measure.XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/dev" "$work/logs"
export XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" CORVANE_DEVICE_DIR="$work/dev"
unset DISPLAY WAYLAND_DISPLAY
ticks_per_second=$(getconf CLK_TCK)

# User plus system CPU ticks of a process.
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
rss_kib() { awk '/^VmRSS/ {print $2}' "/proc/$1/status"; }
now() { date +%s.%N; }
log_lines() { cat "$work"/logs/*.dat 2>/dev/null | wc -l; }

start_sim() {
    rm -f "$work/dev/COM1"
    "$sim" --device-dir "$work/dev" --records DTY --averaging 1 --speed 1 >>"$work/sim.txt" 2>&1 &
    sim_pid=$!
    until [ -e "$work/dev/COM1" ]; do sleep 0.01; done
}
stop_sim() {
    kill -TERM "$sim_pid"
    wait "$sim_pid" 2>/dev/null || true
}
# Waits until the log has grown past the given count; prints the seconds since the given time.
seconds_to_next_line() {
    local since=$1 before=$2
    until [ "$(log_lines)" -gt "$before" ]; do sleep 0.01; done
    echo "$(now) - $since" | bc
}
cpu_percent_over() {
    local pid=$1 seconds=$2 before
    before=$(cpu_ticks "$pid")
    sleep "$seconds"
    echo "scale=3; 100 * ($(cpu_ticks "$pid") - $before) / ($ticks_per_second * $seconds)" | bc
}

# Logging on to the log folder, as an earlier session would have stored it. A damaged line would
# only lose that value, so a header line is not needed.
key="$XDG_CONFIG_HOME/corvane/SOFTWARE/Brantel Inc./CORVANE"
mkdir -p "$key"
printf '"LOGENABLE"=dword:00000001\n"LOGPATH"="%s/"\n' "$work/logs" >"$key/values.reg"
start_sim
"$corvane" --start --headless 2>"$work/stderr.txt" &
corvane_pid=$!
sleep 0.5
seconds_to_next_line "$(now)" 0 >/dev/null

echo "CPU while waiting for an absent instrument ($wait_seconds s):"
stop_sim
sleep 1
echo "  $(cpu_percent_over "$corvane_pid" "$wait_seconds") % of one core"

echo "CPU while waiting for a present but silent instrument ($wait_seconds s):"
start_sim
kill -STOP "$sim_pid"
echo "  $(cpu_percent_over "$corvane_pid" "$wait_seconds") % of one core"
kill -CONT "$sim_pid"
seconds_to_next_line "$(now)" "$(log_lines)" >/dev/null

echo "Resident memory and return-to-first-line time over $losses losses:"
echo "  before the first loss: $(rss_kib "$corvane_pid") KiB"
delays=()
for ((loss = 1; loss <= losses; ++loss)); do
    stop_sim
    sleep 0.5
    before=$(log_lines)
    returned=$(now)
    start_sim
    delays+=("$(seconds_to_next_line "$returned" "$before")")
    case $loss in 1 | 10 | 50 | "$losses") echo "  after loss $loss: $(rss_kib "$corvane_pid") KiB" ;; esac
done
printf '%s\n' "${delays[@]}" | sort -n | awk '{a[NR] = $1} END {
    printf "  return to first logged line: median %.2f s, slowest %.2f s, fastest %.2f s (%d returns)\n",
        a[int((NR + 1) / 2)], a[NR], a[1], NR }'

kill -TERM "$corvane_pid"
wait "$corvane_pid" && echo "Stopped by SIGTERM with exit status 0"
echo "Journal: $(wc -l <"$XDG_STATE_HOME/corvane/events.log") lines, of them reconnect failures: $(grep -c reconnect-failed "$XDG_STATE_HOME/corvane/events.log")"
