#!/usr/bin/env bash
# One CI stage: configures and builds a CMake preset, then runs its whole test suite.
#   scripts/ci-build-test.sh ci         gcc, warnings as errors
#   scripts/ci-build-test.sh sanitize   clang under ASan, UBSan and LSan, fuzzers included;
#                                       any sanitizer finding fails its test
# CTest's own account of what ran is kept in build/PRESET/ctest-results.xml (JUnit).
set -euo pipefail
cd "$(dirname "$0")/.."

preset=${1:?usage: $0 PRESET}
jobs=$(nproc)

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j"$jobs"
if [ "$preset" = sanitize ]; then
  # Leaks fail at exit; undefined behaviour stops at once (the build does not recover from it).
  export ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1:strict_init_order=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi
ctest --preset "$preset" -j"$jobs" --output-junit ctest-results.xml
