#!/usr/bin/env bash
# The time from a printer selected in GTK's print dialog to the pane's tab shown, against the time
# to GTK's own options for that printer, in a GTK 3 program with the module (bench/TimeToTab.cc),
# under a private Xvfb, against the private CUPS server of tests/cups/private-cupsd.sh behind a
# relay that holds back each of its answers by 50 ms. Each run is a new process with three
# dialogs: the first dialog, and two later ones of the same process. Half the runs start without
# the per-user copies of the PPDs (a new user), half with those the previous run left (a program
# started again). Prints the medians against the target (the tab no later than GTK's options
# + 10 ms); nothing is asserted: the figures go into the README's performance section.
#
# Usage: bench/time-to-tab.sh TREE [RUNS]
# TREE is a build directory whose <libdir>/gtk-3.0/modules holds the module; RUNS (default 10)
# runs of each kind.
set -euo pipefail

usage="usage: time-to-tab.sh TREE [RUNS]"
here=$(dirname "$(realpath "$0")")
source_dir=$(dirname "$here")
export LANG=C LC_ALL=C LANGUAGE=

tree=$(realpath "${1:?$usage}")
runs=${2:-10}
source "$here/gtk-module.sh"
module=$(find_gtk_module "$tree")
export GTK_PATH
GTK_PATH=$(dirname "$(dirname "$module")")
export GTK_MODULES=pdekit-gtk-module

work=$(mktemp -d)
xvfb_pid=""
trap '[ -z "$xvfb_pid" ] || { kill -TERM "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; }; rm -rf "$work"' EXIT
c++ -O2 -std=c++20 -I"$source_dir/tests/cups" -o "$work/time-to-tab" "$here/TimeToTab.cc" \
  "$source_dir/tests/cups/Relay.cc" $(pkg-config --cflags --libs gtk+-unix-print-3.0) -pthread
Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")" HOME=$work/home NO_AT_BRIDGE=1
mkdir -p "$HOME"

# What private-cupsd.sh runs once its server answers: the runs, alternating a cache of the copies
# made afresh with the one the previous run left. Each line of $work/times: KIND and the
# program's line.
cat >"$work/runs.sh" <<RUNS
#!/usr/bin/env bash
set -euo pipefail
for run in \$(seq $runs); do
  for kind in new kept; do
    [ "\$kind" = kept ] || rm -rf "$work/cache"
    XDG_CACHE_HOME="$work/cache" "$work/time-to-tab" 2>>"$work/stderr" |
      sed "s/^/\$kind /" >>"$work/times"
  done
done
RUNS
chmod +x "$work/runs.sh"
: >"$work/times"
bash "$source_dir/tests/cups/private-cupsd.sh" "$source_dir/samples/ppd" \
  "$source_dir/tests/data/cups" /bin/true "$work/runs.sh" >"$work/server.out" 2>&1 ||
  { cat "$work/server.out" "$work/stderr" >&2; exit 1; }
[ -s "$work/times" ] || { cat "$work/server.out" "$work/stderr" >&2; exit 1; }

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
echo "time to the pane's tab against GTK's own options, each answer of the CUPS server 50 ms late;" \
  "$runs runs of each kind on $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg); medians:"
for kind in new kept; do
  for dialog in first later; do
    if [ "$dialog" = first ]; then pick='$3 == 1'; else pick='$3 > 1'; fi
    gtk=$(awk -v k="$kind" "\$1 == k && $pick { print \$5 }" "$work/times" | median)
    tab=$(awk -v k="$kind" "\$1 == k && $pick { print \$7 }" "$work/times" | median)
    late=$(awk -v k="$kind" "\$1 == k && $pick { print \$7 - \$5 }" "$work/times" | median)
    case $kind in new) what="no copy of the PPD yet" ;; kept) what="the copy of an earlier run" ;; esac
    awk -v d="$dialog" -v w="$what" -v g="$gtk" -v t="$tab" -v l="$late" 'BEGIN {
      printf "  %s dialog, %s: GTK'"'"'s options %.1f ms, tab %.1f ms, tab %+.1f ms (target at most +10 ms): %s\n",
        d, w, g, t, l, l <= 10 ? "met" : "**missed**" }'
  done
done
