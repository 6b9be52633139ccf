#!/usr/bin/env bash
# Runs one libFuzzer target for a while: scripts/fuzz.sh TARGET SECONDS [BUILD_DIR]
#
# TARGET is a directory name of fuzz/corpus (ppd_gate, ticket_sync, digit_keys, property_list,
# nib, strings_table, session_script, settings_lines) or "all", which runs each in turn for
# SECONDS. Each target may grow its inputs a little beyond the size limit of the files it reads
# (the readers' limits: 8 MiB for a PPD, 1 MiB for the others), so that inputs at and just over
# the limit are tried too. The build
# directory (default build/sanitize, the `sanitize` preset's) must hold the fuzzers. The
# committed seeds are read, never written: new inputs go to a scratch corpus, and a crashing
# input to BUILD_DIR/fuzz-findings/TARGET/, to be fixed and then kept as a seed. FUZZ_SEED fixes
# libFuzzer's random seed, so that a run can be repeated (CI sets it).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -lt 2 ]; then
  echo "usage: $0 TARGET|all SECONDS [BUILD_DIR]" >&2
  exit 2
fi
target=$1
seconds=$2
build=${3:-build/sanitize}

if [ "$target" = all ]; then
  for corpus in fuzz/corpus/*/; do
    "$0" "$(basename "$corpus")" "$seconds" "$build"
  done
  exit 0
fi

fuzzer=$build/bin/fuzz_$target
seeds=fuzz/corpus/$target
if [ ! -x "$fuzzer" ] || [ ! -d "$seeds" ]; then
  echo "$0: no fuzzer $fuzzer or no seeds $seeds (build the sanitize preset first)" >&2
  exit 2
fi

# The largest input: the target's file limit and 4 KiB more; the pane's key and ticket fuzzers
# read no file and keep small inputs.
case $target in
  ppd_gate) max_len=$((8 * 1024 * 1024 + 4096)) ;;
  property_list|nib|strings_table|session_script|settings_lines) max_len=$((1024 * 1024 + 4096)) ;;
  *) max_len=4096 ;;
esac

findings=$build/fuzz-findings/$target
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$findings"

log=$build/fuzz-findings/$target.log
echo "== fuzz $target for ${seconds}s (log: $log)"
# The pane prints printer model names and the PPD library its complaints: close both streams;
# sanitizer and libFuzzer reports still come through, into the log.
if ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} \
   LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/fuzz/lsan-suppressions.txt} \
   UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
   "$fuzzer" -max_total_time="$seconds" -timeout=10 -close_fd_mask=3 -print_final_stats=1 \
     -max_len="$max_len" \
     ${FUZZ_SEED:+-seed="$FUZZ_SEED"} \
     -artifact_prefix="$findings/" "$scratch" "$seeds" >"$log" 2>&1; then
  grep -E '^stat::(number_of_executed_units|new_units_added|peak_rss_mb)' "$log" || true
else
  tail -n 80 "$log" >&2
  echo "fuzz $target: FAILED; the input is in $findings/" >&2
  exit 1
fi
