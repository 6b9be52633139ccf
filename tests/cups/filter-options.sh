#!/usr/bin/env bash
# Without a server: runs CUPS's filters on a text file for each supported sample PPD and checks
# that the printer's data holds the code of the chosen options, and of the defaults otherwise.
# Usage: filter-options.sh SAMPLE_PPD_DIR TEXT_FILE CHECK_PRINTER_CODE
set -euo pipefail

samples=${1:?usage: filter-options.sh SAMPLE_PPD_DIR TEXT_FILE CHECK_PRINTER_CODE}
text=${2:?}
check=${3:?}
if ! command -v cupsfilter >/dev/null && [ ! -x /usr/sbin/cupsfilter ]; then
  echo "cupsfilter is not installed (Debian package cups): skipping"
  exit 77
fi
cupsfilter=$(command -v cupsfilter || echo /usr/sbin/cupsfilter)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# An empty configuration of our own, so that no system-wide CUPS configuration is read.
echo "ServerRoot $work" >"$work/cups-files.conf"

run_filters() {  # PPD OUTPUT OPTION...
  local ppd=$1 output=$2
  shift 2
  local args=()
  for option in "$@"; do args+=(-o "$option"); done
  if ! "$cupsfilter" -c "$work/cups-files.conf" -p "$ppd" -m printer/test "${args[@]}" "$text" \
      >"$output" 2>"$work/filter.log"; then
    grep -E '^(E|W)' "$work/filter.log" >&2 || cat "$work/filter.log" >&2
    echo "cupsfilter failed for $ppd" >&2
    return 1
  fi
}

chosen=(PrintMode=Private DINDigit1=1 DINDigit2=9 DINDigit3=7 DINDigit4=4 DINDigit5=6
        DeptCode=True DCDigit1=0 DCDigit2=0 DCDigit3=3 DCDigit4=1 DCDigit5=2
        BlankPage=True DistinguishThinLines=True)
for ppd in "$samples/VELMORA-q-RX730.ppd" "$samples/VELMORA-q-RX310-730.ppd"; do
  run_filters "$ppd" "$work/defaults.out"
  "$check" "$work/defaults.out"
  run_filters "$ppd" "$work/chosen.out" "${chosen[@]}"
  "$check" "$work/chosen.out" "${chosen[@]}"
done
