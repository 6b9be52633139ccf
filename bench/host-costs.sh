#!/usr/bin/env bash
# The hosts' process and idle costs, measured whole, outside Google Benchmark:
#  - process start: `pdehost --script EMPTY` (an empty session; pdehost reads no device as a
#    script) against `cupstestppd -q` on the same PPD (the
#    one pdehost opens by default), wall time of the whole process, alternating runs, medians;
#  - idle wake-ups: pdeprint idle with its dialog (and the pane's tab) open against GTK's plain
#    print dialog (PlainPrintDialog.c), context switches of all the process's threads from
#    /proc/PID/task/*/status over a window, under a private Xvfb and a private CUPS server.
# Nothing is asserted: the figures go into the README's performance table.
#
# Usage: bench/host-costs.sh TREE [RUNS] [IDLE_ROUNDS]
# TREE is a build directory or an installed prefix (bin/pdehost, bin/pdeprint, share/ppd/pdekit).
# RUNS (default 20) process starts of each command; IDLE_ROUNDS (default 3) idle measurements of
# each dialog, IDLE_SECONDS (environment, default 5) long, after IDLE_SETTLE (default 3) seconds.
set -euo pipefail

usage="usage: host-costs.sh TREE [RUNS] [IDLE_ROUNDS]"
here=$(dirname "$(realpath "$0")")
source=$(dirname "$here")
export LANG=C LC_ALL=C LANGUAGE=

