#!/usr/bin/env bash
# What the GTK module costs a GTK 3 program that never prints (PlainWindow.c: a window drawn, then
# exit), measured whole against the same program without the module, alternating runs in one run
# under a private Xvfb: the shared libraries loaded at start-up (those of the printing side among
# them), the resident set, and the start-up time (exec to exit), medians. Prints each against its
# target; nothing is asserted: the figures go into the README's performance section.
#
# Usage: bench/module-costs.sh TREE [RUNS]
# TREE is a build directory or an installed prefix, whose <libdir>/gtk-3.0/modules holds the
# module; RUNS (default 30) runs of each kind.
set -euo pipefail

usage="usage: module-costs.sh TREE [RUNS]"
here=$(dirname "$(realpath "$0")")
export LANG=C LC_ALL=C LANGUAGE=

tree=$(realpath "${1:?$usage}")
runs=${2:-30}
source "$here/gtk-module.sh"
module=$(find_gtk_module "$tree")
gtk_path=$(dirname "$(dirname "$module")")

work=$(mktemp -d)
xvfb_pid=""
trap '[ -z "$xvfb_pid" ] || { kill -TERM "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; }; rm -rf "$work"' EXIT
cc -O2 -o "$work/plain-window" "$here/PlainWindow.c" $(pkg-config --cflags --libs gtk+-3.0)
Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")" HOME=$work NO_AT_BRIDGE=1

# One run of the program, without (GTK_MODULES empty) or with the module: appends its wall time
# in milliseconds to $work/<kind>.ms and its report to $work/<kind>.out.
run() {  # without|with
  local modules="" start
  [ "$1" = without ] || modules=pdekit-gtk-module
  start=$EPOCHREALTIME
  GTK_MODULES=$modules GTK_PATH=$gtk_path "$work/plain-window" >>"$work/$1.out"
  awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.3f\n", (b - a) * 1000 }' >>"$work/$1.ms"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
quartile() { sort -n | awk -v q="$1" '{ v[NR] = $1 } END { i = int((NR - 1) * q) + 1; print v[i] }'; }
field() { awk -v name="$2" '{ for (i = 1; i < NF; i += 2) if ($i == name) print $(i + 1) }' "$work/$1.out"; }
verdict() { if [ "$1" = 1 ]; then echo met; else echo "**missed**"; fi; }

run without >/dev/null && run with >/dev/null  # warms the page cache
: >"$work/without.out" && : >"$work/without.ms" && : >"$work/with.out" && : >"$work/with.ms"
for _ in $(seq "$runs"); do
  run without
  run with
done
[ "$(field with module | sort -u)" = 1 ] || { echo "GTK did not load $module" >&2; exit 1; }

echo "a GTK 3 program that never prints (bench/PlainWindow.c), $runs alternating runs each, on" \
  "$(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
declare -A libraries printing rss time
for kind in without with; do
  libraries[$kind]=$(field $kind libraries | median)
  printing[$kind]=$(field $kind printing | sort -n | tail -n1)
  rss[$kind]=$(field $kind rss_kb | median)
  time[$kind]=$(median <"$work/$kind.ms")
  echo "  $kind the module: ${libraries[$kind]} libraries (${printing[$kind]} of the printing side)," \
    "RSS $(awk -v k="${rss[$kind]}" 'BEGIN { printf "%.1f", k / 1024 }') MB, start-up ${time[$kind]} ms" \
    "(runs $(sort -n "$work/$kind.ms" | head -n1) to $(sort -n "$work/$kind.ms" | tail -n1))"
done
noise=$(awk -v lo="$(quartile 0.25 <"$work/without.ms")" -v hi="$(quartile 0.75 <"$work/without.ms")" \
  'BEGIN { printf "%.3f", hi - lo }')
echo "  printing-side libraries at start-up: ${printing[with]} (target 0):" \
  "$(verdict "$([ "${printing[with]}" -eq 0 ] && echo 1)")"
more=$((libraries[with] - libraries[without]))
echo "  libraries: +$more (target at most +2): $(verdict "$([ "$more" -le 2 ] && echo 1)")"
awk -v a="${rss[without]}" -v b="${rss[with]}" 'BEGIN {
  d = (b - a) / 1024; printf "  RSS: %+.2f MB (target at most +0.5 MB): %s\n", d, d <= 0.5 ? "met" : "**missed**" }'
awk -v a="${time[without]}" -v b="${time[with]}" -v n="$noise" 'BEGIN {
  d = b - a; printf "  start-up: %+.2f ms, noise (interquartile range of the runs without) %.2f ms" \
    " (target within noise): %s\n", d, n, (d <= n) ? "met" : "**missed**" }'
