#!/usr/bin/env bash
# One CI stage: runs every golden host session of tests/host/sessions through pdehost's test build
# (the one the test suite runs them through) under valgrind memcheck, comparing its output as the test suite does. Fails on any memcheck error
# or any block definitely or indirectly lost.
#   scripts/ci-memcheck.sh [BUILD_DIR]   (default build/ci: a build without sanitizers)
set -euo pipefail
cd "$(dirname "$0")/.."

build=$(realpath "${1:-build/ci}")
source=$PWD
pdehost=$(find "$build/lib" -path '*/pdekit/pdehost-testing' -type f -print -quit)
if [ ! -x "$pdehost" ]; then
  echo "$0: no pdehost in $build (build the ci preset first)" >&2
  exit 2
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/logs"

# pdehost as the sessions see it, run under memcheck with one log per process.
cat >"$work/pdehost" <<WRAPPER
#!/bin/sh
exec valgrind --quiet --error-exitcode=1 --leak-check=full --trace-children=yes \\
  --errors-for-leak-kinds=definite,indirect --show-leak-kinds=definite,indirect \\
  --log-file="$work/logs/%p.log" "$pdehost" "\$@"
WRAPPER
chmod +x "$work/pdehost"

run_session() {
  local session=$1
  mkdir -p "$work/run/$(basename "$session" .session)"
  cd "$work/run/$(basename "$session" .session)"
  LANGUAGE= LC_ALL=C LANG=C cmake -DPDEHOST="$work/pdehost" -DSESSION="$session" \
    -DSAMPLES="$source/samples" -DDATA="$source/tests/data/host" -DSOURCE="$source" \
    -DBUILD="$build" -P "$source/tests/host/RunSession.cmake" >"$work/run/$(basename "$session").out" 2>&1 ||
    { echo "session $(basename "$session") failed under memcheck:"; cat "$work/run/$(basename "$session").out"; return 1; }
}
export -f run_session
export work source build

sessions=(tests/host/sessions/*.session)
echo "== memcheck: ${#sessions[@]} golden sessions"
failed=0
printf '%s\n' "${sessions[@]/#/$source/}" | xargs -P "$(nproc)" -I{} bash -c 'run_session "$@"' _ {} || failed=1

# Quiet memcheck writes only what it finds: every log must be empty. (A session's expected exit
# status can hide memcheck's.)
for log in "$work"/logs/*.log; do
  if [ -s "$log" ]; then
    echo "memcheck found errors:"
    cat "$log"
    failed=1
  fi
done
if [ "$failed" -ne 0 ]; then
  echo "memcheck: FAILED" >&2
  exit 1
fi
echo "memcheck: $(ls "$work"/logs | wc -l) pdehost runs, no errors, nothing lost"
