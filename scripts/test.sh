#!/usr/bin/env bash
# The project's whole check, as CI runs it (.ci/run). Installs what is missing, then:
#   1. builds with gcc, warnings as errors (preset ci), and runs the test suite;
#   2. builds with clang under AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer,
#      fuzzers included (preset sanitize), and runs the whole test suite again;
#   3. runs the golden host sessions once under valgrind memcheck, on the gcc build's pdehost;
#   4. runs each fuzz target briefly (scripts/fuzz.sh TARGET SECONDS runs one for longer).
# Any failure, sanitizer finding, memcheck error or fuzzer finding stops it with a non-zero status.
set -euo pipefail
cd "$(dirname "$0")/.."

FUZZ_SECONDS=${FUZZ_SECONDS:-20}
# A fixed seed keeps the check repeatable; longer, exploring runs are scripts/fuzz.sh's job.
export FUZZ_SEED=${FUZZ_SEED:-1}

stage() {
  local started=$SECONDS
  echo "=== $1"
  shift
  "$@"
  echo "=== done in $((SECONDS - started))s"
}

stage "dependencies" scripts/install-deps.sh
stage "gcc build and tests" scripts/ci-build-test.sh ci
stage "clang sanitizer build and tests" scripts/ci-build-test.sh sanitize
stage "golden host sessions under memcheck" scripts/ci-memcheck.sh build/ci
stage "fuzzing, ${FUZZ_SECONDS}s a target" scripts/fuzz.sh all "$FUZZ_SECONDS" build/sanitize
echo "=== all checks passed in ${SECONDS}s"

# What CTest ran in both builds, as it counted: a skipped test is no passed one.
count() {  # ATTRIBUTE: its sum over both builds' results
  local total=0 value preset
  for preset in ci sanitize; do
    value=$(sed -n "s/^[[:space:]]*$1=\"\([0-9]*\)\".*/\1/p" "build/$preset/ctest-results.xml" | head -n 1)
    total=$((total + ${value:-0}))
  done
  echo "$total"
}
tests=$(count tests) failed=$(count failures) skipped=$(($(count skipped) + $(count disabled)))
echo "tests: $((tests - failed - skipped)) passed, $failed failed, $skipped skipped"