# ---------------------------------------------------------------- inside the private CUPS server
# private-cupsd.sh runs this script again as its live test, with the server's queues set up.
if [ -n "${PDE_BENCH_IDLE_INNER:-}" ]; then
  tree=$PDE_BENCH_TREE plain=$PDE_BENCH_PLAIN rounds=$PDE_BENCH_IDLE_ROUNDS
  seconds=${IDLE_SECONDS:-5} settle=${IDLE_SETTLE:-3}
  work=$(mktemp -d)
  xvfb_pid="" program_pid=""
  stop() {  # PID...
    local pid
    for pid in "$@"; do
      [ -n "$pid" ] || continue
      kill -TERM "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
    done
  }
  trap 'stop "$program_pid" "$xvfb_pid"; rm -rf "$work"' EXIT
  Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$work/display" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n1 "$work/display")" HOME=$work NO_AT_BRIDGE=1 GTK_MODULES=
  # GTK's dialog selects the server's default queue; pdeprint is told the same one.
  lpadmin -h "$CUPS_SERVER" -d "$PDE_TEST_CUPS_QUEUE"
  echo "hello" >"$work/report.txt"

  # Context switches of PID's threads, summed: "VOLUNTARY TOTAL". The voluntary ones are the
  # wake-ups; the others are preemptions, which a loaded machine adds.
  switches() {
    cat /proc/"$1"/task/*/status 2>/dev/null | awk '
      /^voluntary_ctxt_switches:/ { v += $2 }
      /^nonvoluntary_ctxt_switches:/ { n += $2 }
      END { print v + 0, v + n }'
  }
  # Starts the program, lets it settle, counts its switches over the window: "VOLUNTARY TOTAL"
  # a second.
  idle_rate() {  # COMMAND...
    "$@" >/dev/null 2>&1 &
    program_pid=$!
    sleep "$settle"
    kill -0 "$program_pid" 2>/dev/null || { echo "$1 exited early" >&2; exit 1; }
    local before after
    before=$(switches "$program_pid")
    sleep "$seconds"
    after=$(switches "$program_pid")
    stop "$program_pid"
    program_pid=""
    awk -v a="$before" -v b="$after" -v s="$seconds" 'BEGIN {
      split(a, x, " "); split(b, y, " "); printf "%.1f %.1f", (y[1] - x[1]) / s, (y[2] - x[2]) / s }'
  }
  echo "  round: pdeprint voluntary/total, plain GTK dialog voluntary/total (a second)"
  for round in $(seq "$rounds"); do
    read -r pv pt <<<"$(idle_rate "$tree/bin/pdeprint" --printer "$PDE_TEST_CUPS_QUEUE" "$work/report.txt")"
    read -r gv gt <<<"$(idle_rate "$plain")"
    echo "  $round: pdeprint $pv/$pt, plain $gv/$gt, pdeprint - plain: $(awk -v a="$pv" -v b="$gv" -v c="$pt" -v d="$gt" 'BEGIN { printf "%+.1f/%+.1f", a - b, c - d }')"
  done
  exit 0
fi

tree=$(realpath "${1:?$usage}")
runs=${2:-20}
idle_rounds=${3:-3}
pdehost=$tree/bin/pdehost
ppd=$tree/share/ppd/pdekit/VELMORA-q-RX730.ppd
[ -x "$pdehost" ] && [ -f "$ppd" ] || { echo "$tree: no bin/pdehost or $ppd" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
empty=$work/empty.session
: >"$empty"

# ---------------------------------------------------------------- process start
# Wall time of one run of COMMAND, in milliseconds.
run_ms() {
  local start=$EPOCHREALTIME
  "$@" >/dev/null 2>&1 || true
  awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.3f\n", (b - a) * 1000 }'
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
spread() { sort -n | awk 'NR == 1 { lo = $1 } { hi = $1 } END { printf "%s to %s", lo, hi }'; }

echo "process start, $runs alternating runs each (ms), on $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
# Warms the page cache, and stops here if pdehost fails: a failing run is not the one measured.
"$pdehost" --script "$empty" >/dev/null 2>&1 || { echo "$pdehost fails on an empty session" >&2; exit 1; }
run_ms cupstestppd -q "$ppd" >/dev/null
for _ in $(seq "$runs"); do
  run_ms "$pdehost" --script "$empty" >>"$work/pdehost"
  run_ms "$tree/lib/pdekit/pdehost" --script "$empty" >>"$work/program" 2>/dev/null ||
    true
  run_ms cupstestppd -q "$ppd" >>"$work/cupstestppd"
done
for name in pdehost program cupstestppd; do
  [ -s "$work/$name" ] || continue
  echo "  $name: median $(median <"$work/$name"), runs $(spread <"$work/$name")"
done
awk -v p="$(median <"$work/pdehost")" -v c="$(median <"$work/cupstestppd")" \
  'BEGIN { printf "  pdehost (launcher and program) / cupstestppd: %.2fx\n", p / c }'
if [ -s "$work/program" ]; then
  awk -v p="$(median <"$work/program")" -v c="$(median <"$work/cupstestppd")" \
    'BEGIN { printf "  the program alone (lib/pdekit/pdehost) / cupstestppd: %.2fx\n", p / c }'
fi

# The same in CPU time, which a loaded machine disturbs less than wall time (perf, when there).
if command -v perf >/dev/null && perf stat -x, -e task-clock true >/dev/null 2>&1; then
  cpu_ms() {  # COMMAND...: mean task-clock of RUNS runs, in milliseconds
    perf stat -x, -e task-clock -r "$runs" "$@" 2>&1 >/dev/null | awk -F, '/task-clock/ { printf "%.2f", $1 }'
  }
  p=$(cpu_ms "$pdehost" --script "$empty")
  c=$(cpu_ms cupstestppd -q "$ppd")
  awk -v p="$p" -v c="$c" 'BEGIN { printf "  CPU time (perf task-clock, mean): pdehost %s ms, cupstestppd %s ms: %.2fx\n", p, c, p / c }'
fi

# ---------------------------------------------------------------- idle wake-ups
[ "$idle_rounds" -gt 0 ] || exit 0
[ -x "$tree/bin/pdeprint" ] || { echo "no bin/pdeprint: idle wake-ups skipped"; exit 0; }
cc -O2 -o "$work/plain-print-dialog" "$here/PlainPrintDialog.c" \
  $(pkg-config --cflags --libs gtk+-3.0 gtk+-unix-print-3.0)
echo "idle wake-ups: context switches a second over ${IDLE_SECONDS:-5} s, dialog open and idle"
PDE_BENCH_IDLE_INNER=1 PDE_BENCH_TREE=$tree PDE_BENCH_PLAIN=$work/plain-print-dialog \
  PDE_BENCH_IDLE_ROUNDS=$idle_rounds \
  bash "$source/tests/cups/private-cupsd.sh" "$source/samples/ppd" "$source/tests/data/cups" true \
  "$here/host-costs.sh" | grep -v '^private cupsd'
